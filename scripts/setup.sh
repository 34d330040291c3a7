#!/usr/bin/env bash
# Installs the Debian packages the project needs, skipping those already
# installed. Runs apt-get as root, or through sudo for a normal user.
#   scripts/setup.sh           what building, running and testing need
#   scripts/setup.sh --fuzz    and clang with its sanitizer and fuzzer runtimes
#   scripts/setup.sh --list    prints the packages (one a line), installs nothing
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-serialport-dev qt6-svg-dev
  libgl-dev libgtest-dev googletest
  iproute2
  # the Debian package: CPack finds the programs' library dependencies with
  # file and dpkg-shlibdeps (without file, package_test fails)
  file dpkg-dev
  # What the wizard needs to show its windows: the X11 platform plugin, a
  # font, and Qt's own texts (file dialogs, message box buttons) in the
  # languages the wizard speaks.
  qt6-qpa-plugins fonts-dejavu-core qt6-translations-l10n
  # the Modbus page's plot (Qt Charts needs the OpenGL module's CMake files)
  qt6-charts-dev libqt6opengl6-dev
  # independent Modbus peers for the tests: a server and a command-line client
  python3-pymodbus python3-serial-asyncio mbpoll
  # bench/modbus_bench's reference side: a plain read loop over libmodbus
  libmodbus-dev
)
if [ "${1:-}" = "--fuzz" ]; then
  packages+=(clang libclang-rt-14-dev)
fi
if [ "${1:-}" = "--list" ]; then
  printf '%s\n' "${packages[@]}"
  exit 0
fi

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
as_root=()
if [ "$(id -u)" -ne 0 ]; then
  as_root=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update -qq
"${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
