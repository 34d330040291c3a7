#!/usr/bin/env bash
# Installs what is missing, builds, and starts the wizard. Extra arguments go
# to the wizard (for example /DEBUG).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${OSTRAND_BUILD_DIR:-$root/build}"

"$root/scripts/setup.sh"
"$root/scripts/build.sh"

if [ "$(id -u)" -eq 0 ] && [ -n "${SUDO_USER:-}" ] && [ "$SUDO_USER" != root ]; then
  exec sudo -u "$SUDO_USER" --preserve-env=DISPLAY,XAUTHORITY,WAYLAND_DISPLAY,XDG_RUNTIME_DIR,QT_QPA_PLATFORM \
    "$build/bin/ostrand" "$@"
fi
exec "$build/bin/ostrand" "$@"
