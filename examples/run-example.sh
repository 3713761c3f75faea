#!/usr/bin/env bash
# The bundled example: a Proth sieve of examples/proth-example.dat (3,740
# candidates k*2^n+1, k = 3..17 odd, 20000 <= n <= 26000, made with
#   quorvel-newdat -k 3,5,7,9,11,13,15,17 -o proth-example.dat 20000 26000)
# over the primes from 10^9 to 1.05*10^9, in a scratch directory. New factors
# appear on the console and in fact.txt; -d leaves out the numbers outside the
# candidate list that the same primes divide. Set QUORVEL to use another
# binary, or pass other arguments to replace the range and switches.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
bin="${QUORVEL:-$here/../build/quorvel}"
work="$(mktemp -d)"
cp "$here/proth-example.dat" "$work/Zel.dat"
cd "$work"
if [ $# -eq 0 ]; then set -- -d 1000000000 1050000000; fi
"$bin" "$@"
echo
echo "Factors found (fact.txt):"
cat fact.txt 2>/dev/null || echo "(none)"
echo "(work directory: $work)"
