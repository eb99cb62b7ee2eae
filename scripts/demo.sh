#!/usr/bin/env bash
# The demo: builds the Windows programs and runs them under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
scripts/setup.sh
cmake --preset win32 >/dev/null
cmake --build --preset win32 -j "$(nproc)"

. scripts/xvfb.sh
# On the user's own display the update demo leaves its message boxes to the user for a while.
user_display=${DISPLAY:+--user-display}
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

echo
echo "The updater end to end: update.exe with the stand-in chat client and signed sample packages"
echo "served on 127.0.0.1, once with the expected version and once with a wrong one:"
tests/update/demo/update_demo.sh build/win32 $user_display

echo
echo "QuillonFlash playing a movie on the test Flash control (our stand-in for Flash.ocx); it closes"
echo "by itself after 11 seconds:"
demo="$root/build/win32/demo/quillonflash"
rm -rf "$demo" && mkdir -p "$demo/动画"
cp build/win32/bin/QuillonFlash.exe build/win32/tests/Flash.ocx "$demo/"
cp standins/flashctl/demo.qmv "$demo/动画/新年 快乐.qmv"
(sleep 4 && import -window root "$demo/screen.png") &
shot=$!
rc=0
cmake/wine-run "$demo/QuillonFlash.exe" "Z:${demo//\//\\}\\动画\\新年 快乐.qmv" || rc=$?
wait "$shot" || true
echo "  exit code $rc; screenshot at 4 s: $demo/screen.png"
echo "  the control's record: $(grep -c '^draw ' "$demo/flashctl.log") draws, then: $(tail -n 1 "$demo/flashctl.log")"
