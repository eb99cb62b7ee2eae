#!/usr/bin/env bash
# Download throughput of a 200 MB file from a loopback server: Ferrow (WinINet) under 32-bit
# Wine beside curl natively, same server, same run, best of 5 each (QUENDA_BENCH_RUNS), both
# writing to disk.
# Goal: Ferrow at least 0.9x curl.
#   bench/update/run_download_bench.sh [win32-build-dir]   (default: build/win32)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(realpath -m "${1:-$root/build/win32}")
runs=${QUENDA_BENCH_RUNS:-5}
size=200000000

if [ ! -f "$build/CMakeCache.txt" ]; then
  (cd "$root" && cmake --preset win32 -B "$build" >/dev/null)
fi
cmake --build "$build" --target ferrow_download_bench >/dev/null
exe="$build/bench/ferrow_download_bench.exe"

work=$(mktemp -d "${TMPDIR:-/tmp}/download-bench.XXXXXX")
prefix="$build/wineprefix"
"$root/cmake/wine-prefix" "$prefix"
export WINEPREFIX="$prefix" WINEARCH=win32 WINEDEBUG=-all
wineserver -p
server=
cleanup() {
  [ -n "$server" ] && kill "$server" 2>/dev/null
  wineserver -k 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
wine cmd /c exit >/dev/null 2>&1 </dev/null || true

python3 "$root/tests/support/http_server.py" --root "$work" --port-file "$work/port" >/dev/null &
server=$!
for _ in $(seq 100); do [ -s "$work/port" ] && break; sleep 0.05; done
url="http://127.0.0.1:$(cat "$work/port")/gen/$size.bin"

best() { python3 -c "import sys; print(min(map(float, sys.argv[1:])))" "$@"; }
# Alternating runs, so that the load of a shared machine falls on both alike.
curl_times=()
ours_times=()
for _ in $(seq $runs); do
  rm -f "$work/curl.bin"
  curl_times+=("$(curl -sS -o "$work/curl.bin" -w '%{time_total}' "$url")")
  rm -f "$work/ours.bin"
  line=$(wine "$exe" "$url" "Z:$work/ours.bin" </dev/null 2>/dev/null | tr -d '\r')
  case "$line" in *result=0*) ;; *) echo "download bench: failed: $line" >&2; exit 1 ;; esac
  ours_times+=("$(sed 's/.*seconds=\([0-9.]*\).*/\1/' <<<"$line")")
done
cmp -s "$work/curl.bin" "$work/ours.bin" || { echo "download bench: files differ" >&2; exit 1; }

python3 - "$size" "$(best "${curl_times[@]}")" "$(best "${ours_times[@]}")" "$runs" <<'PY'
import sys
size, curl, ours, runs = int(sys.argv[1]), float(sys.argv[2]), float(sys.argv[3]), int(sys.argv[4])
mb = size / 1e6
print("file: %.0f MB from a loopback server (best of %d runs each)" % (mb, runs))
print("curl, native:           %7.1f MB/s  (%.3f s)" % (mb / curl, curl))
print("Ferrow under Wine:      %7.1f MB/s  (%.3f s, GetFile)" % (mb / ours, ours))
print("ratio Ferrow/curl: %.2f; goal >= 0.9" % (curl / ours))
PY
