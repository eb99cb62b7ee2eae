#!/usr/bin/env bash
# The demo: builds the Windows programs and runs them under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
scripts/setup.sh
cmake --preset win32 >/dev/null
cmake --build --preset win32 -j "$(nproc)"

. scripts/xvfb.sh
quenda_ensure_display
trap quenda_stop_display EXIT
export QUENDA_WINEPREFIX="$root/build/win32/wineprefix"

echo
echo "The shared command-line splitter, run in a real Windows process under Wine:"
cmake/wine-run build/win32/tests/cmdline_probe.exe Quenda.exe "Quenda 升级" http://127.0.0.1/update.zip \
  http://127.0.0.1/download 2.0.1 "修复若干问题;提升稳定性" | python3 -c '
import sys
lines = sys.stdin.read().split("\n")
print(lines[0])
for i, l in enumerate(x for x in lines[1:] if x.strip()):
    print("  token %d: %s" % (i, "".join(chr(int(u, 16)) for u in l.split())))
'
