#!/usr/bin/env bash
# Installs the Debian 12 packages Voltrim needs to build, test and run.
# Fast when everything is already there: apt is only called for what is missing.
set -euo pipefail
packages=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-svg-dev libgl-dev
          libgtest-dev libgmock-dev libbenchmark-dev clang libclang-rt-14-dev
          xvfb xauth python3-pandas)
# What scripts/look.sh needs to show the program under a window manager.
packages+=(openbox imagemagick xdotool x11-utils)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  SUDO=""; [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"
fi
