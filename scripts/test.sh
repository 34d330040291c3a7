#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite with ctest;
# then tells why each skipped test was skipped.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${OSTRAND_BUILD_DIR:-$root/build}"

"$root/scripts/setup.sh"
"$root/scripts/build.sh"

# Window tests draw off screen; some tests need root for network namespaces
# and run as whoever started this script.
export QT_QPA_PLATFORM=offscreen
cd "$build"
mkdir -p Testing
results="$build/Testing/ostrand-results.xml"
rm -f "$results"
status=0
ctest --output-on-failure --timeout 300 --output-junit "$results" "$@" || status=$?
if [ -f "$results" ]; then
  "$root/scripts/skipreasons.sh" "$results"
fi

# Started through sudo, ctest ran as root: what it wrote goes back to the
# calling user, who owns the rest of the build.
if [ "$(id -u)" -eq 0 ] && [ -n "${SUDO_USER:-}" ] && [ "$SUDO_USER" != root ]; then
  chown -R "$SUDO_USER:$(id -gn "$SUDO_USER")" "$build/Testing"
fi
exit "$status"
