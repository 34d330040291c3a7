#!/usr/bin/env bash
# A long fuzzing run: RUNS executions per target (default 10 million), then
# a table of executions, speed, coverage and findings per target. The build
# is the one scripts/fuzz.sh makes.
#   bench/fuzz-campaign.sh [RUNS]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${OSTRAND_FUZZ_BUILD_DIR:-$root/build-fuzz}"
runs="${1:-10000000}"

"$root/scripts/fuzz.sh" 0 >/dev/null # builds the targets; zero seconds fuzzes nothing

printf '%-16s %12s %10s %8s %9s\n' target executions exec/s cov findings
for corpus in "$root"/tests/fuzz/corpus/*/; do
  target="$(basename "$corpus")"
  work="$build/corpus/$target"
  findings="$build/findings/$target"
  mkdir -p "$work" "$findings"
  cp -n "$corpus"* "$work/" 2>/dev/null || true
  log="$build/campaign_$target.log"
  "$build/bin/fuzz_$target" -runs="$runs" -print_final_stats=1 -artifact_prefix="$findings/" "$work" \
    >"$log" 2>&1 || true
  executed=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
  coverage=$(grep -o 'cov: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)
  printf '%-16s %12s %10s %8s %9s\n' "$target" "${executed:-?}" "${speed:-?}" "${coverage:-?}" \
    "$(find "$findings" -type f | wc -l)"
done
