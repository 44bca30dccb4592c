#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running and testing Vidmarro need, if missing.
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config clang-format
  qt6-base-dev qt6-base-dev-tools libqt6opengl6-dev qt6-qpa-plugins
  qt6-tools-dev qt6-l10n-tools qt6-translations-l10n
  libmpv-dev libegl-dev libgl1-mesa-dri
  libfluidsynth-dev fluid-soundfont-gm
  libglib2.0-dev libsimpleini-dev libicu-dev
  fonts-liberation2
  xvfb xauth xdotool openbox x11-utils ffmpeg trash-cli python3-dbusmock dbus playerctl fiu-utils util-linux
  pulseaudio pulseaudio-utils
  qt6-wayland sway wtype libwayland-dev wayland-protocols libwayland-bin
  libbenchmark-dev libxcb1-dev
  desktop-file-utils appstream dpkg-dev lintian
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=()
[ "$(id -u)" -ne 0 ] && sudo=(sudo)
echo "Installing: ${missing[*]}"
"${sudo[@]}" apt-get update -q
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
