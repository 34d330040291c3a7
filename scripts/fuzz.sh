#!/usr/bin/env bash
# Fuzzes every parser for SECONDS each (default 60): builds the fuzz targets
# with clang, libFuzzer and the sanitizers into build-fuzz/, then runs each
# over a working copy of its seed corpus. What a target finds is saved in
# build-fuzz/findings/<target>/; add a finding to tests/fuzz/corpus/<target>/
# once it is fixed, so the test run replays it from then on.
#   scripts/fuzz.sh [SECONDS] [TARGET...]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${OSTRAND_FUZZ_BUILD_DIR:-$root/build-fuzz}"
seconds="${1:-60}"
shift || true

"$root/scripts/setup.sh" --fuzz
CXX=clang++ CC=clang cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DOSTRAND_FUZZ=ON -DBUILD_TESTING=ON >/dev/null
cmake --build "$build" --target fuzz_targets --parallel "$(nproc)"

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for corpus in "$root"/tests/fuzz/corpus/*/; do
    targets+=("$(basename "$corpus")")
  done
fi

status=0
for target in "${targets[@]}"; do
  work="$build/corpus/$target"
  findings="$build/findings/$target"
  mkdir -p "$work" "$findings"
  cp -n "$root/tests/fuzz/corpus/$target/"* "$work/" 2>/dev/null || true
  echo "== $target: ${seconds}s"
  if ! "$build/bin/fuzz_$target" -max_total_time="$seconds" -print_final_stats=1 \
      -artifact_prefix="$findings/" "$work" 2>"$build/fuzz_$target.log"; then
    status=1
  fi
  grep -E "^stat::number_of_executed_units|^stat::average_exec_per_sec|cov:" "$build/fuzz_$target.log" | tail -3
  ls "$findings" | sed 's/^/  finding: /'
done
exit $status
