#!/usr/bin/env bash
# DMX value change to the player's text packet, from the DMX input device (the
# simulated library playing a file at 44 frames a second) and from sACN through
# two olads across the namespaces (the desk's olad, the show link without a
# gateway, the player's olad); and the player's CPU under a 44 Hz storm of all
# 512 channels. CUES changes of the control channel between play and stop.
# Needs root, iproute2 and OLA (exit 77 without).
# Usage: bench/dmx_latency.sh [BUILD_DIR] [CUES] [STORM_SECONDS]   (build-release, 100, 10)
set -u
. "$(dirname "$0")/common.sh"
. "$BENCH_ROOT/tests/netns/netns.sh"
. "$BENCH_ROOT/tests/netns/olad.sh"
cues=${2:-100}
storm=${3:-10}
command -v olad >/dev/null || { echo "olad is missing: install the Debian package ola" >&2; exit 77; }
build=$(bench_prepare "${1:-}" zuvio dmx_latency corvana_sim) || exit 1
bench_netns
work=$BENCH_WORK
chmod a+rx "$work"
"$BENCH_ROOT/scripts/make-demo-media.sh" "$work/media" 2 60 >/dev/null || exit 1

run_player() { # SOURCE(1 device, 2 olad) READY [ENV...]
    local source=$1 ready=$2
    shift 2
    netns_player_settings "$work/config" "$work/media/demo.m3u"
    printf 'm_iDmxSource=%s\nm_iDmxUniverse=1\nm_iDmxAddress=1\n' "$source" >>"$work/config/vexo/Zuvio.conf"
    : >"$work/player.log"
    NETNS_RUN_DIR=$work netns_start_player "$work/player.log" "$@" "$build/bin/zuvio"
    netns_wait_line "$work/player.log" 0 20 "DMX: " "$ready" || { echo "DMX never $ready" >&2; tail "$work/player.log" >&2; exit 1; }
}

printf '0,90,255,0\n' >"$work/desk.txt"
run_player 1 "fps)" ZUVIO_CORVANA_DRIVER="$build/bin/test-drivers/corvana-sim/corvana-sim.so" \
    CORVANA_SIM_PATTERN="file:$work/desk.txt"
netns_controller "$build/bin/dmx_latency" device "$work/desk.txt" 1 "$cues" "$player_pid" "$storm"
kill "$player_pid"; wait "$player_pid" 2>/dev/null

olad_up player "$NETNS_PLAYER_IP" "$work/olad-player" && olad_up controller "$NETNS_CONTROLLER_IP" "$work/olad-desk" || exit 1
run_player 2 "(NO DATA)"
netns_controller "$build/bin/dmx_latency" ola 1 1 "$cues" "$player_pid" "$storm"
kill "$player_pid"; wait "$player_pid" 2>/dev/null
