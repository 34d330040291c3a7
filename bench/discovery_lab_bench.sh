#!/usr/bin/env bash
# Discovery of many gateways answering in one window, for real, inside the
# network lab: N simulated gateways (default 1000), each with its own address
# and MAC, served by one simulator process in one gateway namespace; the
# client's `discover` must list every one of them once. Prints the rows, the
# receive buffer the kernel granted the search socket, and when the scan
# ended after the last answer. Needs root (network namespaces).
#   bench/discovery_lab_bench.sh BUILD_BIN_DIR [N]
set -uo pipefail
bin=$1
count=${2:-1000}
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
netlab="$root/scripts/netlab.sh"
if ! reason=$("$netlab" check); then
  echo "cannot run here: $reason"
  exit 1
fi
lab="ostb$$"
work=$(mktemp -d)
sim=
cleanup() {
  [ -n "$sim" ] && kill "$sim" 2>/dev/null
  wait 2>/dev/null
  "$netlab" down "$lab"
  rm -rf "$work"
}
trap cleanup EXIT
"$netlab" up "$lab"
first=$(( (198 << 24) | (18 << 16) | (1 << 8) | 1 )) # 198.18.1.1
dotted() { echo "$(($1 >> 24 & 255)).$(($1 >> 16 & 255)).$(($1 >> 8 & 255)).$(($1 & 255))"; }
for i in $(seq 0 $((count - 1))); do
  echo "addr add $(dotted $((first + i)))/16 dev eth0"
done >"$work/addresses"
ip netns exec "$lab-g1" ip -batch "$work/addresses"
# Two sockets a gateway (its address and the shared broadcast one).
ulimit -n $((2 * count + 256))
ip netns exec "$lab-g1" "$bin/ostrand-sim" --gateways "$count" --bind "$(dotted "$first")" --no-tcp --no-udp \
  --mac 00-20-4A-00-00-01 >"$work/sim.log" 2>&1 &
sim=$!
# the endpoint lines come once every gateway is listening
for _ in $(seq 600); do grep -q '^config' "$work/sim.log" && break; sleep 0.1; done
grep -q '^config' "$work/sim.log" || { echo "the simulator did not start: $(cat "$work/sim.log")"; exit 1; }
# the client reaches the whole /16
ip netns exec "$lab-cl" ip addr add 198.18.0.2/16 dev eth0
scan_ms=1000
start=$(date +%s%N)
ip netns exec "$lab-cl" "$bin/ostrand-cli" --app-dir "$work" discover --adapter 198.18.0.2 --scan-timeout "$scan_ms" --stats \
  >"$work/found.txt" 2>"$work/err.txt"
end=$(date +%s%N)
rows=$(grep -c '^198\.18\.' "$work/found.txt")
unique=$(grep '^198\.18\.' "$work/found.txt" | awk '{print $2}' | sort -u | wc -l)
stats=$(grep '^answers=' "$work/found.txt")
value() { sed -n "s/.*$1=\([0-9]*\).*/\1/p" <<<"$stats"; }
echo "gateways: $count, rows listed: $rows, distinct MACs: $unique"
echo "receive buffer granted by the kernel: $(value receive_buffer) bytes (asked for 4194304; the kernel reports twice what it accepted)"
echo "last answer $(value last_answer_ms) ms after the query; the wait ended $(( $(value quiet_ended_ms) - $(value last_answer_ms) )) ms after it (quiet time $scan_ms ms)"
echo "the whole command took $(( (end - start) / 1000000 )) ms (with the ARP check of every row and the program's start)"
