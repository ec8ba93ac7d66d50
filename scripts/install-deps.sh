#!/usr/bin/env bash
# Installs the Debian 12 packages Voltrim needs to build, test and run.
# Fast when everything is already there: apt is only called for what is missing.
set -euo pipefail
packages=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-svg-dev libgl-dev
          libgtest-dev libgmock-dev libbenchmark-dev clang libclang-rt-14-dev
          xvfb xauth python3-pandas
          # installing: man pages and completion written by python3, icons drawn by
          # rsvg-convert; the install check's validators; the Debian package and lintian
          python3 librsvg2-bin man-db file bash-completion desktop-file-utils appstream
          dpkg-dev lintian
          # the Python module (import voltrim) and its tests
          python3-dev pybind11-dev python3-numpy python3-pytest
          # the tests run in another locale and with the clocks set back (scripts/elsewhere.sh)
          locales util-linux
          # quicker links of the test build (the build falls back to ld without it)
          lld)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
SUDO=""; [ "$(id -u)" -eq 0 ] || SUDO="sudo"
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"
fi
# The locale the tests run in: decimal comma, dotless i.
if ! locale -a 2>/dev/null | grep -qix 'tr_TR.utf8'; then
  $SUDO localedef -i tr_TR -f UTF-8 tr_TR.UTF-8
fi
