#!/usr/bin/env bash
# A wall of real players: a leader and FOLLOWERS followers, each in a namespace
# of its own on one bridged show network without a gateway, and a controller
# that talks to the leader only. The controller's play, take (OSC) and stop
# become cues that every member acts on; each member logs, per frame, the group
# time it was due (a test mode of the player). The members must agree on every
# frame they share, and each cue must reach every member. The leader is killed
# mid-run (the followers play on and log it once) and restarted (they rejoin
# and obey its next cues). Then the leader's machine "reboots" twice: restarted
# in a time namespace whose monotonic and boot clocks stand far ahead, then
# near zero; the followers play on, re-base onto its new time and lock again.
# Forged and overflowing cues from another host are logged and change nothing.
# Usage: sync_players_test.sh ZUVIO ZUVIO_REMOTE MAKE_DEMO_MEDIA [FOLLOWERS]
set -u
zuvio=$(realpath "$1")
remote_bin=$(realpath "$2")
make_media=$(realpath "$3")
followers=${4:-2}
[ "$(id -u)" -eq 0 ] || { echo "SKIP: needs root for network namespaces" >&2; exit 77; }
command -v oscsend >/dev/null || { echo "SKIP: liblo-tools missing" >&2; exit 77; }

tag=zw$$$RANDOM
work=$(mktemp -d)
names=(leader $(seq -f "f%g" 1 "$followers") ctl)
cleanup() {
    local n pid
    for n in "${names[@]}" sw; do
        for pid in $(ip netns pids "$tag-$n" 2>/dev/null); do kill -KILL "$pid" 2>/dev/null; done
        ip netns del "$tag-$n" 2>/dev/null
        rm -rf "/etc/netns/$tag-$n"
    done
    rmdir /etc/netns 2>/dev/null
    [ -n "${ZUVIO_KEEP:-}" ] && cp -r "$work" "$ZUVIO_KEEP"
    rm -rf "$work"
}
trap cleanup EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

# One switch (a bridge in a namespace of its own) and a port per member.
ip netns add "$tag-sw" || { echo "SKIP: cannot make namespaces" >&2; exit 77; }
ip -n "$tag-sw" link add br0 type bridge && ip -n "$tag-sw" link set br0 up || { echo "SKIP: no bridge" >&2; exit 77; }
declare -A ip_of
i=0
for n in "${names[@]}"; do
    i=$((i + 1))
    ip_of[$n]=10.79.0.$i
    ip netns add "$tag-$n"
    ip link add "zw$i$$" type veth peer name eth0 netns "$tag-$n"
    ip link set "zw$i$$" netns "$tag-sw"
    ip -n "$tag-sw" link set "zw$i$$" master br0 up
    ip -n "$tag-$n" addr add "${ip_of[$n]}/24" brd 10.79.0.255 dev eth0
    ip -n "$tag-$n" link set eth0 up
    ip -n "$tag-$n" link set lo up
done
in_ns() { local n=$1; shift; ip netns exec "$tag-$n" "$@"; }

"$make_media" "$work/media" 3 30 >/dev/null || { echo "cannot generate the clips" >&2; exit 1; }
gst-launch-1.0 -q videotestsrc num-buffers=25 pattern=ball ! video/x-raw,width=320,height=180,framerate=25/1 \
    ! jpegenc ! avimux ! filesink location="$work/media/loop.avi" >/dev/null || { echo "cannot make the loop" >&2; exit 1; }
