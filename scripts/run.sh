#!/usr/bin/env bash
# Installs what is missing, builds the player (release) and runs it.
# Arguments go to the player, e.g. ./scripts/run.sh --help
#
# The player's working folder (where "LastPLS.dat" lives) is
# ${XDG_DATA_HOME:-~/.local/share}/zuvio. Started without arguments and without
# a playlist from an earlier run, it plays a demo playlist of generated clips.
# Note: the player broadcasts its status on the local network (UDP port 31772);
# use --status-address=127.0.0.1 to keep it on this machine.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
./scripts/install-deps.sh build # building and running; not the test tools
# A folder of its own: bench/run-all configures build-release with the tests
# and benchmarks, and build.sh keeps whatever configured a folder first.
./scripts/build.sh build-run -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZUVIO_BUILD_TESTS=OFF
player=$root/build-run/bin/zuvio

work=${XDG_DATA_HOME:-$HOME/.local/share}/zuvio
mkdir -p "$work"
cd "$work"

has_playlist() {
    [ -f LastPLS.dat ] && grep -qv '^#' LastPLS.dat 2>/dev/null && grep -v '^#' LastPLS.dat | grep -q '[^[:space:]]'
}

if [ $# -eq 0 ] && ! has_playlist; then
    echo "No playlist yet: generating demo clips in $work/demo ..."
    demo=$("$root/scripts/make-demo-media.sh" "$work/demo" 4 8)
    # The demo's DMX input is the simulated driver; the player logs that it is one.
    echo "DMX input: the simulated driver (no device is read)"
    exec env ZUVIO_CORVANA_DRIVER="$root/build-run/bin/test-drivers/corvana-sim/corvana-sim.so" "$player" --play "$demo"
fi
exec "$player" "$@"
