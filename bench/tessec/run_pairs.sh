#!/usr/bin/env bash
# Runs digest_pairs of one build tree once per CPU profile: tessec's digests and OpenSSL's in
# turns, the fastest turn of each (see digest_pairs.cpp). For the cells where the two are close.
#   run_pairs.sh <build dir> [profile...]   profiles: native noshani sse2 none (default: all)
# The number of turns can be passed in TURNS (default 5000).
set -uo pipefail
build=${1:?build dir}
shift
profiles=("$@")
pairs=$build/bin/digest_pairs
[ -x "$pairs" ] || { echo "run_pairs: $pairs not built" >&2; exit 1; }

# shellcheck source=bench/tessec/profiles.sh
. "$(dirname "$0")/profiles.sh"
[ ${#profiles[@]} -gt 0 ] || profiles=("${profile_names[@]}")

for p in "${profiles[@]}"; do
  profile_args "$p" || exit 1
  printf '\n---- %s, profile %s\n' "$build" "$p"
  env "${env_args[@]}" "$pairs" "${TURNS:-5000}"
done
