#!/usr/bin/env bash
# The set-up installs what the package build runs: each tool's Debian
# package, as this machine has it, is in setup.sh's list (or is essential,
# so every Debian system has it). A fresh machine would otherwise build
# everything and then fail in package_test.
set -uo pipefail
setup=$1

if ! command -v dpkg-query >/dev/null; then
  echo "SKIPPED: not a Debian system (dpkg-query is missing)"
  exit 77
fi
listed=$("$setup" --list) || { echo "FAIL: $setup --list failed"; exit 1; }
status=0
# cpack runs file on every program and dpkg-shlibdeps for the Depends;
# package_test unpacks with dpkg-deb
for tool in cpack file dpkg-shlibdeps dpkg-deb; do
  path=$(command -v "$tool") || { echo "SKIPPED: $tool is not installed here, so its package is unknown"; exit 77; }
  package=$(dpkg -S "$(readlink -f "$path")" 2>/dev/null | head -n1 | cut -d: -f1)
  if [ -z "$package" ]; then
    echo "SKIPPED: $path belongs to no Debian package"
    exit 77
  fi
  if [ "$(dpkg-query -W -f='${Essential}' "$package" 2>/dev/null)" = yes ]; then
    continue
  fi
  if ! grep -qx "$package" <<<"$listed"; then
    echo "FAIL: $tool comes from $package, which $setup does not install"
    status=1
  fi
done
[ $status -eq 0 ] && echo "setup.sh installs every tool the package build runs"
exit $status
