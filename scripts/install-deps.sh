#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running and testing need; safe to run again.
set -euo pipefail

PACKAGES=(
  cmake g++ make ccache pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev
  clang-14 libclang-rt-14-dev clang-format-14
  libbenchmark-dev jq
  libhamlib-utils
  fonts-comic-neue fonts-dejavu-core fonts-dejavu-extra
  xvfb xauth
  at-spi2-core python3-pyatspi dbus-daemon dbus-bin
  dpkg-dev file desktop-file-utils appstream
)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if ((${#missing[@]})); then
  if [[ $(id -u) -ne 0 ]]; then
    echo "Missing packages: ${missing[*]}. Run this as root, or install them with apt-get." >&2
    exit 1
  fi
  echo "Installing: ${missing[*]}"
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
