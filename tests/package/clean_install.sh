#!/usr/bin/env bash
# The package installed as a technician installs it: `apt install` on a
# clean Debian 12 (a minimal root made by debootstrap, with nothing but what
# the package's Depends and Recommends pull in), then Ostrand started the
# way the desktop menu starts it (the Exec line of its desktop entry, as an
# ordinary user, on an X screen of 1366x768): first its language question,
# then, with German chosen, the wizard; a screenshot of each; and the
# installed command-line tool run against the installed simulator.
#
# Not part of the test command: it needs root, a Debian mirror and several
# minutes. Run it by hand:
#   sudo tests/package/clean_install.sh [PACKAGE.deb] [SCREENSHOT_FOLDER]
# Without a package it builds one with scripts/package.sh. The minimal root
# is cached as a tarball in /var/cache/ostrand-clean-install, so a second
# run only installs the package.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source_dir="$(cd "$here/../.." && pwd)"
if [ "$(id -u)" -ne 0 ]; then
  echo "clean_install.sh needs root (debootstrap, chroot and mounts): sudo $0 $*" >&2
  exit 2
fi
deb="${1:-}"
shots="$(realpath -m "${2:-$PWD}")"
if [ -z "$deb" ]; then
  deb="$("$source_dir/scripts/package.sh" | tail -n 1)"
fi
deb="$(realpath "$deb")"

missing=()
for tool in debootstrap:debootstrap Xvfb:xvfb import:imagemagick desktop-file-validate:desktop-file-utils; do
  command -v "${tool%%:*}" >/dev/null || missing+=("${tool##*:}")
done
if [ "${#missing[@]}" -gt 0 ]; then
  apt-get install -y --no-install-recommends "${missing[@]}" >/dev/null
fi

mirror="$(sed -n 's/^URIs: *\(http[^ ]*\/debian\)$/\1/p' /etc/apt/sources.list.d/debian.sources 2>/dev/null | head -n 1)"
mirror="${mirror:-http://deb.debian.org/debian}"
cache=/var/cache/ostrand-clean-install
base="$cache/bookworm-minbase.tar.gz"
mkdir -p "$cache"
if [ ! -s "$base" ]; then
  echo "== a minimal Debian 12 root from $mirror (once; cached in $base)"
  debootstrap --variant=minbase --make-tarball="$base.part" bookworm "$cache/tarball-work" "$mirror" >/dev/null
  mv "$base.part" "$base"
  rm -rf "$cache/tarball-work"
fi

scratch="$(mktemp -d /var/tmp/ostrand-clean-install.XXXXXX)"
root="$scratch/root"
xvfb_pid=""
cleanup() {
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  wait 2>/dev/null || true
  rm -rf "$scratch"
}
trap cleanup EXIT
debootstrap --variant=minbase --unpack-tarball="$base" bookworm "$root" "$mirror" >/dev/null
cp "$deb" "$root/tmp/"
package="/tmp/$(basename "$deb")"

# An X screen on the host, its socket lent to the root.
display=97
while [ -e "/tmp/.X11-unix/X$display" ]; do display=$((display + 1)); done
Xvfb ":$display" -screen 0 1366x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$display" ] && break; sleep 0.1; done

# Everything inside runs in a mount namespace of its own, so the mounts go
# with it whatever happens.
unshare --mount --propagation private bash -s "$root" "$package" "$display" <<'INSIDE'
set -euo pipefail
root="$1" package="$2" display="$3"
mount -t proc proc "$root/proc"
mount --rbind /dev "$root/dev"
mkdir -p "$root/tmp/.X11-unix"
mount --bind /tmp/.X11-unix "$root/tmp/.X11-unix"
cp /etc/resolv.conf "$root/etc/resolv.conf"
in_root() { chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 "$@"; }

echo "== apt install $package (its Depends and Recommends from the mirror)"
in_root apt-get update -q >/dev/null
in_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q "$package" >/tmp/ostrand-apt.log 2>&1 ||
  { cat /tmp/ostrand-apt.log; exit 1; }
grep -E '^(Setting up|The following NEW packages)' /tmp/ostrand-apt.log | sed -n '1p;$p'
echo "   $(grep -c '^Setting up' /tmp/ostrand-apt.log) packages set up"
in_root dpkg-query -W -f='   installed: ${Package} ${Version} (${Status})\n' ostrand

echo "== the desktop menu's entry"
desktop-file-validate "$root/usr/share/applications/ostrand.desktop" && echo "   ostrand.desktop is valid"
exec_line="$(sed -n 's/^Exec=//p' "$root/usr/share/applications/ostrand.desktop" | sed 's/ *%[fFuUick]//g')"
icon="$(sed -n 's/^Icon=//p' "$root/usr/share/applications/ostrand.desktop")"
ls "$root/usr/share/icons/hicolor/"*/apps/"$icon".* | sed 's|.*/hicolor/|   icon: |'
echo "   Exec: $exec_line"

in_root useradd --create-home technician
# start_from_menu NAME: the Exec line as the technician, in German, then a
# screenshot NAME.png of the screen after 8 s, and the program ended.
start_from_menu() {
  in_root su technician -c "cd ~ && DISPLAY=:$display LANG=de_DE.UTF-8 $exec_line >/tmp/ostrand-started.log 2>&1 & echo \$! >/tmp/ostrand.pid"
  sleep 8
  local pid
  pid="$(cat "$root/tmp/ostrand.pid")"
  if in_root kill -0 "$pid" 2>/dev/null; then
    echo "   still running after 8 s (pid $pid)"
  else
    echo "   FAILED: it ended:"; cat "$root/tmp/ostrand-started.log"; exit 1
  fi
  DISPLAY=":$display" import -window root "$root/tmp/$1.png"
  in_root kill "$pid" || true
  sleep 1
}
echo "== started from the menu as an ordinary user, the first time"
start_from_menu clean-install-language
echo "   its INI file: $(cd "$root/home/technician" && ls .config/Ostrand/ 2>/dev/null | tr '\n' ' ')"
echo "== again, with German chosen as the language question stores it"
in_root su technician -c "mkdir -p ~/.config/Ostrand && printf '[Wizard]\nLanguage=049\n' >~/.config/Ostrand/ostrand.conf"
start_from_menu clean-install-wizard

echo "== the installed command-line tool against the installed simulator, on loopback"
in_root su technician -c 'ostrand-sim --bus /usr/share/ostrand/buses/sample-bus.json --timing instant --udp-port 16601 --no-tcp >/tmp/sim.log 2>&1 & echo $! >/tmp/sim.pid'
sleep 1
in_root su technician -c 'ostrand-cli mbus-read --udp 127.0.0.1:16601 1' | sed 's/^/   /'
in_root kill "$(cat "$root/tmp/sim.pid")" || true
INSIDE
mkdir -p "$shots"
cp "$root/tmp/clean-install-language.png" "$root/tmp/clean-install-wizard.png" "$shots/"
echo "== screenshots: $shots/clean-install-language.png, $shots/clean-install-wizard.png"
echo "clean install: ok"
