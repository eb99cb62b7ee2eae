#!/usr/bin/env bash
# Prepares with Linux tools what the Windows test of quenda-pack needs (the source folder, an
# OpenSSL key pair, a package made by Info-ZIP zip and signed by OpenSSL alone, and a copy of
# it changed by one byte), runs the test, then checks with OpenSSL what the Windows program
# made: its keys, its signature and the package's bytes.
#   pack_fixture.sh <work-dir> <test command...>
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
work=$1; shift
rm -rf "$work" && mkdir -p "$work"
"$here/make_source.sh" "$work/src"

openssl genpkey -algorithm EC -pkeyopt ec_paramgen_curve:P-256 -out "$work/openssl.pem" 2>/dev/null
openssl pkey -in "$work/openssl.pem" -pubout -out "$work/openssl.pub.pem"
cp -r "$work/src" "$work/infozip-src"
printf '<?xml version="1.0" encoding="UTF-8"?>\n<config><version>2.0.1</version></config>\n' \
  > "$work/infozip-src/lastver.xml"
(cd "$work/infozip-src" && zip -q -r -X "$work/infozip.zip" .)
openssl dgst -sha256 -sign "$work/openssl.pem" -out "$work/infozip.zip.sig" "$work/infozip.zip"
cp "$work/infozip.zip" "$work/tampered.zip"
cp "$work/infozip.zip.sig" "$work/tampered.zip.sig"
printf 'x' | dd of="$work/tampered.zip" bs=1 seek=200 conv=notrunc status=none

export QUENDA_PACK_FIXTURE="$work"
set +e
"$@"
rc=$?
set -e

check() {
  if ! "$@" >/dev/null 2>&1; then
    echo "pack_fixture: failed: $*" >&2
    rc=1
  fi
}
check openssl pkey -in "$work/keys/update-key.pem" -check -noout
check openssl dgst -sha256 -verify "$work/keys/update-key.pub.pem" \
  -signature "$work/out/update.zip.sig" "$work/out/update.zip"
expected=$(cat "$here/source-package.sha256")
actual=$(sha256sum "$work/out/update.zip" | cut -c1-64)
if [ "$actual" != "$expected" ]; then
  echo "pack_fixture: the Windows program's package is $actual, natively $expected" >&2
  rc=1
fi
exit $rc
