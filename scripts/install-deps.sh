#!/usr/bin/env bash
# Installs the Debian 12 packages Zuvio needs; only missing ones, safe to run again.
#   install-deps.sh runtime   what the installed player needs (the package's Depends)
#   install-deps.sh build     runtime and building (scripts/run.sh, making the package)
#   install-deps.sh [test]    all of it and the test suite's tools (scripts/test.sh)
# One package per line; cmake/ZuvioInstall.cmake reads the runtime list.
set -euo pipefail

kind=${1:-test}
case $kind in
  runtime | build | test) ;;
  *) echo "usage: $0 [runtime|build|test]" >&2; exit 2 ;;
esac

runtime=(
  libglib2.0-0
  libgstreamer1.0-0
  libgstreamer-plugins-base1.0-0
  gstreamer1.0-plugins-base
  gstreamer1.0-plugins-good
  gstreamer1.0-plugins-bad
  gstreamer1.0-libav
  gstreamer1.0-gl
  gstreamer1.0-x
  gstreamer1.0-alsa
  libqt6core6
  libqt6gui6
  libqt6widgets6
  libqt6network6
  qt6-qpa-plugins
  libxcb1
  liblo7
  libola1
  # What libola1 and Qt's GL need, named: a sanitizer build links them directly.
  libprotobuf32
  libglx0
  libopengl0
  libsystemd0
)

build=(
  build-essential
  cmake
  ninja-build
  pkg-config
  git
  qt6-base-dev
  qt6-base-dev-tools
  libgl-dev
  libxcb1-dev
  libgstreamer1.0-dev
  libgstreamer-plugins-base1.0-dev
  liblo-dev
  libola-dev
  libsystemd-dev
  help2man
  dpkg-dev
  gstreamer1.0-tools
)

# The tests and benchmarks.
packages=(
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  gstreamer1.0-plugins-base-apps
  xvfb xauth x11-utils xdotool imagemagick iproute2 time
  clang libclang-rt-14-dev clang-format
  liblo-tools
  ola
  libsystemd-dev python3
  gir1.2-gst-rtsp-server-1.0 python3-gi
  debootstrap dpkg-dev fakeroot
  help2man desktop-file-utils
  fuse3 libfuse3-dev
)

missing=()
wanted=("${runtime[@]}")
[ "$kind" = runtime ] || wanted+=("${build[@]}")
[ "$kind" = test ] && wanted+=("${packages[@]}")
for p in "${wanted[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
