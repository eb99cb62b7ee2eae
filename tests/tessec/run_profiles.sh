#!/usr/bin/env bash
# Runs the tessec tests of one build tree once per CPU profile (TESSEC_CPU), so that each
# instruction-set path of this build runs through the classes and is checked against the table
# code: native (everything this CPU has), noshani, sse2 and none (integer code only).
#   run_profiles.sh <build dir>
set -uo pipefail
build=${1:?build dir}
status=0
for profile in native noshani sse2 none; do
  case $profile in
    native) cpu=() ;;
    noshani) cpu=(TESSEC_CPU=sse2,ssse3,sse41,aesni,bmi2,avx2) ;;
    sse2) cpu=(TESSEC_CPU=sse2) ;;
    none) cpu=(TESSEC_CPU=none) ;;
  esac
  for test in tessec_path_tests tessec_tests; do
    printf -- '--- %s, profile %s\n' "$test" "$profile"
    if ! env -u TESSEC_CPU "${cpu[@]}" "$build/tests/$test" --gtest_brief=1; then
      echo "FAILED: $test under profile $profile"
      status=1
    fi
  done
done
exit $status
