#!/usr/bin/env bash
# Runs CTest over a win32 build tree under Wine: a display (Xvfb when none is set), the
# tree's own prefix, one persistent wineserver for the run; stops what it started.
#   scripts/wine-ctest.sh <build-dir> [ctest arguments...]
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "$1" && pwd) || exit 2
shift
. "$here/xvfb.sh"

quenda_ensure_display || exit 1
prefix="$build/wineprefix"
"$here/../cmake/wine-prefix" "$prefix" || exit 1
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEARCH=win32
wineserver -p
# Start Wine's services now, detached from anything CTest reads.
wine cmd /c exit >/dev/null 2>&1 </dev/null || true

ctest --test-dir "$build" --output-on-failure --no-tests=error "$@"
rc=$?

wineserver -k 2>/dev/null || true
quenda_stop_display
exit $rc
