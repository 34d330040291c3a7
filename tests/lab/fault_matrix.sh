#!/usr/bin/env bash
# The operations of ostrand-cli under network faults, in the lab: each fault
# row starts the simulated gateways with the fault options, each operation
# runs from the client namespace, and the matrix is printed as a table.
#   fault_matrix.sh BUILD_BIN_DIR NETLAB_SCRIPT [SEED]
# A cell passes when the operation ends before its deadline with status 0
# and its result line, or with status 1 and one line on standard error; a
# result that is wrong (a value other than the gateway holds) fails at once.
# A scan is judged by the meters it read: each row read must carry the
# identification of the meter at the probed address (a meter listed under
# another probe is wrong at once), and a scan that missed a meter failed.
# After a one-time fault (a reset, a late reply, a restart mid-write) the
# same operation must work again. Exit 77 where namespaces cannot be made.
set -uo pipefail
bin=$1
netlab=$2
seed=${3:-1}

if ! reason=$("$netlab" check); then
  echo "SKIPPED: $reason"
  exit 77
fi

lab="ostf$$"
work=$(mktemp -d)
pids=()
bad=0

cleanup() {
  stop_sims
  "$netlab" down "$lab"
  rm -rf "$work"
}
stop_sims() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null; done
  pids=()
}
trap cleanup EXIT

in_ns() {
  local host=$1
  shift
  ip netns exec "$lab-$host" "$@"
}

"$netlab" up "$lab" >/dev/null || { echo "FAIL: the lab could not be built"; exit 1; }

# g1: meters, configuration port and ASCII front end; g2: the Modbus front end.
start_sims() {
  # started by ip itself, not through a function: $! must be the simulator, for the kill
  ip netns exec "$lab-g1" "$bin/ostrand-sim" --bind 0.0.0.0 --ip 198.18.0.11 --mac 00-20-4A-0B-00-11 --restart-ms 500 \
    --ascii-udp-port 10003 --seed "$seed" "$@" >"$work/g1.log" 2>&1 &
  pids+=($!)
  ip netns exec "$lab-g2" "$bin/ostrand-sim" --bind 0.0.0.0 --modbus --no-udp --no-config --seed "$seed" "$@" \
    >"$work/g2.log" 2>&1 &
  pids+=($!)
  local log
  for log in g1 g2; do
    for _ in $(seq 50); do grep -q "^tcp\|^udp" "$work/$log.log" 2>/dev/null && break; sleep 0.1; done
    grep -q "^tcp\|^udp" "$work/$log.log" || { echo "FAIL: simulator $log: $(cat "$work/$log.log")"; exit 1; }
  done
}

# Operation table: name, deadline in seconds, the line a success prints
# (an extended regular expression), and the arguments of ostrand-cli; the
# first Modbus and ASCII reads run twice in one process, so a one-time fault on the
# first reply meets the next request of the same connection. A
# discovery whose answer was lost ends with status 0 and no row, as a
# network without gateways would.
OPERATIONS=(
  "discovery|4|^198\.18\.0\.11 +00-20-4A-0B-00-11|discover --scan-timeout 800"
  "record-read|6|ip=198\.18\.0\.11 |record-read 198.18.0.11"
  "record-write|12|^|record-write 198.18.0.11 --port 10001"
  "ip-setup|40|result=assigned|set-ip --mac 00-20-4A-0B-00-11 --ip 198.18.0.11 --mask 255.255.255.0 --gateway 0.0.0.0"
  "ping|8|count=3|ping 198.18.0.11 --count 3 --delay 100"
  "mbus-transaction|5|^reply=68|mbus-send --tcp 198.18.0.11 --c 7B --a 1 --bus-timeout 1500"
  "primary-scan|30|^probes=6 |scan-primary --udp 198.18.0.11 --line-speed 2400 --last 5 --snd-nke-timeout 600 --req-ud2-timeout 900"
  "primary-scan fast|30|^probes=6 |scan-primary --udp 198.18.0.11 --line-speed 2400 --last 5 --fast"
  "modbus-read x2|8|^runs=2 ok=2|modbus-read --tcp 198.18.0.12 --first 100 --count 1 --type INT16 --bus-timeout 1500 --repeat 2"
  "modbus-read|5|value=-2\b|modbus-read --tcp 198.18.0.12 --first 100 --count 1 --type INT16 --bus-timeout 1500"
  "ascii-read x2|8|^runs=2 ok=2|ascii-read --udp 198.18.0.11:10003 TANK.LEVEL --bus-timeout 1500 --repeat 2"
  "ascii-read|5|^value=12\.5 |ascii-read --udp 198.18.0.11:10003 TANK.LEVEL --bus-timeout 1500"
)