declare -A pid_of
launch=() # a command the next member starts under (a time namespace)
start_member() { # NAME ROLE...
    local n=$1
    shift
    mkdir -p "$work/$n/config/vexo" "$work/$n/run"
    printf '[General]\nm_bShowSplash=0\nm_bReloadPlaylist=0\nm_AutoPlaylist=%s\nm_BindIpAddress=%s\nm_iDmxSource=0\n[Playlist]\nm_bLoopSingleTrack=1\n' \
        "$work/media/demo.m3u" "${ip_of[$n]}" >"$work/$n/config/vexo/Zuvio.conf"
    # A simple command in the background, so that $! is the player itself.
    ip netns exec "$tag-$n" env -C "$work/$n/run" QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME="$work/$n/config" \
        ZUVIO_TEST_FRAME_LOG="$work/$n/frames" "${launch[@]}" "$zuvio" --audio-sink="fakesink sync=true" \
        --video-sink="fakesink sync=true" --log-stderr "$@" >/dev/null 2>>"$work/$n.log" &
    pid_of[$n]=$!
}
wait_log() { # NAME SECONDS TEXT [COUNT]
    local deadline=$((SECONDS + $2))
    until [ "$(grep -cF -- "$3" "$work/$1.log")" -ge "${4:-1}" ]; do
        [ $SECONDS -lt $deadline ] || { fail "$1: no \"$3\""; tail -n 8 "$work/$1.log" >&2; return 1; }
        sleep 0.1
    done
}
members=(leader $(seq -f "f%g" 1 "$followers"))
every() { local n; for n in "${members[@]}"; do wait_log "$n" "$@"; done; }
send() { in_ns ctl "$remote_bin" --host "${ip_of[leader]}" "$@" >/dev/null || fail "sending $*"; }
# Frames of PLAYER (0 = A, 1 = B) due at or after group time FROM, logged
# after the member's mark (a leader's reboot starts another time base).
declare -A mark=()
skew=1 # the host's monotonic time in the frame logs is one clock for every member
frames_from() { tail -n +$((${mark[$1.$2]:-0} + 1)) "$work/$1/frames.$2" 2>/dev/null | awk -v from="$3" '$1 >= from'; }
# The group time of the last cue NAME logged ("Sync: play Player A at group time T").
cue_time() { grep -F "Sync: $2 at group time" "$work/$1.log" | tail -n 1 | sed -E 's/.*group time ([0-9]+).*/\1/'; }
# Every follower logged the leader's group time for the cue, and rendered every
# frame of PLAYER from it on at the same group time as the leader.
check_cue() { # CUE PLAYER MIN_FRAMES
    local t n deadline
    t=$(cue_time leader "$1")
    [ -n "$t" ] || { fail "the leader did not cue $1"; return; }
    for n in "${members[@]}"; do
        deadline=$((SECONDS + 20))
        until [ "$(frames_from "$n" "$2" "$t" | wc -l)" -ge "$3" ]; do
            [ $SECONDS -lt $deadline ] || { fail "$n: fewer than $3 frames after $1"; break; }
            sleep 0.1
        done
        [ "$n" = leader ] && continue
        [ "$(cue_time "$n" "$1")" = "$t" ] || fail "$n: cue $1 at $(cue_time "$n" "$1"), the leader's at $t"
        # Same frame (pts) at the same group time; the first frames of a late joiner may be missing.
        frames_from leader "$2" "$t" | head -n "$3" >"$work/ref"
        frames_from "$n" "$2" "$t" | head -n "$3" >"$work/got"
        awk -v who="$n $1" 'FNR == NR { pts[$1] = $2; next }
            ($1 in pts) { shared++; if (pts[$1] != $2) { bad++; if (bad < 4) printf "%s: due %s shows pts %s, leader %s\n", who, $1, $2, pts[$1] } }
            END { if (shared < 10) printf "%s: only %d frames shared\n", who, shared; exit (bad > 0 || shared < 10) }' \
            "$work/ref" "$work/got" || fail "$n: frames after $1 differ from the leader's"
    done
    # How far apart the members really rendered (one host, one monotonic clock): for information.
    [ "$skew" = 1 ] || return
    for n in "${members[@]}"; do
        [ "$n" = leader ] && continue
        awk 'FNR == NR { at[$1] = $3; next } ($1 in at) { d = $3 - at[$1]; if (d < 0) d = -d; print d / 1e6 }' \
            "$work/ref" <(frames_from "$n" "$2" "$t" | head -n "$3") | sort -n |
            awk -v who="$n $1" '{ v[NR] = $1 } END { if (NR) printf "%s: render skew median %.2f ms, max %.2f ms over %d frames\n", who, v[int((NR + 1) / 2)], v[NR], NR }'
    done
}

