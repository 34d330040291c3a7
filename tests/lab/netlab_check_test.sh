#!/usr/bin/env bash
# The lab's check against stand-ins for "ip" and "id": where namespaces can
# be added but not entered (a chroot), the lab test skips with that reason
# instead of failing half-way.
set -uo pipefail
netlab=$1
lab_test=$2

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# Root, as far as the scripts can tell.
cat >"$work/id" <<'SCRIPT'
#!/usr/bin/env bash
if [ "${1:-}" = -u ]; then echo 0; else exec /usr/bin/id "$@"; fi
SCRIPT

# fake_ip ADD EXEC: "ip netns add" and "ip netns exec" succeed (ok) or fail
# with the messages of a machine that refuses them.
fake_ip() {
  cat >"$work/ip" <<SCRIPT
#!/usr/bin/env bash
case "\$1 \$2" in
  "netns add") [ "$1" = ok ] || { echo "mkdir /run/netns failed: Operation not permitted" >&2; exit 1; } ;;
  "netns exec") [ "$2" = ok ] || { echo "mount --make-rslave /: Invalid argument" >&2; exit 1; } ;;
  "netns del") ;;
  *) exit 1 ;;
esac
SCRIPT
  chmod +x "$work/ip" "$work/id"
}

# add exec expected-status expected-output
while read -r add exec status expected; do
  fake_ip "$add" "$exec"
  out=$(PATH="$work:$PATH" bash "$netlab" check 2>&1)
  got=$?
  [ "$got" = "$status" ] || fail "netlab check with add=$add exec=$exec: status $got, expected $status"
  [ "$out" = "$expected" ] || fail "netlab check with add=$add exec=$exec said '$out', expected '$expected'"
done <<'TABLE'
ok ok 0
fail ok 1 this machine does not allow new network namespaces
ok fail 1 network namespaces cannot be entered here: mount --make-rslave /: Invalid argument
TABLE

# The lab test itself skips (77) and says why.
fake_ip ok fail
out=$(PATH="$work:$PATH" bash "$lab_test" "$work/no-programs" "$netlab" 2>&1)
got=$?
[ "$got" = 77 ] || fail "lab_test ended with status $got where namespaces cannot be entered: $out"
[ "$out" = "SKIPPED: network namespaces cannot be entered here: mount --make-rslave /: Invalid argument" ] ||
  fail "lab_test said: $out"

if [ "$failures" -gt 0 ]; then
  exit 1
fi
echo "the lab's check passed"
