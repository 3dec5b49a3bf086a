#!/usr/bin/env bash
# Round trip of remote commands across network namespaces, on the test
# harness's show network (no gateway, a second adapter beside it): a command
# datagram from the controller side, the socket's message to the frame
# stand-in, and its text packet broadcast back. CUE is "unicast" (to the
# player's address) or "broadcast" (to 255.255.255.255, as a cue for every
# player). 1,000 commands a second for 10 seconds unless told otherwise.
# Needs root and iproute2 (exit 77 without).
# Usage: bench/remote_latency.sh [BUILD_DIR] [RATE] [SECONDS] [CUE]   (build-release, 1000, 10, unicast)
set -u
. "$(dirname "$0")/common.sh"
. "$BENCH_ROOT/tests/netns/netns.sh"
rate=${2:-1000}
seconds=${3:-10}
cue=${4:-unicast}
case $cue in
unicast) to=$NETNS_PLAYER_IP ;;
broadcast) to=255.255.255.255 ;;
*) echo "remote_latency.sh: CUE is unicast or broadcast, not '$cue'" >&2; exit 2 ;;
esac
build=$(bench_prepare "${1:-}" zuvio_remote_host remote_latency) || exit 1
bench_netns
bench_remote_host "$build" $((seconds + 30)) || exit 1
echo "cue: $cue to $to"
bench_remote_latency "$build" "$to" "$rate" "$seconds"
