#!/usr/bin/env bash
# End-to-end throughput of quorvel on fixed workloads: each workload runs
# RUNS times (default 3) in a fresh scratch directory, and the table gives the
# median processor time (user + system, whole process) and the p range covered
# per processor second, in thousands (kp/s), then the median wall-clock time
# and the p range covered per wall-clock second.
#
#   bench/run.sh [quorvel binary] [workloads directory]
#
# Defaults: build/quorvel and ../shared/workloads beside the repository.
# RUNS=5 bench/run.sh runs each workload five times; ONLY=std11 runs only the
# workloads whose name contains that text; THREADS=2 runs every workload on
# two threads (-t 2).
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
bin="${1:-$here/../build/quorvel}"
bin="$(cd "$(dirname "$bin")" && pwd)/$(basename "$bin")"
workloads="$(cd "${2:-$here/../../shared/workloads}" && pwd)"
runs="${RUNS:-3}"
only="${ONLY:-}"
threads="${THREADS:-1}"
[ -x "$bin" ] || { echo "no quorvel binary at $bin (build first)"; exit 1; }

# name | p range | set-up (a shell snippet run in the scratch dir) | arguments
workload_list() {
  cat <<LIST
std11 1e12|100000000|cp "$workloads/std11.dat" Zel.dat|-p 2 1000000000000 1000100000000
std11 1e15|100000000|cp "$workloads/std11.dat" Zel.dat|-p 2 1000000000000000 1000000100000000
riesel50 1e12|50000000|cp "$workloads/riesel50.dat" riesel.dat|-p 2 1000000000000 1000050000000
k-range twin|1000000000|true|-p 2 -krangetwin 1 2000001 100000 100000 twin.txt 1000000000000 1001000000000
k-range|100000000|true|-p 2 -krange 1 100001 1000 1099 plus.txt minus.txt 1000000000000 1000100000000
near-Mersenne|10000000|true|-p 2 -nearmersenne 1000 2000 abc.txt 1000000000000 1000010000000
LIST
}

seconds() {  # runs quorvel with the given arguments, prints "user+sys wall" seconds
  local TIMEFORMAT='%U %S %R'
  { time "$bin" -t "$threads" "$@" > run.log 2>&1; } 2> time.txt ||
    { echo "quorvel failed: $*" >&2; tail -3 run.log >&2; exit 1; }
  awk '{ printf "%.2f %.2f", $1 + $2, $3 }' time.txt
}

median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

printf "%-16s %12s %10s %10s %10s %10s\n" "workload" "p range" "CPU s" "kp/s" "wall s" "wall kp/s"
while IFS='|' read -r name span setup args; do
  [ -z "$only" ] || [[ "$name" == *"$only"* ]] || continue
  cpu=()
  wall=()
  for ((r = 0; r < runs; r++)); do
    dir="$(mktemp -d)"
    (cd "$dir" && eval "$setup")
    # shellcheck disable=SC2086
    t="$(cd "$dir" && seconds $args)"
    cpu+=("${t% *}")
    wall+=("${t#* }")
    rm -rf "$dir"
  done
  cpu_median=$(printf "%s\n" "${cpu[@]}" | median)
  wall_median=$(printf "%s\n" "${wall[@]}" | median)
  rate=$(awk -v s="$span" -v t="$cpu_median" 'BEGIN { printf "%d", (t > 0 ? s / t / 1000 : 0) }')
  wall_rate=$(awk -v s="$span" -v t="$wall_median" 'BEGIN { printf "%d", (t > 0 ? s / t / 1000 : 0) }')
  printf "%-16s %12s %10s %10s %10s %10s\n" "$name" "$span" "$cpu_median" "$rate" "$wall_median" "$wall_rate"
done < <(workload_list)
