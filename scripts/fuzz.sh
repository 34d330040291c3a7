#!/usr/bin/env bash
# Fuzzes every parser for SECONDS each (default 60): builds the fuzz targets
# with clang, libFuzzer and the sanitizers into build-fuzz/, then runs each
# over a working copy of its seed corpus. What a target finds is saved in
# build-fuzz/findings/<target>/; add a finding to tests/fuzz/corpus/<target>/
# once it is fixed, so the test run replays it from then on.
#   scripts/fuzz.sh [SECONDS] [TARGET...]
# Speeds are executions per second of processor time, which a busy machine
# does not distort as it does the fuzzer's own wall-clock figure.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${OSTRAND_FUZZ_BUILD_DIR:-$root/build-fuzz}"
seconds="${1:-60}"
shift || true

launcher=()
if command -v ccache >/dev/null 2>&1; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
"$root/scripts/setup.sh" --fuzz
CXX=clang++ CC=clang cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DOSTRAND_FUZZ=ON "${launcher[@]}" >/dev/null
cmake --build "$build" --target fuzz_targets --parallel "$(nproc)" >/dev/null

# The parsers allocate many small strings: a smaller quarantine than the
# default 256 MB still catches a use after free, and without the allocation
# stack of every string the targets run a third faster. Run a finding again
# as build-fuzz/bin/fuzz_<target> FILE for the full report.
export ASAN_OPTIONS="${ASAN_OPTIONS:-quarantine_size_mb=32:malloc_context_size=0}"

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for corpus in "$root"/tests/fuzz/corpus/*/; do
    targets+=("$(basename "$corpus")")
  done
fi

# The longest input worth making per target. A record or a frame's data
# has a size of its own (a record 120 or 126 bytes, a frame's data at most
# 252), so bytes past it are never read; files and streams are made of
# lines or frames that stand each on its own, and a kilobyte holds dozens
# of them in any mix. Longer inputs would only slow every run down.
max_len() {
  case "$1" in
    record | datarecords) echo 256 ;;
    asciiitemfile | ini | language | modbusconfig | hexrecord | configprotocol | frameassembler) echo 1024 ;;
    *) echo 4096 ;; # libFuzzer's own default
  esac
}

# fuzz_target TARGET LIBFUZZER-OPTION...: one run, then a line of figures:
# target, executions, executions per processor second, coverage, findings.
fuzz_target() {
  local target="$1"
  shift
  set -- -max_len="$(max_len "$target")" "$@"
  local work="$build/corpus/$target" findings="$build/findings/$target" log="$build/fuzz_$target.log"
  mkdir -p "$work" "$findings"
  cp -n "$root/tests/fuzz/corpus/$target/"* "$work/" 2>/dev/null || true
  local before status=0
  before=$(awk '{print $14 + $15 + $16 + $17}' /proc/$$/stat)
  "$build/bin/fuzz_$target" "$@" -print_final_stats=1 -artifact_prefix="$findings/" "$work" >"$log" 2>&1 || status=$?
  local ticks=$(( $(awk '{print $14 + $15 + $16 + $17}' /proc/$$/stat) - before ))
  local executed coverage speed
  executed=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  coverage=$(grep -o 'cov: [0-9]*' "$log" | tail -1 | cut -d' ' -f2 || true)
  speed=$(( ${executed:-0} * $(getconf CLK_TCK) / (ticks > 0 ? ticks : 1) ))
  printf '%-16s %12s %10s %6s %9s\n' "$target" "${executed:-?}" "$speed" "${coverage:-?}" \
    "$(find "$findings" -type f | wc -l)"
  return $status
}

if [ "${OSTRAND_FUZZ_SOURCED:-}" = 1 ]; then
  return 0 # the campaign uses fuzz_target with its own options
fi
printf '%-16s %12s %10s %6s %9s\n' target executions exec/s cov findings
status=0
for target in "${targets[@]}"; do
  fuzz_target "$target" -max_total_time="$seconds" || status=1
done
exit $status
