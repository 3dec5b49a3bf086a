#!/usr/bin/env bash
# The binary protocol while hostile OSC arrives. First, in process, what each
# hostile datagram of tests/netns/osc_hostile.py (wildcard bombs, deep braces,
# full 8 KiB bundles of them, nested bundles) costs the OSC server
# (osc_bundle_cost). Then across network namespaces on the test harness's show
# network, against one host process answering both protocols (the socket, the
# OSC server and the frame stand-in): the binary protocol's round trip at RATE
# commands a second for SECONDS with no OSC traffic, then again while an 8 KiB
# bundle of wildcard paths (the bundle kinds in turn) arrives every 100 ms.
# Prints the quiet run's "summary:" line prefixed "quiet", then the hostile
# run's and the in-process "summary:" lines.
# Needs root, iproute2 and python3 (exit 77 without).
# Usage: bench/osc_hostile.sh [BUILD_DIR] [RATE] [SECONDS]   (build-release, 1000, 10)
set -u
. "$(dirname "$0")/common.sh"
. "$BENCH_ROOT/tests/netns/netns.sh"
rate=${2:-1000}
seconds=${3:-10}
command -v python3 >/dev/null || { echo "SKIP: python3 missing" >&2; exit 77; }
build=$(bench_prepare "${1:-}" zuvio_remote_host remote_latency osc_bundle_cost) || exit 1
hostile=$BENCH_ROOT/tests/netns/osc_hostile.py
dumps=$(mktemp -d)
trap 'rm -rf "$dumps"' EXIT

files=()
for kind in bomb bomb40-bundle bomb-bundle widest-bundle swarm-bundle braces-bundle nested; do
    python3 "$hostile" --dump "$kind" >"$dumps/$kind.osc" || exit 1
    files+=("$dumps/$kind.osc")
done
cost=$("$build/bin/osc_bundle_cost" --rounds 200 "${files[@]}")
cost_rc=$?
echo "in process, one datagram at a time:"
sed "s|$dumps/||; s/^/  /" <<<"$cost"
rm -rf "$dumps"

bench_netns
work=$BENCH_WORK
bench_remote_host "$build" $((2 * seconds + 40)) --osc-port 31774 || exit 1
bench_binary_report "$build" "$rate" "$seconds" "binary protocol, no OSC traffic:" quiet
quiet_rc=$?

netns_controller python3 "$hostile" "$NETNS_PLAYER_IP:31774" --every 0.1 --seconds $((seconds + 3)) \
    >"$work/hostile.out" 2>&1 &
sender=$!
under=$(bench_remote_latency "$build" "$NETNS_PLAYER_IP" "$rate" "$seconds")
under_rc=$?
wait "$sender"
echo "binary protocol while an 8 KiB OSC bundle arrives every 100 ms ($(cat "$work/hostile.out")):"
sed 's/^/  /' <<<"$under"
grep -h "OSC: " "$work/host.err" | sed 's/^/  host log: /'
grep '^summary:' <<<"$under"
grep '^summary:' <<<"$cost"
[ "$cost_rc" -eq 0 ] && [ "$quiet_rc" -eq 0 ] && [ "$under_rc" -eq 0 ]
