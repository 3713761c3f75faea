#!/usr/bin/env bash
# Runs quorvel on the bundled example in a scratch directory.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
bin="${QUORVEL:-$here/../build/quorvel}"
work="$(mktemp -d)"
cd "$work"
"$bin"
echo "(work directory: $work)"
