#!/usr/bin/env bash
# Round trip of remote commands across two network namespaces: a command
# datagram from the controller side, the socket's message to the frame
# stand-in, and its text packet broadcast back. 1,000 commands a second for
# 10 seconds unless told otherwise. Needs root and iproute2 (exit 77 without).
# Usage: bench/remote_latency.sh [BUILD_DIR] [RATE] [SECONDS]   (build-release, 1000, 10)
set -u
. "$(dirname "$0")/common.sh"
dir=${1:-$BENCH_ROOT/build-release}
rate=${2:-1000}
seconds=${3:-10}
bench_build "$dir" zuvio_remote_host remote_latency || exit 1
build=$(cd "$dir" && pwd)
. "$BENCH_ROOT/tests/netns/netns.sh"
netns_setup
work=$(mktemp -d)
trap 'netns_cleanup; rm -rf "$work"' EXIT

netns_player "$build/bin/zuvio_remote_host" --bind "$NETNS_PLAYER_IP" --lifetime $((seconds + 30)) \
    >"$work/host.out" 2>"$work/host.err" &
netns_wait_for "$work/host.out" "ready" 10 || { cat "$work/host.err" >&2; exit 1; }
netns_controller "$build/bin/remote_latency" "$NETNS_PLAYER_IP" "$rate" "$seconds"
