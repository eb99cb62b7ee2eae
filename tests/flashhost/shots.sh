#!/usr/bin/env bash
# Runs the QuillonFlash GUI tests with a folder for their screenshots ($1), then turns the
# screenshots (BMP, as the tests save them) into PNG files there.
set -uo pipefail
out=$1; shift
rm -rf "$out" && mkdir -p "$out"
export QUENDA_FLASHHOST_SHOTS="$out"
"$@"
rc=$?
for f in "$out"/*.bmp; do
  [ -e "$f" ] || continue
  convert "$f" "${f%.bmp}.png" && rm -f "$f"
done
exit $rc
