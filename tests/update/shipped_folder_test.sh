#!/usr/bin/env bash
# The shipped folder, as `cmake --install` and CPack lay it out: every expected file is there,
# every program and DLL runs on a bare Windows (it imports only system DLLs and DLLs shipped
# beside it), and update.exe imports Ferrow.dll by ordinal, which exports nothing by name.
#   shipped_folder_test.sh <build dir> <objdump> <expected path>...
set -uo pipefail
build=$1 objdump=$2
shift 2
work=$(mktemp -d "${TMPDIR:-/tmp}/shipped.XXXXXX")
trap 'rm -rf "$work"' EXIT
status=0
fail() { echo "FAIL: $*"; status=1; }

cmake --install "$build" --prefix "$work/folder" >/dev/null || { echo "FAIL: cmake --install"; exit 1; }
for f in "$@"; do
  [ -f "$work/folder/$f" ] || fail "missing $f"
done

# What a bare 32-bit Windows (7 or later) has in system32.
system="advapi32 bcrypt comctl32 comdlg32 crypt32 gdi32 imm32 kernel32 msimg32 msvcrt ole32
  oleaut32 shell32 shlwapi urlmon user32 uxtheme version winhttp wininet winmm ws2_32"
shipped=$(cd "$work/folder/bin" && ls | tr 'A-Z' 'a-z')
for bin in "$work"/folder/bin/*.exe "$work"/folder/bin/*.dll; do
  for dll in $("$objdump" -p "$bin" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z'); do
    base=${dll%.dll}
    if ! grep -qw "$base" <<<"$system" && ! grep -qx "$dll" <<<"$shipped"; then
      fail "$(basename "$bin") needs $dll, which a bare Windows lacks"
    fi
  done
done

# update.exe -> Ferrow.dll: by ordinal only, the five of the download library's table.
ordinals=$("$objdump" -p "$work/folder/bin/update.exe" |
  sed -n '/DLL Name: Ferrow.dll/,/^$/p' | awk '$1 ~ /^8000/ {print $2}' | sort -n | tr '\n' ' ')
[ "$ordinals" = "2 3 7 11 12 " ] || fail "update.exe imports Ferrow.dll ordinals '$ordinals'"
"$objdump" -p "$work/folder/bin/update.exe" | sed -n '/DLL Name: Ferrow.dll/,/^$/p' |
  awk 'NR > 2 && NF > 2 && $1 !~ /^8000/' | grep -q . && fail "update.exe imports Ferrow.dll by name"
exports=$("$objdump" -p "$work/folder/bin/Ferrow.dll" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
  tail -n +2 | grep -c '\[' || true)
[ "$exports" = 0 ] || fail "Ferrow.dll exports $exports names"

# The ZIP holds the same folder below one top folder.
(cd "$build" && cpack --config CPackConfig.cmake -B "$work/package" >/dev/null) ||
  fail "cpack"
zip=$(ls "$work"/package/*.zip 2>/dev/null | head -n 1)
if [ -n "$zip" ]; then
  listing=$(unzip -Z1 "$zip")
  for f in "$@"; do
    grep -q "^[^/]*/$f\$" <<<"$listing" || fail "the ZIP lacks $f"
  done
else
  fail "no ZIP made"
fi
[ $status = 0 ] && echo "shipped folder: $# files in place, imports and ordinals as they should be"
exit $status
