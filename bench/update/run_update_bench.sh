#!/usr/bin/env bash
# The end-to-end time of an update with a 50 MB package (from the start of the download to the
# restart of the client) beside the time of the download alone and of the extraction alone,
# all under 32-bit Wine from a loopback server, best of 5 runs each. Goal: the whole costs at
# most 1.2x the two.
#   bench/update/run_update_bench.sh [win32-build-dir]   (default: build/win32)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(realpath -m "${1:-$root/build/win32}")
runs=${QUENDA_BENCH_RUNS:-5}

if [ ! -f "$build/CMakeCache.txt" ]; then
  (cd "$root" && cmake --preset win32 -B "$build" >/dev/null)
fi
cmake --build "$build" --target update_bench >/dev/null

work=$(mktemp -d "${TMPDIR:-/tmp}/update-bench.XXXXXX")
. "$root/scripts/xvfb.sh"
quenda_ensure_display
prefix="$build/wineprefix"
"$root/cmake/wine-prefix" "$prefix"
export WINEPREFIX="$prefix" WINEARCH=win32 WINEDEBUG=-all LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8
wineserver -p
server=
cleanup() {
  [ -n "$server" ] && kill "$server" 2>/dev/null
  wineserver -k 2>/dev/null || true
  quenda_stop_display
  rm -rf "$work"
}
trap cleanup EXIT
wine cmd /c exit >/dev/null 2>&1 </dev/null || true

# The package: 40 MB that deflate can't shrink and 40 MB of text that it can, the version
# file and a new client build; about 50 MB as a ZIP archive.
mkdir -p "$work/src/data" "$work/www"
python3 - "$work/src/data" <<'PY'
import os, random, sys
out = sys.argv[1]
rng = random.Random(7)
for i in range(20):
    with open(os.path.join(out, "media%02d.bin" % i), "wb") as f:
        f.write(os.urandom(2000000))
words = ["quenda", "update", "client", "message", "friend", "group", "voice", "emoji", "file"]
for i in range(20):
    with open(os.path.join(out, "text%02d.txt" % i), "w") as f:
        n = 0
        while n < 2000000:
            line = " ".join(rng.choice(words) for _ in range(12)) + " %d\n" % rng.randrange(10**9)
            f.write(line)
            n += len(line)
PY
printf '<config><version>2.0.1</version></config>' >"$work/src/lastver.xml"
cp "$build/bench/update_bench_client.exe" "$work/src/QuendaClient.exe"
(cd "$work/src" && zip -q -r "$work/www/update.zip" .)
package_mb=$(python3 -c "import os; print('%.1f' % (os.path.getsize('$work/www/update.zip') / 1e6))")

python3 "$root/tests/support/http_server.py" --root "$work/www" --port-file "$work/port" >/dev/null &
server=$!
for _ in $(seq 100); do [ -s "$work/port" ] && break; sleep 0.05; done
url="http://127.0.0.1:$(cat "$work/port")/update.zip"

line=$(wine "$build/bench/update_bench.exe" "Z:$build/bin" "Z:$build/bench/update_bench_client.exe" \
  "$url" "Z:$work" "$runs" </dev/null | tr -d '\r')
case "$line" in download=*) ;; *) echo "update bench: failed" >&2; exit 1 ;; esac

python3 - "$line" "$package_mb" "$runs" <<'PY'
import sys
values = dict(kv.split("=") for kv in sys.argv[1].split())
d, e, u = float(values["download"]), float(values["extract"]), float(values["update"])
print("package: %s MB (best of %s runs each)" % (sys.argv[2], sys.argv[3]))
print("download alone (Ferrow):          %.3f s" % d)
print("extraction alone (archive layer): %.3f s" % e)
print("update, download to restart:      %.3f s" % u)
print("ratio update/(download+extraction): %.2f; goal <= 1.2" % (u / (d + e)))
PY
