#!/usr/bin/env bash
# Installs every Debian package that building, running, testing and packaging Murmlet
# needs. Packages already present are skipped, so a second run costs nothing.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
. "$root/scripts/lib.sh"

packages=(
  build-essential cmake ninja-build pkg-config clang-format clang libclang-rt-14-dev
  qt6-base-dev qt6-base-dev-tools libqt6svg6 qt6-svg-dev libgl-dev
  libpulse-dev pulseaudio pulseaudio-utils pipewire-bin pipewire-pulse wireplumber dbus-daemon
  libcurl4-openssl-dev libpcre2-dev libmosquitto-dev qtkeychain-qt6-dev
  mosquitto mosquitto-clients prometheus prometheus-mqtt-exporter gnome-keyring curl
  xvfb xauth x11-utils xdotool sox imagemagick procps weston qt6-wayland
  fonts-dejavu-core fonts-liberation2 python3 openssl binutils-mingw-w64-x86-64
  librsvg2-bin desktop-file-utils appstream dpkg-dev file ccache
)
# "setup.sh windows" adds what cross-building the Windows program and running it under
# Wine need (scripts/build-windows.sh, scripts/test-windows.sh), with the Windows Installer
# package's tools (wixl, msitools) and Authenticode signing (osslsigncode).
if [ "${1:-}" = windows ]; then
  packages+=(
    g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix wine wine64
    autoconf automake libtool make patch xz-utils wixl msitools osslsigncode
  )
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  echo "Reading Debian's package lists (apt-get update)..."
  apt_as_root update -qq
  apt_as_root install -y --no-install-recommends "${missing[@]}"
fi