start_member leader --sync=leader
# The last follower knows its leader by name (ip netns exec shows it
# /etc/netns/NS/hosts as /etc/hosts): resolved once, and its cues checked
# against the address.
named=${members[-1]}
mkdir -p "/etc/netns/$tag-$named" && echo "${ip_of[leader]} wall-leader" >"/etc/netns/$tag-$named/hosts"
for n in "${members[@]:1}"; do
    leader_name=${ip_of[leader]}
    [ "$n" = "$named" ] && [ "$followers" -gt 1 ] && leader_name=wall-leader
    start_member "$n" --sync=follower --sync-leader="$leader_name"
done
[ "$followers" -gt 1 ] && wait_log "$named" 30 "Sync: the leader wall-leader is ${ip_of[leader]}."
for n in "${members[@]:1}"; do wait_log "$n" 30 "Sync: locked to the leader" || exit 1; done

send play A
every 10 "Sync: play Player A at group time"
check_cue "play Player A" 0 50

# A take from OSC: the leader cues the hidden player's play; B opens entry 2 first.
send open B :2
every 10 "Sync: open Player B"
# The leader refuses a take until B holds its medium: try again until it is cued.
for _ in $(seq 1 50); do
    in_ns ctl oscsend "${ip_of[leader]}" 31774 /zuvio/take || fail "oscsend take"
    sleep 0.2
    grep -qF "Sync: play Player B at group time" "$work/leader.log" && break
done
every 10 "Sync: play Player B at group time"
check_cue "play Player B" 1 50

# The leader dies: the followers play on by themselves and say so once.
kill -KILL "${pid_of[leader]}"
for n in "${members[@]:1}"; do wait_log "$n" 20 "does not answer"; done
sleep 1
start_member leader --sync=leader
for n in "${members[@]:1}"; do wait_log "$n" 30 "Sync: rejoined the leader"; done
wait_log leader 20 "Resume: the last run ended uncleanly; restoring the show."
# The resumed leader plays B on; a cue from it still moves the whole wall.
send stop B
every 10 "Sync: stop Player B at group time"
send play A
every 10 "Sync: play Player A at group time" 2
check_cue "play Player A" 0 50
# A controller asks the leader for open+play of a 1 s clip in B (a cue with group
# time 0); with "Repeat single Track" on, every member loops it frame for frame,
# one frame interval (40 ms) between any two frames: no gap, no repeat at a loop point.
send raw 40 B 4 "0 0 $work/media/loop.avi"
every 10 "Sync: open+play Player B at group time"
check_cue "open+play Player B" 1 150
t=$(cue_time leader "open+play Player B")
for n in "${members[@]}"; do
    frames_from "$n" 1 "$t" | head -n 150 | awk -v who="$n" '
        NR > 1 && $1 - prev != 40000000 { bad++; if (bad < 4) printf "%s: %d ns between frames at %s\n", who, $1 - prev, $1 }
        NR > 1 && $2 < pts { loops++ }
        { prev = $1; pts = $2 }
        END { if (loops < 4) printf "%s: %d loops\n", who, loops; exit (bad > 0 || loops < 4) }' ||
        fail "$n: the loop is not seamless"
done
for n in "${members[@]:1}"; do
    [ "$(grep -c "does not answer" "$work/$n.log")" = 1 ] || fail "$n: the loss is not logged once"
done


# Bad input from a second host: a forged cue (stop B) and one whose group time
# overflows. Each is logged once; B plays on.
f1=${members[1]}
before=$(wc -l <"$work/$f1/frames.1")
stops=$(grep -c "Sync: stop Player B" "$work/$f1.log")
for _ in 1 2 3; do
    in_ns ctl "$remote_bin" --host "${ip_of[$f1]}" raw 40 B 2 "4000000000 1" >/dev/null
    in_ns ctl "$remote_bin" --host "${ip_of[$f1]}" raw 40 B 1 "4000000001 99999999999999999999999" >/dev/null
