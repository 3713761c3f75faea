#!/usr/bin/env bash
# Makes the candidate files the end-to-end benchmarks run on, from this
# repository alone, with quorvel-newdat, and prints the folder that holds them:
#
#   std11.dat     k*2^n+1, the 11 k of the standard set, 1,000,000 <= n <= 20,000,000
#   riesel50.dat  k*2^n-1, 50 k from 2293 to 494743, 300,000 <= n <= 3,000,000
#
# Both keep the n whose number has no prime factor up to 10^9, so that quorvel
# sieves them from p = 10^9 on. quorvel-newdat sieves the primes up to 10^6
# itself and runs quorvel's search from there to 10^9, on every processor
# (QUORVEL_THREADS, default nproc); that takes a few processor minutes a
# file, so each file is made once into a cache folder and reused while the
# arguments it was made with stay the same (they are kept beside it in
# <name>.args); a file is written under a temporary name and moved into place
# when complete, so an interrupted run leaves no half-made file behind.
#
#   bench/workloads.sh [quorvel-newdat binary]
#
# Defaults: build/quorvel-newdat; the cache folder is bench/.cache (git
# ignores it), or $QUORVEL_WORKLOADS. The time each generation took is
# appended to <folder>/generation.log.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
newdat="${1:-$here/../build/quorvel-newdat}"
cache="${QUORVEL_WORKLOADS:-$here/.cache}"
[ -x "$newdat" ] || { echo "no quorvel-newdat binary at $newdat (build first)" >&2; exit 1; }
newdat="$(cd "$(dirname "$newdat")" && pwd)/$(basename "$newdat")"
mkdir -p "$cache"
cache="$(cd "$cache" && pwd)"
threads="${QUORVEL_THREADS:-$(nproc 2>/dev/null || echo 1)}"

bound=1000000000
std11_k=4847,10223,19249,21181,22699,24737,27653,28433,33661,55459,67607
riesel50_k=2293,9221,23669,31859,38473,46663,67117,74699,81041,93839,97139,107347,121889,\
129007,143047,146561,161669,192971,206039,206231,215443,226153,234343,245561,250027,273809,\
315929,319511,324011,325123,327671,336839,342847,344759,362609,363343,364903,365159,368411,\
371893,384539,386801,397027,409753,444637,470173,474491,477583,485557,494743

# make_workload <name> <newdat arguments...>: <name>.dat in the cache, unless it is
# there already, made with the same arguments.
make_workload() {
  local name="$1"
  shift
  local file="$cache/$name.dat" args="$*"
  if [ -f "$file" ] && [ "$(cat "$cache/$name.args" 2>/dev/null)" = "$args" ]; then return; fi
  echo "making $file (quorvel-newdat $args), this takes a while..." >&2
  rm -f "$file" "$cache/$name.args"
  local TIMEFORMAT='%R %U %S' t
  t=$({ time "$newdat" "$@" -t "$threads" -o "$file.part" > "$cache/$name.log" 2>&1; } 2>&1) ||
    { echo "quorvel-newdat failed:" >&2; tail -3 "$cache/$name.log" >&2; exit 1; }
  mv "$file.part" "$file"
  echo "$args" > "$cache/$name.args"
  read -r real user sys <<< "$t"
  printf '%s %s: %.0f s wall, %.0f s processor, %s threads (%s)\n' "$(date -u +%F)" "$name" \
    "$real" "$(awk -v u="$user" -v s="$sys" 'BEGIN { print u + s }')" "$threads" \
    "$(sed -n 's/^model name[^:]*: //p' /proc/cpuinfo 2>/dev/null | head -1)" \
    >> "$cache/generation.log"
}

make_workload std11 -proth -k "$std11_k" -b "$bound" 1000000 20000000
make_workload riesel50 -riesel -k "$riesel50_k" -b "$bound" 300000 3000000
echo "$cache"
