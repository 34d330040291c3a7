#!/usr/bin/env bash
# The reasons the test command prints after ctest, from a real ctest run of a
# small project: a test ctest skips with and without a "SKIPPED:" line, one
# that prints nothing, a GoogleTest program that skips one case and passes,
# and one that fails.
set -uo pipefail
skipreasons=$1

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cat >"$work/CMakeLists.txt" <<'CMAKE'
cmake_minimum_required(VERSION 3.25)
project(skips NONE)
enable_testing()
add_test(NAME with_reason COMMAND sh -c "echo starting; echo 'SKIPPED: network namespaces need root'; exit 77")
add_test(NAME last_line COMMAND sh -c "echo 'no serial port & no <pty>'; exit 77")
add_test(NAME silent COMMAND sh -c "exit 77")
set_tests_properties(with_reason last_line silent PROPERTIES SKIP_RETURN_CODE 77)
add_test(NAME cases COMMAND sh -c "printf '%s\n' '[ RUN      ] Echo.Raw' '/src/x.cpp:12: Skipped' 'raw sockets need root' '' '[  SKIPPED ] Echo.Raw (0 ms)' '[ RUN      ] Echo.Plain' '[       OK ] Echo.Plain (1 ms)'")
add_test(NAME failing COMMAND sh -c "echo 'SKIPPED: not really'; exit 1")
CMAKE

cmake -S "$work" -B "$work/build" >/dev/null || { echo "FAIL: cmake could not configure the sample"; exit 1; }
(cd "$work/build" && ctest --output-junit "$work/results.xml" >/dev/null 2>&1)
out=$("$skipreasons" "$work/results.xml")

expected="Skipped, and why:
  with_reason: network namespaces need root
  last_line: no serial port & no <pty>
  silent: SKIP_RETURN_CODE=77
  cases Echo.Raw: raw sockets need root"
if [ "$out" != "$expected" ]; then
  echo "FAIL: the reasons read:"
  echo "$out"
  echo "expected:"
  echo "$expected"
  exit 1
fi
echo "$out"
