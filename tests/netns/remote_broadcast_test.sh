#!/usr/bin/env bash
# The remote-control protocol on a show network without a gateway: commands
# from the controller side, unicast and broadcast, status and text packets
# broadcast to 255.255.255.255:31772 on the player side and decoded by
# zuvio-remote; the player's second adapter hears nothing and is not obeyed;
# the show link goes down and up and is made anew while the player runs; an
# address that comes after start is bound when it comes.
# Usage: remote_broadcast_test.sh ZUVIO_REMOTE_HOST ZUVIO_REMOTE
set -u
host_bin=$1
remote_bin=$2
here=$(cd "$(dirname "$0")" && pwd)
. "$here/netns.sh"
netns_test_setup
expect_line() { # FILE PATTERN WHAT
    grep -qE -- "$2" "$1" || { fail "$3: no line matching /$2/ in:"; cat "$1" >&2; }
}
remote() { netns_controller "$remote_bin" --json --host "$NETNS_PLAYER_IP" "$@"; }
# A command to ADDRESS[:PORT] from the controller's address, answered by a text packet.
cue() { netns_controller "$remote_bin" --json --from "$NETNS_CONTROLLER_IP" --host "$1" --kind text --replies 1 "${@:2}"; }
# Repeats a cue until a reply holds PATTERN, for at most ATTEMPTS seconds.
cue_until() { # ATTEMPTS PATTERN OUT ADDRESS COMMAND...
    local attempts=$1 pattern=$2 out=$3 i
    shift 3
    for ((i = 0; i < attempts; i++)); do
        cue "$1" --timeout 1 "${@:2}" >"$out" 2>/dev/null && grep -qF -- "$pattern" "$out" && return 0
    done
    return 1
}

# Whatever the player sends must never reach the other network.
netns_other "$remote_bin" --json listen >"$work/other.out" 2>&1 &

# A simple command in the background, so that $! is the host itself.
ip netns exec "$NETNS_PLAYER" "$host_bin" --bind "$NETNS_PLAYER_IP" --lifetime 90 >"$work/host.out" 2>"$work/host.err" &
host_pid=$!
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

# Cues for every player at once: to the subnet broadcast and to 255.255.255.255.
cue "$NETNS_BROADCAST" --timeout 5 play A >"$work/cue1.out" || fail "play to $NETNS_BROADCAST unanswered"
expect_line "$work/cue1.out" 'Player A: Playback started\.' "play to the subnet broadcast"
cue "$NETNS_BROADCAST" --timeout 5 stop A >"$work/cue2.out" || fail "stop to $NETNS_BROADCAST unanswered"
expect_line "$work/cue2.out" 'Player A: Playback stopped\.' "stop to the subnet broadcast"
cue 255.255.255.255 --timeout 5 play B >"$work/cue3.out" || fail "play to 255.255.255.255 unanswered"
expect_line "$work/cue3.out" 'Player B: Playback started\.' "play to 255.255.255.255"
cue 255.255.255.255 --timeout 5 stop B >"$work/cue4.out" || fail "stop to 255.255.255.255 unanswered"
expect_line "$work/cue4.out" 'Player B: Playback stopped\.' "stop to 255.255.255.255"

# The same cues arriving on the other adapter, even one addressed to the show
# address, are dropped: Player B stays the active one, which the controller's
# volume command then names in its answer ("play A" would have made A active).
ip -n "$NETNS_OTHER" route add "$NETNS_PLAYER_IP" dev veth-x
for to in "$NETNS_OTHER_BROADCAST" 255.255.255.255 "$NETNS_PLAYER_IP" "$NETNS_PLAYER_OTHER_IP"; do
    netns_other "$remote_bin" --from "$NETNS_OTHER_IP" --host "$to" play A || fail "sending to $to on the other network"
done
remote --kind text --replies 1 --timeout 5 volume A 41 >"$work/ignored.out" || fail "no text after volume A 41"
expect_line "$work/ignored.out" 'Player B: Volume set to 41%\.' "cues on the other adapter ignored"

# A default route through the other adapter does not pull the status over there.
ip -n "$NETNS_PLAYER" route add default dev veth-o
netns_controller "$remote_bin" --kind status --count 2 --timeout 8 listen >/dev/null || fail "status lost with a default route"
ip -n "$NETNS_PLAYER" route del default

# The show link goes down and comes back: heard and obeyed again.
ip -n "$NETNS_PLAYER" link set veth-p down
ip -n "$NETNS_PLAYER" link set veth-p up
cue_until 10 "Playback paused." "$work/link.out" "$NETNS_PLAYER_IP" pause B || fail "not obeyed after the link came back"
# The link is made anew (the address goes and comes back on a new interface):
# obeyed again, and the status carries the new adapter's MAC.
ip -n "$NETNS_PLAYER" link del veth-p
netns_show_link || fail "cannot make the show link again"
cue_until 10 "Playback started." "$work/relink.out" "$NETNS_BROADCAST" play B || fail "not obeyed on the new link"
remote --kind status --replies 1 --timeout 5 stop B >"$work/relink-status.out" || fail "no status on the new link"
expect_line "$work/relink-status.out" "\"mac\":\"$NETNS_PLAYER_MAC\"" "MAC of the new link"

# A second player on the same adapter and port is refused; one on the other adapter is not.
if netns_player "$host_bin" --bind "$NETNS_PLAYER_IP" --lifetime 1 >/dev/null 2>"$work/dup.err"; then
    fail "a second player on $NETNS_PLAYER_IP:31773 started"