done
wait_log "$f1" 10 "Sync: ignored a cue from ${ip_of[ctl]}: the leader is ${ip_of[leader]}."
wait_log "$f1" 10 "Sync: refused a cue from ${ip_of[ctl]}: the group time is out of range."
[ "$(grep -c "Sync: ignored a cue from ${ip_of[ctl]}" "$work/$f1.log")" = 1 ] || fail "$f1: the forger is not logged once"
[ "$(grep -c "Sync: stop Player B" "$work/$f1.log")" = "$stops" ] || fail "$f1: a forged stop was taken"
deadline=$((SECONDS + 10))
until [ "$(wc -l <"$work/$f1/frames.1")" -ge $((before + 50)) ]; do
    [ $SECONDS -lt $deadline ] || { fail "$f1: B stopped rendering after the bad cues"; break; }
    sleep 0.1
done

# The leader's machine reboots. Its clock comes back elsewhere: a time namespace
# gives the restarted leader monotonic and boot times far ahead, then near zero.
if ! unshare --time --monotonic=1 --boottime=1 true 2>/dev/null; then
    echo "SKIP part: no time namespaces here (unshare --time)" >&2
else
    reboots=0
    skew=0 # the rebooted leader's monotonic time is its namespace's
    active=1 # B loops the 1 s clip; after the first reboot's cue, A plays a 30 s clip
    length=(30000000000 1000000000)
    for offset in 1000000 $((5 - $(cut -d. -f1 /proc/uptime))); do
        reboots=$((reboots + 1))
        lost=$(grep -c "does not answer" "$work/${members[1]}.log")
        for pid in $(ip netns pids "$tag-leader"); do kill -KILL "$pid"; done
        # Down longer than a loss takes to show, as a reboot is.
        for n in "${members[@]:1}"; do wait_log "$n" 20 "does not answer" $((lost + 1)); done
        declare -A rendered=()
        for n in "${members[@]:1}"; do rendered[$n]=$(wc -l <"$work/$n/frames.$active"); done
        launch=(unshare --time --monotonic="$offset" --boottime="$offset")
        start_member leader --sync=leader
        launch=()
        wait_log leader 30 "Sync: leader, serving the group clock" $((reboots + 2)) || break
        back=$(date +%s%N)
        for n in "${members[@]:1}"; do
            wait_log "$n" 30 "Sync: the leader's time jumped by" "$reboots"
            wait_log "$n" 30 "Sync: rejoined the leader" $((reboots + 1)) &&
                echo "$n: locked again $((($(date +%s%N) - back) / 1000000)) ms after the leader served (offset $offset s)"
            # Rendering went on while the leader was away and through the re-base,
            # and never past the end of the clip.
            [ "$(wc -l <"$work/$n/frames.$active")" -gt "${rendered[$n]}" ] ||
                fail "$n: player $active stopped while the leader was away"
            tail -n +$((rendered[$n] + 1)) "$work/$n/frames.$active" |
                awk -v end="${length[$active]}" '$2 >= end { bad++ } END { exit bad > 0 }' ||
                fail "$n: a frame past the end of the clip"
        done
        # The wall obeys the rebooted leader's cues, frame for frame.
        declare -A plays=()
        for n in "${members[@]}"; do
            plays[$n]=$(grep -c "Sync: play Player A at group time" "$work/$n.log")
            mark[$n.0]=$(wc -l <"$work/$n/frames.0")
        done
        send play A
        for n in "${members[@]}"; do wait_log "$n" 10 "Sync: play Player A at group time" $((plays[$n] + 1)); done
        check_cue "play Player A" 0 50
        active=0
    done
fi

[ "$failures" -eq 0 ] && echo "PASS" || echo "$failures failure(s)"
exit $((failures > 0))
