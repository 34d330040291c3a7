#!/usr/bin/env bash
# Builds the Debian package ostrand_<version>_amd64.deb into build/ (or
# OSTRAND_BUILD_DIR): the three programs in /usr/bin, the language files,
# the shipped Ostrand.INI and the sample bus in /usr/share/ostrand, the
# desktop entry, the icon and the manual pages. The programs are the
# build's own (optimised, with debug information that the package strips).
# Prints the package's path.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${OSTRAND_BUILD_DIR:-$root/build}"

"$root/scripts/setup.sh"
# Only what the package holds: the tests need not be built for it.
"$root/scripts/build.sh" --target ostrand ostrand-cli ostrand-sim language_files package_files

run_as_user=()
if [ "$(id -u)" -eq 0 ] && [ -n "${SUDO_USER:-}" ] && [ "$SUDO_USER" != root ]; then
  run_as_user=(sudo -u "$SUDO_USER")
fi
(cd "$build" && "${run_as_user[@]}" cpack -G DEB >"$build/cpack.log" 2>&1) || {
  cat "$build/cpack.log" >&2
  exit 1
}
sed -n 's/^CPack: - package: \(.*\) generated\.$/\1/p' "$build/cpack.log"
