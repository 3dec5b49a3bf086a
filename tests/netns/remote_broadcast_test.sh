#!/usr/bin/env bash
# The remote-control protocol across two network namespaces: commands from the
# controller side, status and text packets broadcast to 255.255.255.255:31772
# on the player side and decoded by zuvio-remote.
# Usage: remote_broadcast_test.sh ZUVIO_REMOTE_HOST ZUVIO_REMOTE
set -u
host_bin=$1
remote_bin=$2
here=$(cd "$(dirname "$0")" && pwd)
. "$here/netns.sh"
netns_setup

work=$(mktemp -d)
trap 'netns_cleanup; rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
expect_line() { # FILE PATTERN WHAT
    grep -qE -- "$2" "$1" || { fail "$3: no line matching /$2/ in:"; cat "$1" >&2; }
}
remote() { netns_controller "$remote_bin" --json --host "$NETNS_PLAYER_IP" "$@"; }

netns_player "$host_bin" --bind "$NETNS_PLAYER_IP" --lifetime 90 >"$work/host.out" 2>"$work/host.err" &
netns_wait_for "$work/host.out" "ready 31773" 10 || { cat "$work/host.err" >&2; exit 1; }

# A command goes in, its text line comes back by broadcast from the player's address.
remote --kind text --replies 1 --timeout 5 play B >"$work/play.out" || fail "no text after play"
expect_line "$work/play.out" '^\{"kind":"text","from":"10\.77\.0\.1","text":"Player B: Playback started\.\\n"\}$' "play B"

# The changed record goes out within a tick, with the MAC of the bound adapter.
remote --kind status --replies 1 --timeout 5 open B /media/show/intro.mp4 >"$work/open.out" || fail "no status after open"
expect_line "$work/open.out" "\"active\":1,\"file\":\"intro.mp4\",\"mac\":\"$NETNS_PLAYER_MAC\"" "status after open"

remote --kind text --replies 1 --timeout 5 open A ":3" >"$work/entry.out" || fail "no text after open :3"
expect_line "$work/entry.out" 'Player A: Opening Stream \( entry-3\.mp4 \) successful\.' "open :3"

remote --kind text --replies 1 --timeout 5 volume A 2147483647 >"$work/volume.out" || fail "no text after a huge volume"
expect_line "$work/volume.out" 'Volume set to 100%\.' "huge volume leaves the volume alone"

# A bad player index is logged by the handler and answered by nothing.
if remote --kind text --replies 1 --timeout 1.5 raw 3 -1 >"$work/bad.out" 2>/dev/null; then
    fail "a packet for player -1 was answered"
fi
netns_wait_for "$work/host.err" "OnNetPlayMedia(): PlayerID out of range!" 5 || fail "bad player not logged"

# Idle, the player keeps broadcasting its status; plain output decodes it too.
netns_controller "$remote_bin" listen --kind status --count 2 --timeout 8 >"$work/idle.out" || fail "idle status missing"
expect_line "$work/idle.out" '^status from=10\.77\.0\.1 player=B state=Stopped .* file="intro\.mp4"' "idle status"

# Unknown and unhandled codes change nothing that a later command relies on.
netns_controller "$remote_bin" --host "$NETNS_PLAYER_IP" raw 99 0 || fail "sending code 99"
netns_controller "$remote_bin" --host "$NETNS_PLAYER_IP" raw 12 1 5 || fail "sending code 12"
remote --kind text --replies 1 --timeout 5 stop B >"$work/stop.out" || fail "no text after stop"
expect_line "$work/stop.out" 'Player B: Playback stopped\.' "stop after bad datagrams"

# A unicast status destination sends to the one controller instead.
netns_player "$host_bin" --bind "$NETNS_PLAYER_IP" --command-port 31775 --status-dest "$NETNS_CONTROLLER_IP:31790" \
    --lifetime 30 >"$work/host2.out" 2>"$work/host2.err" &
netns_wait_for "$work/host2.out" "ready 31775" 10 || fail "second host did not start"
netns_controller "$remote_bin" --json --host "$NETNS_PLAYER_IP:31775" --listen-port 31790 --kind text --replies 1 \
    --timeout 5 pause A >"$work/unicast.out" || fail "no text at the unicast destination"
expect_line "$work/unicast.out" 'Player A: Playback paused\.' "unicast destination"

if [ "$failures" -ne 0 ]; then
    echo "--- player log ---" >&2
    cat "$work/host.err" >&2
    exit 1
fi
echo "remote broadcast test passed"
