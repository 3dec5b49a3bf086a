#!/usr/bin/env bash
# OSC against the binary protocol, across network namespaces on the test
# harness's show network (no gateway, a second adapter beside it), against one
# host process answering both (the socket, the OSC server and the frame
# stand-in): first the binary protocol's seek to its text packet, then OSC
# /zuvio/a/seek to its /zuvio/status feedback line, each at RATE commands a
# second for SECONDS. Prints both "summary:" lines, the binary one prefixed.
# Needs root and iproute2 (exit 77 without).
# Usage: bench/osc_latency.sh [BUILD_DIR] [RATE] [SECONDS]   (build-release, 1000, 10)
set -u
. "$(dirname "$0")/common.sh"
. "$BENCH_ROOT/tests/netns/netns.sh"
rate=${2:-1000}
seconds=${3:-10}
build=$(bench_prepare "${1:-}" zuvio_remote_host remote_latency osc_latency) || exit 1
bench_netns
bench_remote_host "$build" $((2 * seconds + 40)) --osc-port 31774 || exit 1
bench_binary_report "$build" "$rate" "$seconds" "binary protocol:" binary
binary_rc=$?
echo "OSC:"
netns_controller "$build/bin/osc_latency" "$NETNS_PLAYER_IP:31774" "$rate" "$seconds" 9000 "$NETNS_CONTROLLER_IP"
osc_rc=$?
[ "$binary_rc" -eq 0 ] && [ "$osc_rc" -eq 0 ]
