#!/usr/bin/env bash
# A long run of the log window's continuous poll against the simulator:
# ostrand-sim's Modbus front end on loopback, the Modbus page polled every
# 10 ms with the log window open. Prints the polls answered and failed, the
# resident memory, open handles and threads of the polling process every
# report interval, and the simulator's memory at the end. Failed must stay 0
# (the simulator injects no faults here); memory and handles flat after the
# first minutes.
#   bench/soak.sh BUILD_BIN_DIR [SECONDS] [REPORT_SECONDS]   (default 3600 and 60)
set -uo pipefail
bin=$1
seconds=${2:-3600}
report=${3:-60}
work=$(mktemp -d)
"$bin/ostrand-sim" --modbus --no-udp --tcp-port 0 --no-config >"$work/sim.log" 2>&1 &
sim=$!
trap 'kill "$sim" 2>/dev/null; wait "$sim" 2>/dev/null; rm -rf "$work"' EXIT
for _ in $(seq 50); do grep -q "^tcp" "$work/sim.log" && break; sleep 0.1; done
port=$(sed -n 's/^tcp .*:\([0-9]*\)$/\1/p' "$work/sim.log")
[ -n "$port" ] || { echo "the simulator did not start: $(cat "$work/sim.log")"; exit 1; }
echo "polling 127.0.0.1:$port every 10 ms for $seconds s"
QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} "$bin/soak_bench" "$port" "$seconds" "$report" 10
echo "simulator: rss_kb=$(awk '/VmRSS/ {print $2}' "/proc/$sim/status") handles=$(ls "/proc/$sim/fd" | wc -l)"
