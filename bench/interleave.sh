#!/usr/bin/env bash
# Interleaved timing of several quorvel binaries on one workload: each round
# runs every binary once (the order rotating from round to round) in a fresh
# scratch directory, and the table gives each binary's median processor time
# (user + system) and peak resident memory, and the median over the rounds
# of its time divided by the first binary's.
#
#   bench/interleave.sh ROUNDS SETUP ARGS BINARY...
#
# SETUP is a shell snippet run in each scratch directory (for example
# 'cp ../shared/workloads/std11.dat Zel.dat', with the workloads path given
# absolute), ARGS the quorvel arguments; a BINARY given as "path|arguments"
# runs with its own arguments instead. Examples: two binaries at 2^52, and
# one binary over three ranges:
#   bench/interleave.sh 5 "cp $PWD/../shared/workloads/std11.dat Zel.dat" \
#     "-p 2 4503599627370496 4503599647370496" build/quorvel /work/base/build/quorvel
#   bench/interleave.sh 5 "cp $PWD/../shared/workloads/std11.dat Zel.dat" "" \
#     "build/quorvel|-p 2 1000000000000000 1000000020000000" \
#     "build/quorvel|-p 2 4503599627370496 4503599647370496"
set -euo pipefail
rounds="$1"
setup="$2"
args="$3"
shift 3
bins=()
own_args=()
for b in "$@"; do
  path="${b%%|*}"
  bins+=("$(cd "$(dirname "$path")" && pwd)/$(basename "$path")")
  if [[ "$b" == *"|"* ]]; then own_args+=("${b#*|}"); else own_args+=("$args"); fi
done
n=${#bins[@]}
results="$(mktemp)"
for ((r = 0; r < rounds; r++)); do
  for ((j = 0; j < n; j++)); do
    i=$(((j + r) % n))
    dir="$(mktemp -d)"
    (cd "$dir" && eval "$setup")
    # shellcheck disable=SC2086
    (cd "$dir" && /usr/bin/time -f "%U %S %M" -o time.txt "${bins[$i]}" ${own_args[$i]} > run.log 2>&1) ||
      { echo "run failed: ${bins[$i]} ${own_args[$i]}" >&2; tail -3 "$dir/run.log" >&2; exit 1; }
    awk -v r="$r" -v i="$i" '{ printf "%d %d %.2f %d\n", r, i, $1 + $2, $3 }' "$dir/time.txt" >> "$results"
    rm -rf "$dir"
  done
done
awk -v n="$n" -v rounds="$rounds" '
  function median(a, m,   k, t, s) {
    for (k = 1; k <= m; k++) s[k] = a[k]
    for (k = 2; k <= m; k++) { t = s[k]; j = k - 1; while (j > 0 && s[j] > t) { s[j + 1] = s[j]; j-- } s[j + 1] = t }
    return (m % 2) ? s[(m + 1) / 2] : (s[m / 2] + s[m / 2 + 1]) / 2
  }
  { t[$1, $2] = $3; mem[$1, $2] = $4 }
  END {
    for (i = 0; i < n; i++) {
      delete a; delete q; delete mm
      for (r = 0; r < rounds; r++) { a[r + 1] = t[r, i]; q[r + 1] = t[r, i] / t[r, 0]; mm[r + 1] = mem[r, i] }
      printf "binary %d: median %.2f s, peak %.0f MiB, time / binary 0 per round: median %.3f (", i, median(a, rounds), median(mm, rounds) / 1024, median(q, rounds)
      for (r = 0; r < rounds; r++) printf "%s%.2f", (r ? " " : ""), t[r, i]
      printf " s)\n"
    }
  }' "$results"
rm -f "$results"
