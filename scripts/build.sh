#!/usr/bin/env bash
# build.sh BUILD_DIR [extra cmake args...]: configure (once) and build with Ninja.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=$1; shift
if [ ! -f "$dir/build.ninja" ]; then
  launcher=()
  # Worktrees of one clone share compiled objects when ccache is there.
  command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
  cmake -S . -B "$dir" -G Ninja "${launcher[@]}" "$@"
fi
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$PWD/..} CCACHE_NOHASHDIR=${CCACHE_NOHASHDIR:-1}
# With Ninja, AUTOMOC only re-runs when a file it already knew changed, so a
# Q_OBJECT header that arrived with a pull would get no moc: make it look again
# (it still re-generates only what changed).
find "$dir" -path '*_autogen/timestamp' -delete 2>/dev/null || true
cmake --build "$dir" --parallel "$(nproc)"
