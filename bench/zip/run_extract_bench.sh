#!/usr/bin/env bash
# Extraction throughput (MB/s of output) of a generated package of about 100 MB in about 200
# files and nested folders: the archive layer under 32-bit Wine (the updater's loop, timed
# inside the program) beside Info-ZIP unzip natively, on the same archive in the same run.
# Goal: under Wine at least as fast as unzip natively (ratio >= 1).
#   bench/zip/run_extract_bench.sh [win32-build-dir]   (default: build/win32)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(realpath -m "${1:-$root/build/win32}")
runs=3

if [ ! -f "$build/CMakeCache.txt" ]; then
  (cd "$root" && cmake --preset win32 -B "$build" >/dev/null)
fi
cmake --build "$build" --target zip_extract_bench >/dev/null
exe="$build/bench/zip_extract_bench.exe"

work=$(mktemp -d "${TMPDIR:-/tmp}/zip-bench.XXXXXX")
prefix="$build/wineprefix"
"$root/cmake/wine-prefix" "$prefix"
export WINEPREFIX="$prefix" WINEARCH=win32 WINEDEBUG=-all
wineserver -p
cleanup() {
  wineserver -k 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
wine cmd /c exit >/dev/null 2>&1 </dev/null || true

python3 "$root/bench/zip/make_package.py" "$work/src"
(cd "$work/src" && zip -q -r ../package.zip .)
archive_mb=$(du -m "$work/package.zip" | cut -f1)

now() { date +%s.%N; }
best_unzip=
for _ in $(seq $runs); do
  rm -rf "$work/out-unzip"
  t0=$(now)
  unzip -q -o "$work/package.zip" -d "$work/out-unzip"
  t1=$(now)
  best_unzip=$(python3 -c "a,b,c='$t0','$t1','$best_unzip'; t=float(b)-float(a); print(min(t,float(c)) if c else t)")
done

best_ours=
best_wall=
bytes=0
for _ in $(seq $runs); do
  rm -rf "$work/out-ours" && mkdir -p "$work/out-ours"
  t0=$(now)
  line=$(wine "$exe" "Z:$work/package.zip" "Z:$work/out-ours" </dev/null 2>/dev/null | tr -d '\r')
  t1=$(now)
  case "$line" in *failed=0*) ;; *) echo "zip bench: extraction failed: $line" >&2; exit 1 ;; esac
  bytes=$(sed 's/.*bytes=\([0-9]*\).*/\1/' <<<"$line")
  secs=$(sed 's/.*seconds=\([0-9.]*\).*/\1/' <<<"$line")
  best_ours=$(python3 -c "a,c='$secs','$best_ours'; print(min(float(a),float(c)) if c else float(a))")
  best_wall=$(python3 -c "a,b,c='$t0','$t1','$best_wall'; t=float(b)-float(a); print(min(t,float(c)) if c else t)")
done

diff -r "$work/out-unzip" "$work/out-ours" >/dev/null || { echo "zip bench: outputs differ" >&2; exit 1; }

python3 - "$bytes" "$best_unzip" "$best_ours" "$best_wall" "$archive_mb" <<'PY'
import sys
size, unzip, ours, wall, archive_mb = int(sys.argv[1]), *map(float, sys.argv[2:5]), sys.argv[5]
mb = size / 1e6
print("package: %.1f MB in the files, %s MB archive (best of 3 runs each)" % (mb, archive_mb))
print("Info-ZIP unzip, native:          %7.1f MB/s  (%.3f s)" % (mb / unzip, unzip))
print("quenda_zip under Wine:           %7.1f MB/s  (%.3f s, extraction loop)" % (mb / ours, ours))
print("quenda_zip under Wine, process:  %7.1f MB/s  (%.3f s, with Wine's start)" % (mb / wall, wall))
print("ratio ours/unzip: %.2f (extraction), %.2f (whole process); goal >= 1"
      % (unzip / ours, unzip / wall))
PY
