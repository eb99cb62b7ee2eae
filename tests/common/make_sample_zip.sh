#!/usr/bin/env bash
# Makes a small archive with Info-ZIP's zip in $1, then runs the rest of the command line.
set -euo pipefail
out=$1; shift
rm -rf "$out" && mkdir -p "$out/src/folder"
printf 'hello from zip\n' > "$out/src/hello.txt"
head -c 100000 /dev/zero | tr '\0' 'q' > "$out/src/folder/big.txt"
(cd "$out/src" && zip -q -r ../sample.zip hello.txt folder)
export QUENDA_SAMPLE_ZIP="$out/sample.zip"
exec "$@"
