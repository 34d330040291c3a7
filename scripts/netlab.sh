#!/usr/bin/env bash
# A small network lab inside network namespaces made for the purpose: a
# client host and several gateway hosts joined by a bridge that lives in a
# namespace of its own. Nothing is created in, or sent into, the machine's
# own namespace.
#
#   netlab.sh up NAME      build the lab; NAME prefixes every namespace
#   netlab.sh down NAME    remove it again (also after a half-built lab)
#   netlab.sh hosts        the host table: name ip/prefix mac
#   netlab.sh check        exit 0 when namespaces can be made and entered
#                          here, else print the reason and exit 1
#
# Hosts: "cl" is the client; g1-g3 are gateways on the client's subnet
# (one per device family and one with an unknown MAC prefix); g4 sits in
# another subnet on the same wire, so the client's ARP cannot reach it.
set -euo pipefail

HOSTS=(
  "cl 198.18.0.1/24 02:00:00:00:00:01"
  "g1 198.18.0.11/24 00:20:4A:0B:00:11"
  "g2 198.18.0.12/24 00:04:25:00:00:03"
  "g3 198.18.0.13/24 02:00:00:00:00:13"
  "g4 198.19.0.14/24 00:80:A3:00:00:14"
)

ns() { echo "$1-$2"; }

up() {
  local name=$1
  ip netns add "$(ns "$name" br)"
  ip netns exec "$(ns "$name" br)" ip link set lo up
  ip netns exec "$(ns "$name" br)" ip link add br0 type bridge
  ip netns exec "$(ns "$name" br)" ip link set br0 up
  local entry host address mac
  for entry in "${HOSTS[@]}"; do
    read -r host address mac <<<"$entry"
    ip netns add "$(ns "$name" "$host")"
    ip netns exec "$(ns "$name" "$host")" ip link set lo up
    ip netns exec "$(ns "$name" br)" ip link add "v-$host" type veth peer name eth0 netns "$(ns "$name" "$host")"
    ip netns exec "$(ns "$name" br)" ip link set "v-$host" master br0 up
    ip netns exec "$(ns "$name" "$host")" ip link set eth0 address "$mac"
    ip netns exec "$(ns "$name" "$host")" ip addr add "$address" broadcast + dev eth0
    ip netns exec "$(ns "$name" "$host")" ip link set eth0 up
  done
  # The gateway in the other subnet answers the client directly on the wire.
  ip netns exec "$(ns "$name" g4)" ip route add 198.18.0.0/24 dev eth0
}

down() {
  local name=$1 entry host
  for entry in "${HOSTS[@]}"; do
    read -r host _ <<<"$entry"
    ip netns pids "$(ns "$name" "$host")" 2>/dev/null | xargs -r kill 2>/dev/null || true
    ip netns del "$(ns "$name" "$host")" 2>/dev/null || true
  done
  ip netns del "$(ns "$name" br)" 2>/dev/null || true
}

check() {
  if [ "$(id -u)" -ne 0 ]; then
    echo "network namespaces need root"
    return 1
  fi
  if ! command -v ip >/dev/null; then
    echo "the ip command (iproute2) is missing"
    return 1
  fi
  local probe="ostrand-probe-$$"
  if ! ip netns add "$probe" 2>/dev/null; then
    echo "this machine does not allow new network namespaces"
    return 1
  fi
  # Adding one is not enough: entering it needs "/" to be a mount point,
  # which it is not inside a chroot.
  local failure
  if ! failure=$(ip netns exec "$probe" true 2>&1); then
    ip netns del "$probe" 2>/dev/null || true
    echo "network namespaces cannot be entered here: $(head -n 1 <<<"${failure:-ip netns exec failed}")"
    return 1
  fi
  ip netns del "$probe"
}

case "${1:-}" in
  up) up "$2" ;;
  down) down "$2" ;;
  hosts) printf '%s\n' "${HOSTS[@]}" ;;
  check) check ;;
  *) echo "usage: $0 up NAME | down NAME | hosts | check" >&2; exit 2 ;;
esac
