#!/usr/bin/env bash
# Installs the Debian 12 packages Zuvio needs to build, run and test.
# Only packages that are missing are installed; safe to run again.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libgstreamer1.0-dev libgstreamer-plugins-base1.0-dev
  gstreamer1.0-tools gstreamer1.0-plugins-base gstreamer1.0-plugins-good
  gstreamer1.0-libav gstreamer1.0-x gstreamer1.0-gl
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  gstreamer1.0-plugins-base-apps
  xvfb xauth x11-utils xdotool imagemagick iproute2 time
  libxcb1-dev
  clang libclang-rt-14-dev clang-format
  gstreamer1.0-plugins-bad
  liblo-dev liblo-tools
  ola libola-dev
  libsystemd-dev python3
  gir1.2-gst-rtsp-server-1.0 python3-gi
  debootstrap dpkg-dev fakeroot
  help2man desktop-file-utils
  fuse3 libfuse3-dev
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