# Fault rows: name, whether the fault is a one-time one, the simulator's
# options, and a netem discipline on the gateways' own interfaces.
FAULTS=(
  "none|no|"
  "loss 10%|no|--loss 10"
  "delay 200ms±50|no|--delay 200:50"
  "duplicate 30%|no|--duplicate 30"
  "reorder 30%|no|--reorder 30"
  "TCP reset mid-reply|yes|--tcp-reset-reply 1"
  "late reply (+2.5 s)|yes|--late-reply 1:2500"
  "restart mid-write|yes|--restart-mid-write 1"
)
# The same network faults once more from the kernel's netem discipline,
# where the kernel has it (ours do not: "Specified qdisc kind is unknown").
if netem_error=$(in_ns g1 tc qdisc add dev eth0 root netem delay 1ms 2>&1); then
  in_ns g1 tc qdisc del dev eth0 root
  FAULTS+=(
    "netem loss 10%|no||loss 10%"
    "netem delay 200ms±50|no||delay 200ms 50ms"
    "netem duplicate 30%|no||duplicate 30%"
    "netem reorder 30%|no||delay 20ms reorder 70% 50%"
  )
else
  echo "netem: not available here ($netem_error); the simulator's own faults stand in"
fi
# netem OPTION...: the discipline on both gateways' interfaces; none without options.
netem() {
  local host
  for host in g1 g2; do
    if [ $# -gt 0 ]; then
      in_ns "$host" tc qdisc replace dev eth0 root netem "$@"
    else
      in_ns "$host" tc qdisc del dev eth0 root 2>/dev/null || true
    fi
  done
}

# The meters of the simulator's default bus: primary address and identification.
METERS="1:12345678 2:12345679 3:23456789"

# judge_scan: the rows of a scan's output whose read is "Ok", as ADDRESS:ID,
# against METERS; sets cell when the scan found a wrong or too few meters.
judge_scan() {
  local read row
  read=$(awk '$1 ~ /^[0-9]+$/ && $4 == "Ok" { printf "%s%s:%s", sep, $1, $5; sep = " " }' "$work/out")
  for row in $read; do
    case " $METERS " in
      *" $row "*) ;;
      *) cell="BAD: read ${row#*:} under probe ${row%%:*}"; return ;;
    esac
  done
  [ "$read" = "$METERS" ] || cell="failed: read ${read:-none} of $METERS"
}

# run DEADLINE PATTERN ARGS...: sets cell to ok / failed: TEXT / BAD: TEXT, and seconds
run() {
  local deadline=$1 pattern=$2
  shift 2
  local start end status
  start=$(date +%s%N)
  in_ns cl timeout --kill-after=2 "$deadline" "$bin/ostrand-cli" --app-dir "$work" "$@" >"$work/out" 2>"$work/err"
  status=$?
  end=$(date +%s%N)
  seconds=$(awk -v ns=$((end - start)) 'BEGIN { printf "%.1f", ns / 1e9 }')
  local said
  said=$(head -n 1 "$work/err" | cut -c1-60)
  case $status in
    0) if grep -Eq -- "$pattern" "$work/out"; then
         cell="ok"
         [ "$1" = scan-primary ] && judge_scan
       elif [ "$1" = discover ] && [ "$(wc -l <"$work/out")" -le 1 ]; then
         cell="failed: no answer, no row"
       else
         cell="BAD: no result line: $(tail -n 1 "$work/out" | cut -c1-40)"
       fi ;;
    1) if [ -n "$said" ]; then cell="failed: $said"; else cell="BAD: status 1 without a reason"; fi
       # of repeated runs, how many worked
       if grep -q '^runs=' "$work/out"; then cell="$cell ($(grep -o 'ok=[0-9]*' "$work/out" | head -n 1))"; fi ;;
    124 | 137) cell="BAD: not ended in ${deadline} s" ;;
    *) cell="BAD: status $status $said" ;;
  esac
}

printf '%-22s %-17s %5s  %-62s %s\n' fault operation s result next
for fault in "${FAULTS[@]}"; do
  IFS='|' read -r fault_name once options discipline <<<"$fault"
  # shellcheck disable=SC2086 # the options are words
  start_sims $options
  # shellcheck disable=SC2086
  [ -n "$discipline" ] && netem $discipline
  for operation in "${OPERATIONS[@]}"; do
    IFS='|' read -r name deadline pattern arguments <<<"$operation"
    # shellcheck disable=SC2086
    run "$deadline" "$pattern" $arguments
    first=$cell
    first_seconds=$seconds
    next="-"
    if [ "$once" = yes ]; then
      # shellcheck disable=SC2086
      run "$deadline" "$pattern" $arguments
      next=$cell
      [ "$next" = ok ] || { next="BAD: the next run: $next"; bad=$((bad + 1)); }
    fi
    if [ "$fault_name" = none ] && [[ $first != ok && $first != BAD* ]]; then first="BAD: $first"; fi
    [[ $first == BAD* ]] && bad=$((bad + 1))
    printf '%-22s %-17s %5s  %-62s %s\n' "$fault_name" "$name" "$first_seconds" "$first" "$next"
  done
  stop_sims
  [ -n "$discipline" ] && netem
done

if [ "$bad" -gt 0 ]; then
  echo "$bad cell(s) failed"
  exit 1
fi
echo "every operation ended in time with its result or its reason"
