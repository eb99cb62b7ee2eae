#!/usr/bin/env bash
# Builds the optimised benchmark preset (and the Windows programs that some benchmarks run
# under Wine) and runs every benchmark, printing each one's comparison with its reference.
#   scripts/bench.sh [name-regex]   runs only the benchmarks whose name matches
set -uo pipefail
cd "$(dirname "$0")/.."
filter=${1:-.}
jobs=$(nproc 2>/dev/null || echo 2)

scripts/setup.sh || exit 1
{ cmake --preset bench >/dev/null && cmake --build --preset bench -j "$jobs"; } || exit 1

run() {  # run <name> <command...>
  local name=$1; shift
  [[ "$name" =~ $filter ]] || return 0
  printf '\n==== benchmark: %s\n' "$name"
  "$@"
}

run cmdline build/bench/bin/bench_cmdline
# Component benchmarks are added below, one `run` line each.
run zip build/bench/bin/bench_zip
run zip-extract bench/zip/run_extract_bench.sh build/win32
run xml build/bench/bin/bench_xml
run download bench/update/run_download_bench.sh build/win32
run update bench/update/run_update_bench.sh build/win32
# tessec beside OpenSSL, both limited alike, per CPU profile: the x86-64 build and the 32-bit
# build (gcc -m32, as the DLL ships), then the real DLL under Wine beside the 32-bit build.
run tessec bench/tessec/run_profiles.sh build/bench
if [[ tessec-i686 =~ $filter || tessec-i686-digest-pairs =~ $filter ]]; then
  { cmake --preset bench-i686 >/dev/null && cmake --build --preset bench-i686 -j "$jobs"; } || exit 1
fi
run tessec-i686 bench/tessec/run_profiles.sh build/bench-i686
# The digests once more, tessec and OpenSSL in turns (for the cells where the two are close).
run tessec-digest-pairs bench/tessec/run_pairs.sh build/bench
run tessec-i686-digest-pairs bench/tessec/run_pairs.sh build/bench-i686
run tessec-dll bench/tessec/run_dll_bench.sh build/win32 build/bench-i686
