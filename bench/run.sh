#!/usr/bin/env bash
# End-to-end throughput of quorvel on fixed workloads: each workload runs
# RUNS times (default 3) in a fresh scratch directory, and the table gives the
# median processor time (user + system, whole process), its spread (lowest and
# highest run) and the p range covered per processor second, in thousands
# (kp/s), then the median wall-clock time and the p range per wall-clock
# second, under a header naming the processor, the commit, the date and the
# command, ready to paste into bench/RESULTS.md.
#
#   bench/run.sh [quorvel binary] [workloads directory]
#
# Defaults: build/quorvel, and the candidate files that bench/workloads.sh
# makes from this repository with the quorvel-newdat beside the binary (the
# first run generates them into bench/.cache, which takes a while; later runs
# reuse them). A workloads directory given as the second argument must hold
# std11.dat and riesel50.dat. RUNS=5 runs each workload five times; ONLY=std11
# runs only the workloads whose name contains that text; THREADS=2 runs every
# workload on two threads (-t 2).
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
bin="${1:-$here/../build/quorvel}"
[ -x "$bin" ] || { echo "no quorvel binary at $bin (build first)"; exit 1; }
bin="$(cd "$(dirname "$bin")" && pwd)/$(basename "$bin")"
runs="${RUNS:-3}"
only="${ONLY:-}"
threads="${THREADS:-1}"

# name | p range | candidate file (copied to the given name) | arguments
workload_list() {
  cat <<LIST
std11 1e12|100000000|std11.dat Zel.dat|-p 2 1000000000000 1000100000000
std11 1e15|100000000|std11.dat Zel.dat|-p 2 1000000000000000 1000000100000000
riesel50 1e12|50000000|riesel50.dat riesel.dat|-p 2 1000000000000 1000050000000
k-range twin|1000000000||-p 2 -krangetwin 1 2000001 100000 100000 twin.txt 1000000000000 1001000000000
k-range|100000000||-p 2 -krange 1 100001 1000 1099 plus.txt minus.txt 1000000000000 1000100000000
near-Mersenne|10000000||-p 2 -nearmersenne 1000 2000 abc.txt 1000000000000 1000010000000
LIST
}

# The candidate files are needed only when a selected workload reads one.
workloads=""
if workload_list | awk -F'|' -v only="$only" '$3 != "" && index($1, only) { f = 1 } END { exit !f }'
then
  if [ $# -ge 2 ]; then
    workloads="$(cd "$2" && pwd)"
  else
    workloads="$("$here/workloads.sh" "$(dirname "$bin")/quorvel-newdat")"
  fi
fi

seconds() {  # runs quorvel with the given arguments, prints "user+sys wall" seconds
  local TIMEFORMAT='%U %S %R'
  { time "$bin" -t "$threads" "$@" > run.log 2>&1; } 2> time.txt ||
    { echo "quorvel failed: $*" >&2; tail -3 run.log >&2; exit 1; }
  awk '{ printf "%.2f %.2f", $1 + $2, $3 }' time.txt
}

commit="$(git -C "$here" describe --always --dirty 2>/dev/null || echo unknown)"
cpu="$(sed -n 's/^model name[^:]*: //p' /proc/cpuinfo 2>/dev/null | head -1)"
echo "processor: ${cpu:-unknown} ($(nproc) cores)"
echo "commit:    $commit"
echo "date:      $(date -u +%F)"
echo "command:   RUNS=$runs${only:+ ONLY=$only}${THREADS:+ THREADS=$threads} bench/run.sh${1:+ $1}${2:+ $2}"
[ -z "$workloads" ] || echo "workloads: $workloads"
echo
echo "| workload      | p range    | CPU s median | lowest-highest | kp/s (median) | wall s median | wall kp/s |"
echo "|---------------|------------|--------------|----------------|---------------|---------------|-----------|"
while IFS='|' read -r name span file args; do
  [ -z "$only" ] || [[ "$name" == *"$only"* ]] || continue
  times=()
  walls=()
  for ((r = 0; r < runs; r++)); do
    dir="$(mktemp -d)"
    if [ -n "$file" ]; then
      read -r from to <<< "$file"
      cp "$workloads/$from" "$dir/$to"
    fi
    # shellcheck disable=SC2086
    t="$(cd "$dir" && seconds $args)"
    times+=("${t% *}")
    walls+=("${t#* }")
    rm -rf "$dir"
  done
  sorted=$(printf "%s\n" "${times[@]}" | sort -n)
  median=$(awk '{a[NR]=$1} END {print (NR % 2 ? a[(NR+1)/2] : (a[NR/2] + a[NR/2+1]) / 2)}' <<< "$sorted")
  spread="$(head -1 <<< "$sorted")-$(tail -1 <<< "$sorted")"
  rate=$(awk -v s="$span" -v t="$median" 'BEGIN { printf "%d", (t > 0 ? s / t / 1000 : 0) }')
  wall=$(printf "%s\n" "${walls[@]}" | sort -n |
    awk '{a[NR]=$1} END {print (NR % 2 ? a[(NR+1)/2] : (a[NR/2] + a[NR/2+1]) / 2)}')
  wall_rate=$(awk -v s="$span" -v t="$wall" 'BEGIN { printf "%d", (t > 0 ? s / t / 1000 : 0) }')
  printf "| %-13s | %10s | %12s | %14s | %13s | %13s | %9s |\n" "$name" "$span" "$median" "$spread" \
    "$rate" "$wall" "$wall_rate"
done < <(workload_list)
