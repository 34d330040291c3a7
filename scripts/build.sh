#!/usr/bin/env bash
# Configures and builds the project into build/ beside the sources; any
# arguments go to the build step (--target NAME... builds only those).
# When started through sudo, the build itself runs as the calling user so
# that build/ stays theirs.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${OSTRAND_BUILD_DIR:-$root/build}"

run_as_user=()
if [ "$(id -u)" -eq 0 ] && [ -n "${SUDO_USER:-}" ] && [ "$SUDO_USER" != root ]; then
  run_as_user=(sudo -u "$SUDO_USER" --preserve-env=OSTRAND_BUILD_DIR)
fi

# A compiler cache, where the machine has one, makes rebuilds after a
# checkout cheap; the build does not need it.
launcher=()
if command -v ccache >/dev/null 2>&1; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi

"${run_as_user[@]}" cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" >/dev/null
"${run_as_user[@]}" cmake --build "$build" --parallel "$(nproc)" "$@"
