#!/usr/bin/env bash
# The end-to-end time of an update with packages of 50 MB and 200 MB (from the start of the
# download to the restart of the client) beside the time of the download alone and of the
# extraction alone, and the client's downtime (from the old client gone to the new one
# started), all under 32-bit Wine from a loopback server, best of 5 runs each. Goals: the
# whole costs at most 1.2x the two; the downtime stays under 0.1 s whatever the size.
#   bench/update/run_update_bench.sh [win32-build-dir]   (default: build/win32)
#   QUENDA_BENCH_RUNS (default 5) and QUENDA_BENCH_SIZES (default "50mb 200mb") narrow it.
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

# The packages: the same 42 files at two sizes. Half of the data deflate can't shrink, half
# is text that it can; the version file and a new client build.
make_package() {  # make_package <name> <bytes per file>
  local src="$work/src-$1"
  mkdir -p "$src/data" "$work/www/$1"
  python3 - "$src/data" "$2" <<'PY'
import os, random, sys
out, size = sys.argv[1], int(sys.argv[2])
rng = random.Random(7)
for i in range(20):
    with open(os.path.join(out, "media%02d.bin" % i), "wb") as f:
        f.write(os.urandom(size))
words = ["quenda", "update", "client", "message", "friend", "group", "voice", "emoji", "file"]
for i in range(20):
    with open(os.path.join(out, "text%02d.txt" % i), "w") as f:
        n = 0
        while n < size:
            line = " ".join(rng.choice(words) for _ in range(12)) + " %d\n" % rng.randrange(10**9)
            f.write(line)
            n += len(line)
PY
  printf '<config><version>2.0.1</version></config>' >"$src/lastver.xml"
  cp "$build/bench/update_bench_client.exe" "$src/QuendaClient.exe"
  (cd "$src" && zip -q -r "$work/www/$1/update.zip" .)
}
make_package 50mb 2000000
make_package 200mb 8400000

python3 "$root/tests/support/http_server.py" --root "$work/www" --port-file "$work/port" >/dev/null &
server=$!
for _ in $(seq 100); do [ -s "$work/port" ] && break; sleep 0.05; done

# Each phase in a process of its own, with the system's cache written back between them.
phase() {  # phase alone|update <url> <work folder>
  rm -rf "$3" && mkdir -p "$3" && sync
  wine "$build/bench/update_bench.exe" "$1" "Z:$build/bin" "Z:$build/bench/update_bench_client.exe" \
    "$2" "Z:$3" </dev/null | tr -d '\r'
}

for name in ${QUENDA_BENCH_SIZES:-50mb 200mb}; do
  url="http://127.0.0.1:$(cat "$work/port")/$name/update.zip"
  package_mb=$(python3 -c "import os; print('%.1f' % (os.path.getsize('$work/www/$name/update.zip') / 1e6))")
  lines=""
  for run in $(seq "$runs"); do
    alone=$(phase alone "$url" "$work/run")
    update=$(phase update "$url" "$work/run")
    case "$alone $update" in download=*update=*) ;; *) echo "update bench: failed" >&2; exit 1 ;; esac
    echo "run $run: $alone $update" >&2
    lines="$lines$alone $update"$'\n'
  done
  rm -rf "$work/run"

  python3 - "$package_mb" "$runs" <<PY
import sys
runs = [dict(kv.split("=") for kv in line.split()) for line in """$lines""".strip().splitlines()]
best = {k: min(float(r[k]) for r in runs) for k in ("download", "extract", "update", "downtime")}
d, e, u, t = best["download"], best["extract"], best["update"], best["downtime"]
print("package: %s MB (best of %s runs each)" % (sys.argv[1], sys.argv[2]))
print("download alone (Ferrow):          %.3f s" % d)
print("extraction alone (archive layer): %.3f s" % e)
print("update, download to restart:      %.3f s" % u)
print("ratio update/(download+extraction): %.2f; goal <= 1.2" % (u / (d + e)))
print("client downtime:                  %.3f s; goal < 0.1" % t)
PY
done
