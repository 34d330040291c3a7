#!/usr/bin/env bash
# Runs the command-line tool in the lab's client namespace against one
# simulated gateway per gateway namespace, and checks what it reports.
set -uo pipefail
bin=$1
netlab=$2

if ! reason=$("$netlab" check); then
  echo "SKIPPED: $reason"
  exit 77
fi

lab="ostl$$"
work=$(mktemp -d)
failures=0
pids=()

cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  wait 2>/dev/null
  "$netlab" down "$lab"
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

in_ns() {
  local host=$1
  shift
  ip netns exec "$lab-$host" "$@"
}

# cli ARGS...: runs ostrand-cli in the client namespace; output in $out, status in $status
cli() {
  out=$(in_ns cl "$bin/ostrand-cli" --app-dir "$work" "$@" 2>"$work/stderr")
  status=$?
  err=$(cat "$work/stderr")
}

expect_line() { # pattern, description
  grep -Eq "$1" <<<"$out" || fail "$2: no line matching '$1' in:"$'\n'"$out"$'\n'"$err"
}

"$netlab" up "$lab" || { echo "FAIL: the lab could not be built"; exit 1; }

# One simulator per gateway, bound to all of its namespace's addresses; a
# new address (IP-SETUP, record write) moves the namespace's interface.
cat >"$work/move-address.sh" <<'SCRIPT'
#!/usr/bin/env bash
# called as: NEW-ADDRESS PREFIX-LENGTH OLD-ADDRESS
ip addr flush dev eth0 scope global
ip addr add "$1/$2" broadcast + dev eth0
SCRIPT
chmod +x "$work/move-address.sh"
while read -r host address mac; do
  [ "$host" = cl ] && continue
  ip=${address%/*}
  pool="198.18.0.1${host#g}1-198.18.0.1${host#g}9" # each gateway its own DHCP addresses
  in_ns "$host" "$bin/ostrand-sim" --bind 0.0.0.0 --no-tcp --ip "$ip" --mac "${mac//:/-}" --restart-ms 500 \
    --dhcp-pool "$pool" \
    --on-address-change "$work/move-address.sh" >"$work/sim-$host.log" 2>&1 &
  pids+=($!)
done < <("$netlab" hosts)
for host in g1 g2 g3 g4; do
  for _ in $(seq 50); do grep -q "^udp" "$work/sim-$host.log" 2>/dev/null && break; sleep 0.1; done
  grep -q "^udp" "$work/sim-$host.log" || fail "simulator in $host did not start: $(cat "$work/sim-$host.log")"
done

echo "== discover"
cli discover --scan-timeout 800
[ "$status" = 0 ] || fail "discover ended with status $status: $err"
expect_line '^198\.18\.0\.11 +00-20-4A-0B-00-11 +Aspen +- +yes' "an Aspen gateway, reachable"
expect_line '^198\.18\.0\.12 +00-04-25-00-00-03 +Birch +[0-9]+ +yes' "a Birch gateway with its serial number, reachable"
expect_line '^198\.18\.0\.13 +02-00-00-00-00-13 +unknown +- +no' "an unknown family, never reachable"
expect_line '^198\.19\.0\.14 +00-80-A3-00-00-14 +Aspen +- +no' "a gateway in another subnet, not reachable by ARP"
echo "$out"

echo "== ping"
cli ping 198.18.0.11 --count 4 --delay 100
[ "$status" = 0 ] || fail "ping of a gateway ended with status $status: $err"
[ "$(grep -Ec '^[1-4] ' <<<"$out")" = 4 ] || fail "four echo lines expected:"$'\n'"$out"
cli ping 198.19.0.14 --count 4 --delay 100
[ "$status" = 1 ] || fail "ping of an unreachable gateway should end with status 1, got $status"

echo "== record read and write"
cli record-read 198.18.0.11
[ "$status" = 0 ] || fail "record-read ended with status $status: $err"
expect_line 'ip=198\.18\.0\.11' "record 0 holds the gateway's address"
expect_line 'port=10001' "the factory port"
cli record-write 198.18.0.11 --port 10005 --protocol tcp
[ "$status" = 0 ] || fail "record-write ended with status $status: $out $err"
cli record-read 198.18.0.11
expect_line 'port=10005' "the written port reads back"
expect_line 'protocol=tcp' "the written protocol reads back"

echo "== set-ip over the network"
cli set-ip --mac 00-20-4A-0B-00-11 --ip 198.18.0.21 --mask 255.255.255.0 --gateway 198.18.0.254
[ "$status" = 0 ] || fail "set-ip ended with status $status: $out $err"
cli discover --scan-timeout 800
expect_line '^198\.18\.0\.21 +00-20-4A-0B-00-11 +Aspen +- +yes' "the gateway answers under its new address"
cli record-read 198.18.0.21
expect_line 'gateway=198\.18\.0\.254' "the new default gateway is in record 0"

if [ "$failures" -gt 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "all lab checks passed"
