#!/usr/bin/env bash
# build.sh BUILD_DIR [extra cmake args...]: configure (once) and build with Ninja.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=$1; shift
if [ ! -f "$dir/build.ninja" ]; then
  cmake -S . -B "$dir" -G Ninja "$@"
fi
cmake --build "$dir" --parallel "$(nproc)"
