#!/usr/bin/env bash
# Installs the Debian 12 packages Tarvix builds and runs with (as root, or through sudo).
set -euo pipefail
packages=(build-essential cmake ninja-build pkg-config qt6-base-dev qt6-serialport-dev
  libqcustomplot-dev libgtest-dev libgl-dev xvfb xauth fonts-liberation2 qt6-translations-l10n
  clang-format poppler-utils
  "$@")
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  sudo=""; [ "$(id -u)" -eq 0 ] || sudo=sudo
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
