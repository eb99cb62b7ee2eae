#!/usr/bin/env bash
# Makes the archives for the Windows extraction tests with real tools (Info-ZIP zip, Python's
# zipfile), runs the test command (the rest of the arguments), then checks from the Linux
# side what the Windows program extracted.
#   zip_fixtures.sh <work-dir> <test command...>
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
work=$1; shift
rm -rf "$work" && mkdir -p "$work"
python3 "$here/make_fixtures.py" "$work"

# Local times in the archives are read in the updater's zone: a zone away from UTC shows
# that DOS times really are moved to UTC.
export TZ=Asia/Shanghai
export QUENDA_ZIP_FIXTURES="$work"
set +e
"$@"
rc=$?
set -e
python3 "$here/verify_extraction.py" "$work" || rc=1
exit $rc
