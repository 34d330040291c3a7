#!/usr/bin/env bash
# Prints why tests were skipped, from the JUnit file of a ctest run
# (ctest --output-junit FILE): each test ctest skipped, with the line its
# output starts with "SKIPPED:" (else its last line of output, else ctest's
# own note), and each test case a GoogleTest program skipped inside a run
# that passed, with the message it gave.
set -euo pipefail
junit=$1

awk '
function unescape(text) {
  gsub(/&lt;/, "<", text); gsub(/&gt;/, ">", text); gsub(/&quot;/, "\"", text)
  gsub(/&apos;/, "\047", text); gsub(/&amp;/, "\\&", text)
  return text
}
function attribute(line, name,    rest) {
  if (!match(line, name "=\"[^\"]*\"")) return ""
  rest = substr(line, RSTART + length(name) + 2, RLENGTH - length(name) - 3)
  return unescape(rest)
}
function report(what, why) {
  if (!printed) print "Skipped, and why:"
  printed = 1
  print "  " what ": " why
}
function outputLine(line) {
  if (line ~ /^SKIPPED: / && reason == "") reason = substr(line, 10)
  if (line != "") last = line
  if (line ~ /^\[ RUN      \] /) { testCase = substr(line, 14); caseWhy = ""; inSkip = 0; return }
  if (line ~ /: Skipped$/) { inSkip = 1; return }
  if (line ~ /^\[  SKIPPED \] /) {
    name = substr(line, 14); sub(/ \([0-9]+ ms\)$/, "", name)
    if (status == "run") report(test " " name, caseWhy == "" ? "(no reason given)" : caseWhy)
    inSkip = 0; return
  }
  if (inSkip && line != "") caseWhy = caseWhy == "" ? line : caseWhy " " line
  if (inSkip && line == "") inSkip = 0
}
/<testcase / {
  test = attribute($0, "name"); status = attribute($0, "status")
  note = ""; reason = ""; last = ""; inOutput = 0; inSkip = 0; caseWhy = ""
  next
}
/<skipped / && !inOutput { note = attribute($0, "message"); next }
/<system-out>/ && !inOutput {
  inOutput = 1
  sub(/.*<system-out>/, "")
}
inOutput {
  line = $0
  done = sub(/<\/system-out>.*/, "", line)
  if (!(done && line == "")) outputLine(unescape(line))
  if (done) inOutput = 0
  next
}
/<\/testcase>/ {
  if (status == "notrun") report(test, reason != "" ? reason : last != "" ? last : note)
}
END { if (!printed) print "No test was skipped." }
' "$junit"
