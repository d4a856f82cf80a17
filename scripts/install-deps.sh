#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the tests and the program need,
# and only those that are missing. Uses sudo when not run as root.
set -euo pipefail

packages=(
  cmake g++ make pkg-config
  qt6-base-dev qt6-multimedia-dev qt6-svg-dev qt6-translations-l10n
  libgl-dev fonts-ipafont-gothic
  libxcb1-dev libxcb-shape0-dev libfontconfig-dev
  xvfb xdotool x11-utils python3 imagemagick openbox
  # compositing managers on X: the character must leave no shadow or patch under them
  picom xcompmgr
  # weston (with XWayland) is the Wayland session of the end-to-end tests;
  # qt6-wayland only lets them run the native-Wayland fallback.
  weston xwayland qt6-wayland util-linux
  pulseaudio pulseaudio-utils
  clang libclang-rt-14-dev
  desktop-file-utils appstream dpkg-dev file time
  wine wine64 gcc-mingw-w64-x86-64 locales
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
"${sudo[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
