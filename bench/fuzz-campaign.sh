#!/usr/bin/env bash
# A long fuzzing run: RUNS executions per target (default 10 million), then
# a table of executions, executions per processor second, coverage and
# findings (files in build-fuzz/findings/<target>/) per target. Builds what
# scripts/fuzz.sh builds.
#   bench/fuzz-campaign.sh [RUNS] [TARGET...]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
runs="${1:-10000000}"
shift || true

OSTRAND_FUZZ_SOURCED=1 source "$root/scripts/fuzz.sh" 0 "$@"
printf '%-16s %12s %10s %6s %9s\n' target executions exec/s cov findings
for target in "${targets[@]}"; do
  fuzz_target "$target" -runs="$runs" || true
done