fi
expect_line "$work/dup.err" '^InitServer\(\): Server socket not created\.$' "second player refused"
netns_player "$host_bin" --bind "$NETNS_PLAYER_OTHER_IP" --status-dest 127.0.0.1:9 --lifetime 1 >"$work/beside.out" \
    2>&1 || fail "a player on the other adapter could not start beside the first"
kill "$host_pid"
wait "$host_pid" 2>/dev/null

# Bound to all addresses the routing table decides: no route, no packet, and the
# reason logged once however many sends fail, then again after one succeeded.
ip netns exec "$NETNS_PLAYER" "$host_bin" --bind 0.0.0.0 --lifetime 60 >"$work/any.out" 2>"$work/any.err" &
any_pid=$!
netns_wait_for "$work/any.out" "ready 31773" 10 || fail "the host bound to 0.0.0.0 did not start"
for i in 1 2 3; do
    netns_controller "$remote_bin" --host "$NETNS_PLAYER_IP" play B
    netns_controller "$remote_bin" --host "$NETNS_PLAYER_IP" raw 3 -1
done
waited=0
until [ "$(grep -c "PlayerID out of range" "$work/any.err")" -ge 3 ] || [ "$waited" -ge 100 ]; do
    sleep 0.1
    waited=$((waited + 1))
done
unsent="SendBroadcast(): Packet to 255.255.255.255:31772 not sent: Network is unreachable"
[ "$(grep -cF "$unsent" "$work/any.err")" -eq 1 ] || { fail "the failed send is not logged exactly once"; cat "$work/any.err" >&2; }
ip -n "$NETNS_PLAYER" route add default dev veth-p
netns_controller "$remote_bin" --kind status --count 1 --timeout 5 listen >/dev/null || fail "no status with a route"
ip -n "$NETNS_PLAYER" route del default
waited=0
until [ "$(grep -cF "$unsent" "$work/any.err")" -ge 2 ] || [ "$waited" -ge 50 ]; do
    sleep 0.1
    waited=$((waited + 1))
done
[ "$(grep -cF "$unsent" "$work/any.err")" -eq 2 ] || fail "the failed send is not logged again after a success"
kill "$any_pid"
wait "$any_pid" 2>/dev/null

# "Auto Select" passes over the first adapter while its cable is out.
ip -n "$NETNS_OTHER" link set veth-x down
# The kernel marks the lost carrier a moment later (link watch); the cable of a
# show machine is out long before the player starts.
for _ in $(seq 50); do
    ip -n "$NETNS_PLAYER" -o link show veth-o | grep -q 'NO-CARRIER' && ! ip -n "$NETNS_PLAYER" -o link show veth-o | grep -q 'state UP' && break
    sleep 0.1
done
netns_player "$host_bin" --bind "" --lifetime 30 >"$work/auto.out" 2>"$work/auto.err" &
netns_wait_for "$work/auto.out" "ready 31773" 10 || fail "the host with Auto Select did not start"
netns_controller "$remote_bin" --json --kind status --count 1 --timeout 5 listen >"$work/auto-status.out" \
    || fail "nothing heard with Auto Select"
expect_line "$work/auto-status.out" "\"mac\":\"$NETNS_PLAYER_MAC\"" "Auto Select binds the connected adapter"
ip -n "$NETNS_OTHER" link set veth-x up

# A unicast status destination sends to the one controller instead.
netns_player "$host_bin" --bind "$NETNS_PLAYER_IP" --command-port 31775 --status-dest "$NETNS_CONTROLLER_IP:31790" \
    --lifetime 30 >"$work/host2.out" 2>"$work/host2.err" &
netns_wait_for "$work/host2.out" "ready 31775" 10 || fail "second host did not start"
netns_controller "$remote_bin" --json --host "$NETNS_PLAYER_IP:31775" --listen-port 31790 --kind text --replies 1 \
    --timeout 5 pause A >"$work/unicast.out" || fail "no text at the unicast destination"
expect_line "$work/unicast.out" 'Player A: Playback paused\.' "unicast destination"

# An address that comes after start (a card plugged in, DHCP late) is waited
# for, by the binary port and the OSC port alike, and bound when it comes.
late_ip=10.77.0.9
netns_player "$host_bin" --bind "$late_ip" --command-port 31776 --osc-port 31777 \
    --status-dest "$NETNS_CONTROLLER_IP:31791" --lifetime 30 >"$work/late-host.out" 2>"$work/late.err" &
netns_wait_for "$work/late.err" "Remote control: port 31776 waits for address $late_ip." 10 || fail "no wait for the late address"
netns_wait_for "$work/late.err" "OSC: port 31777 waits for address $late_ip." 10 || fail "no OSC wait for the late address"
ip -n "$NETNS_PLAYER" addr add "$late_ip/24" dev veth-p || fail "cannot add the late address"
netns_wait_for "$work/late.err" "Remote control: port 31776 listening on $late_ip (veth-p)." 10 || fail "the late address was not bound"
netns_wait_for "$work/late.err" "OSC: port 31777 listening on $late_ip (veth-p)." 10 || fail "the late address was not bound for OSC"
netns_controller "$remote_bin" --json --host "$late_ip:31776" --listen-port 31791 --kind text --replies 1 \
    --timeout 5 pause A >"$work/late.out" || fail "no answer on the late address"
expect_line "$work/late.out" 'Player A: Playback paused\.' "command on the late address"

[ -s "$work/other.out" ] && { fail "packets reached the other network:"; head -n 5 "$work/other.out" >&2; }

if [ "$failures" -ne 0 ]; then
    echo "--- player log ---" >&2
    cat "$work/host.err" >&2
    exit 1
fi
echo "remote broadcast test passed"
