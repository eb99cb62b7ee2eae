#!/usr/bin/env bash
# Runs bench_tessec of one build tree once per CPU profile, with tessec (TESSEC_CPU) and OpenSSL
# (OPENSSL_ia32cap) limited to the same extensions, and prints each profile's summary and then
# one table of the ratios tessec / reference. A ratio below the goal is marked with '<': 0.9
# with extensions, 1.0 for integer code only (no goal for the rows of the twister, hex and the
# 32-byte-block cipher, which has no counterpart in OpenSSL).
#   run_profiles.sh <build dir> [profile...]   profiles: native noshani sse2 none (default: all)
# Each profile runs in BENCH_PROCESSES processes (default 3), three rounds each, and every side
# of every row takes its best round over all of them: where a process lands in memory (its stack
# page, say) can slow one code path for that process's whole life, here up to twice, so one
# process is not enough. Extra benchmark arguments can be passed in BENCH_ARGS (say
# --benchmark_repetitions=5 for five rounds a process).
set -uo pipefail
build=${1:?build dir}
shift
profiles=("$@")
bench=$build/bin/bench_tessec
[ -x "$bench" ] || { echo "run_profiles: $bench not built" >&2; exit 1; }

# shellcheck source=bench/tessec/profiles.sh
. "$(dirname "$0")/profiles.sh"
[ ${#profiles[@]} -gt 0 ] || profiles=("${profile_names[@]}")

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
for p in "${profiles[@]}"; do
  profile_args "$p" || exit 1
  printf '\n---- %s, profile %s (%s)\n' "$build" "$p" "$(profile_env "$p")"
  for ((i = 1; i <= ${BENCH_PROCESSES:-3}; ++i)); do
    # shellcheck disable=SC2086
    env "${env_args[@]}" "$bench" --benchmark_repetitions=3 ${BENCH_ARGS:-} 2>/dev/null \
      >"$tmp/$p.$i.out"
  done
  sed -n '1,2p' "$tmp/$p.1.out"
  # The best figure of each side over all processes, and the ratio of the two.
  awk '/^work \(MB\/s\)/ {on = 1; next}
       on && NF == 4 {
         if (!($1 in ours)) order[++n] = $1
         if ($2 > ours[$1]) ours[$1] = $2
         if ($3 > theirs[$1]) theirs[$1] = $3
       }
       /^\(ratio/ {on = 0}
       END {
         printf "\n%-30s %12s %12s %9s\n", "work (MB/s)", "tessec", "reference", "ratio"
         for (i = 1; i <= n; ++i) {
           w = order[i]
           printf "%-30s %12d %12d %9.2f\n", w, ours[w], theirs[w], theirs[w] ? ours[w] / theirs[w] : 0
         }
         print "(ratio: tessec / reference: OpenSSL, or std::mt19937 for the mt19937 rows)"
       }' "$tmp/$p".*.out | tee "$tmp/$p.out"
  awk '/^work \(MB\/s\)/ {on = 1; next} on && NF == 4 {print $1, $4}' "$tmp/$p.out" >"$tmp/$p.ratio"
done

printf '\n==== %s: ratio tessec / reference per profile (< below the goal)\n' "$build"
printf '%-28s' work
for p in "${profiles[@]}"; do printf ' %9s' "$p"; done
printf '\n'
awk -v profiles="${profiles[*]}" -v dir="$tmp" '
  BEGIN {
    n = split(profiles, ps, " ")
    for (i = 1; i <= n; ++i) {
      file = dir "/" ps[i] ".ratio"
      while ((getline line < file) > 0) {
        split(line, f, " ")
        ratio[f[1], i] = f[2]
        if (!(f[1] in seen)) { seen[f[1]] = 1; order[++count] = f[1] }
      }
    }
    for (w = 1; w <= count; ++w) {
      work = order[w]
      printf "%-28s", work
      for (i = 1; i <= n; ++i) {
        r = ratio[work, i]
        goal = (ps[i] == "none") ? 1.0 : 0.9
        mark = (r != "" && work !~ /^(mt19937|hex|rijndael256)/ && r + 0 < goal) ? "<" : " "
        printf " %8s%s", (r == "" ? "-" : r), mark
      }
      printf "\n"
    }
  }'
