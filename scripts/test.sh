#!/usr/bin/env bash
# Installs what is missing, builds both presets and runs every test: natively (unit tests
# under ASan/UBSan, then the fuzzers for a bounded time) and under 32-bit Wine (Windows unit,
# integration and GUI tests on an Xvfb display). Exits non-zero when anything failed.
set -uo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc 2>/dev/null || echo 2)

scripts/setup.sh || exit 1

step() { printf '\n==== %s\n' "$*"; }
status=0
summary=()

step "configure and build: native (ASan/UBSan, libFuzzer)"
{ cmake --preset native >/dev/null && cmake --build --preset native -j "$jobs"; } || exit 1
step "configure and build: win32 (mingw-w64, i686)"
{ cmake --preset win32 >/dev/null && cmake --build --preset win32 -j "$jobs"; } || exit 1

step "native tests"
ctest --preset native -j "$jobs" --label-exclude fuzz
rc=$?; summary+=("native tests: $([ $rc -eq 0 ] && echo passed || echo FAILED)"); [ $rc -eq 0 ] || status=1

# tessec ships as a 32-bit DLL: its tests also run natively as 32-bit code (gcc -m32, Debian's
# i386 packages), once per TESSEC_CPU profile, so that every instruction-set path of the 32-bit
# build is checked against the table code.
step "tessec tests: native i686 build, each CPU profile"
{ cmake --preset native-i686 >/dev/null &&
  cmake --build --preset native-i686 -j "$jobs" --target tessec_tests tessec_path_tests &&
  tests/tessec/run_profiles.sh build/native-i686; }
rc=$?; summary+=("tessec i686 profiles: $([ $rc -eq 0 ] && echo passed || echo FAILED)"); [ $rc -eq 0 ] || status=1

step "fuzzers (bounded time each)"
ctest --preset native -j "$jobs" --label-regex fuzz
rc=$?; summary+=("fuzzers: $([ $rc -eq 0 ] && echo passed || echo FAILED)"); [ $rc -eq 0 ] || status=1

step "Windows tests under Wine"
scripts/wine-ctest.sh build/win32 -j "$jobs"
rc=$?; summary+=("Windows tests under Wine: $([ $rc -eq 0 ] && echo passed || echo FAILED)")
[ $rc -eq 0 ] || status=1

step "summary"
printf '%s\n' "${summary[@]}"
[ $status -eq 0 ] && echo "ALL TESTS PASSED" || echo "SOME TESTS FAILED"
exit $status
