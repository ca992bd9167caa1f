#!/usr/bin/env bash
# Installs every Debian 12 package that building, running and testing Vantor needs.
# Safe to run again: apt-get skips what is already there.
set -euo pipefail
packages=(
  build-essential cmake ninja-build pkg-config git ccache
  qt6-base-dev qt6-svg-dev qt6-qpa-plugins libqt6svg6 libgl-dev
  libicu-dev libsodium-dev libarchive-dev
  dpkg-dev file
  libgtest-dev libgmock-dev libbenchmark-dev
  dbus dbus-user-session xvfb xauth fonts-dejavu-core
  weston xwayland qt6-wayland
  libxcb1-dev
  clang libclang-rt-14-dev
  qt6-translations-l10n qtkeychain-qt6-dev
  openbox xdotool x11-utils x11-xserver-utils
  prometheus prometheus-node-exporter curl
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ "${#missing[@]}" -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -q
  $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
