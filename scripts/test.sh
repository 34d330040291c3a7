#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite with ctest.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${OSTRAND_BUILD_DIR:-$root/build}"

"$root/scripts/setup.sh"
"$root/scripts/build.sh"

# Window tests draw off screen; some tests need root for network namespaces
# and run as whoever started this script.
export QT_QPA_PLATFORM=offscreen
cd "$build"
ctest --output-on-failure --timeout 300 "$@"
