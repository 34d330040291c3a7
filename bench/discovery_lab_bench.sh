#!/usr/bin/env bash
# Discovery of many gateways answering in one window, for real, inside the
# network lab: N simulated gateways (default 200), each with its own address
# and MAC, in one gateway namespace; the client's `discover` must list every
# one of them once. Prints the count and how long the scan ran after the
# last answer. Needs root (network namespaces).
#   bench/discovery_lab_bench.sh BUILD_BIN_DIR [N]
set -uo pipefail
bin=$1
count=${2:-200}
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
netlab="$root/scripts/netlab.sh"
if ! reason=$("$netlab" check); then
  echo "cannot run here: $reason"
  exit 1
fi
lab="ostb$$"
work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  wait 2>/dev/null
  "$netlab" down "$lab"
  rm -rf "$work"
}
trap cleanup EXIT
"$netlab" up "$lab"
for i in $(seq 1 "$count"); do
  address="198.18.$((1 + i / 250)).$((i % 250 + 1))"
  ip netns exec "$lab-g1" ip addr add "$address/16" dev eth0
  mac=$(printf '00-20-4A-%02X-%02X-%02X' $((i >> 16 & 255)) $((i >> 8 & 255)) $((i & 255)))
  ip netns exec "$lab-g1" "$bin/ostrand-sim" --bind "$address" --no-tcp --no-udp --ip "$address" --mac "$mac" \
    >"$work/sim-$i.log" 2>&1 &
  pids+=($!)
done
# the client reaches the whole /16
ip netns exec "$lab-cl" ip addr add 198.18.0.2/16 dev eth0
for i in $(seq 1 "$count"); do
  for _ in $(seq 100); do grep -q "^config" "$work/sim-$i.log" 2>/dev/null && break; sleep 0.05; done
done
scan_ms=1000
start=$(date +%s%N)
ip netns exec "$lab-cl" "$bin/ostrand-cli" --app-dir "$work" discover --adapter 198.18.0.2 --scan-timeout "$scan_ms" \
  >"$work/found.txt" 2>"$work/err.txt"
end=$(date +%s%N)
rows=$(grep -c '^198\.18\.' "$work/found.txt")
unique=$(grep '^198\.18\.' "$work/found.txt" | awk '{print $2}' | sort -u | wc -l)
total_ms=$(( (end - start) / 1000000 ))
echo "gateways: $count, rows listed: $rows, distinct MACs: $unique"
echo "scan took $total_ms ms in all, of which $scan_ms ms is the quiet time after the last answer"
echo "(the rest: the answers' arrival, the ARP checks of every row, and the program's start)"
