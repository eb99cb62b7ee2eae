#!/usr/bin/env bash
# The real tessec.dll under 32-bit Wine beside the native i686 build of the same code: the same
# program (tessec_dll_bench) built both ways, run one after the other for the profiles native
# (every extension of this CPU) and none (integer code only), three times in turn, taking each
# side's best round (the machine may be busy). Each figure of the DLL should be within 10% of
# the native one; larger differences are marked '!'.
#   run_dll_bench.sh [win32-build-dir] [i686-build-dir]   (default: build/win32, build/bench-i686)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
win=$(realpath -m "${1:-$root/build/win32}")
native=$(realpath -m "${2:-$root/build/bench-i686}")

if [ ! -f "$win/CMakeCache.txt" ]; then (cd "$root" && cmake --preset win32 -B "$win" >/dev/null); fi
if [ ! -f "$native/CMakeCache.txt" ]; then
  (cd "$root" && cmake --preset bench-i686 -B "$native" >/dev/null)
fi
cmake --build "$win" --target tessec tessec_dll_bench >/dev/null
cmake --build "$native" --target tessec_dll_bench >/dev/null

prefix="$win/wineprefix"
"$root/cmake/wine-prefix" "$prefix"
export WINEPREFIX="$prefix" WINEARCH=win32 WINEDEBUG=-all
wineserver -p
work=$(mktemp -d)
cleanup() {
  wineserver -k 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
wine cmd /c exit >/dev/null 2>&1 </dev/null || true

status=0
for profile in native none; do
  cpu=()
  [ "$profile" = none ] && cpu=(TESSEC_CPU=none)
  : >"$work/native"
  : >"$work/dll"
  for round in 1 2 3; do
    env -u TESSEC_CPU "${cpu[@]}" "$native/bin/tessec_dll_bench" >>"$work/native"
    env -u TESSEC_CPU "${cpu[@]}" wine "$win/bin/tessec_dll_bench.exe" </dev/null |
      tr -d '\r' >>"$work/dll"
  done
  printf '\n==== tessec.dll under Wine beside the native i686 build, profile %s (MB/s)\n' "$profile"
  printf '%-16s %10s %10s %8s\n' work native dll ratio
  awk 'NR == FNR { if ($2 > native[$1]) native[$1] = $2; next }
    { if (!($1 in dll)) order[++n] = $1; if ($2 > dll[$1]) dll[$1] = $2 }
    END {
      for (i = 1; i <= n; ++i) {
        w = order[i]
        if (!(native[w] > 0)) continue
        r = dll[w] / native[w]; mark = (r < 0.9 || r > 1.1) ? "!" : ""
        printf "%-16s %10.0f %10.0f %7.2f%s\n", w, native[w], dll[w], r, mark
        if (mark != "") bad = 1
      }
      exit bad
    }' "$work/native" "$work/dll" || status=1
done
[ $status -eq 0 ] || echo "(! : more than 10% apart)"
exit 0
