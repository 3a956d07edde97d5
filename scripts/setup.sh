#!/usr/bin/env bash
# Installs every Debian package that building, running and testing Murmlet needs.
# Packages already present are skipped, so a second run costs nothing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config clang-format clang libclang-rt-14-dev
  qt6-base-dev qt6-base-dev-tools libqt6svg6 qt6-svg-dev libgl-dev
  libpulse-dev pulseaudio pulseaudio-utils
  libcurl4-openssl-dev libpcre2-dev
  xvfb xauth x11-utils xdotool sox imagemagick
  fonts-dejavu-core fonts-liberation2 python3 openssl binutils-mingw-w64-x86-64
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
fi
