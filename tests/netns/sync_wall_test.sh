#!/usr/bin/env bash
# A wall across the namespaces: a leader (controller namespace) and followers
# (player namespace), 5 ms +- 2 ms of delay on the clock's path both ways
# (netem where the kernel has it, else a delaying relay per follower). The leader
# cues play, a cut and, after being killed and restarted while the followers
# ran on alone, another cut and a stop. Every member logs, per frame, the
# group-clock time it was due; the members must agree frame for frame: the
# first frame after play, after each cut, and across 100 loops of a 100 ms clip
# with no gap or repeated frame at any loop point.
# Usage: sync_wall_test.sh SYNC_MEMBER [FOLLOWERS]
set -u
member=$(realpath "$1")
followers=${2:-3}
here=$(cd "$(dirname "$0")" && pwd)
. "$here/netns.sh"
netns_setup

work=$(mktemp -d)
leader_pid=""
trap '[ -n "$leader_pid" ] && kill "$leader_pid" 2>/dev/null; exec 7>&- 2>/dev/null; netns_cleanup; rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

jitter=1
for ns in "$NETNS_PLAYER:veth-p" "$NETNS_CONTROLLER:veth-c"; do
    ip -n "${ns%%:*}" link show "${ns#*:}" >/dev/null &&
        tc -n "${ns%%:*}" qdisc add dev "${ns#*:}" root netem delay 5ms 2ms 2>/dev/null || jitter=0
done
[ $jitter = 1 ] || echo "NOTE: no netem here; the clock runs through delaying relays"

members=()
for i in $(seq 1 "$followers"); do
    mkdir -p "$work/f$i"
    members+=(--member "$NETNS_PLAYER_IP:$((31800 + i))")
    port=31775
    if [ $jitter = 0 ]; then
        port=$((31780 + i))
        netns_controller "$member" --relay $port 127.0.0.1:31775 5 2 &
    fi
    netns_player "$member" --role follower --leader "$NETNS_CONTROLLER_IP" --port $port --cue-port $((31800 + i)) \
        --log "$work/f$i" --clip-ms 100 >/dev/null 2>"$work/f$i.log" &
done
mkdir -p "$work/leader"
start_leader() {
    mkfifo "$work/cues.$1"
    netns_controller "$member" --role leader "${members[@]}" --log "$work/leader" --clip-ms 100 \
        <"$work/cues.$1" >/dev/null 2>>"$work/leader.log" &
    leader_pid=$!
    exec 7>"$work/cues.$1"
}
cue() { echo "$1" >&7; }
# Every follower has logged PATTERN (at least COUNT times), within SECONDS.
all_logged() { # PATTERN SECONDS [COUNT]
    local deadline=$((SECONDS + $2)) i
    for i in $(seq 1 "$followers"); do
        until [ "$(grep -c "$1" "$work/f$i.log")" -ge "${3:-1}" ]; do
            [ $SECONDS -lt $deadline ] || { fail "follower $i: no \"$1\""; cat "$work/f$i.log" >&2; return 1; }
            sleep 0.1
        done
    done
}
# Every member has logged at least COUNT frames of CLIP, within SECONDS.
all_frames() { # CLIP COUNT SECONDS [followers]
    local deadline=$((SECONDS + $3)) dir dirs=("$work"/f*/)
    [ -n "${4:-}" ] || dirs+=("$work/leader")
    for dir in "${dirs[@]}"; do
        [ -d "$dir" ] || continue
        until [ "$(cat "$dir/$1.frames" 2>/dev/null | wc -l)" -ge "$2" ]; do
            [ $SECONDS -lt $deadline ] || { fail "$dir: fewer than $2 frames of $1"; return 1; }
            sleep 0.1
        done
    done
}

start_leader 1
all_logged "locked to the leader" 30 || exit 1
cue play
all_frames A 60 20
cue cut
# Half the loops, then the leader goes away for good measure and comes back.
all_frames B 300 30
kill "$leader_pid"; wait "$leader_pid" 2>/dev/null; exec 7>&-
all_logged "does not answer" 20
all_frames B 600 30 followers # the followers run on by themselves
start_leader 2
all_logged "rejoined" 30
cue cut
all_logged "cut at" 20 2
all_frames A 120 20
cue stop
all_logged "stop at" 20
sleep 0.5 # frames already due reach the files
cue quit

# The leader's frames are the reference; both runs of A match exactly, and
# every B frame the leader showed a follower showed at the same group time.
# Frames are one frame apart within a run: no gap, no repeat at a loop point.
check() { # REFERENCE FILE CLIP
    awk -v clip="$3" -v name="$2" '
        FNR == NR { want[$1] = $2; n++; next }
        { got[$1] = $2; m++ }
        FNR > 1 && $1 - prev != 16666666 && $1 - prev != 16666667 && $1 - prev < 50000000 {
            printf "%s: %d ns between frames at %s\n", name, $1 - prev, $1; bad++ }
        { if ($2 == 0) loops++; prev = $1 }
        END {
            for (t in want) if (!(t in got) || got[t] != want[t]) { missing++; if (missing < 4) printf "%s: frame due %s (pts %s) missing\n", name, t, want[t] }
            if (clip == "A") for (t in got) if (!(t in want)) { extra++; if (extra < 4) printf "%s: extra frame %s\n", name, t }
            short = clip == "B" && name !~ /leader/ && loops < 100
            if (short) printf "%s: %d loops\n", name, loops
            exit (bad + missing + extra > 0 || short)
        }' "$1" "$2" || fail "$2 differs from the leader"
}
for clip in A B; do
    check "$work/leader/$clip.frames" "$work/leader/$clip.frames" "$clip"
    for i in $(seq 1 "$followers"); do check "$work/leader/$clip.frames" "$work/f$i/$clip.frames" "$clip"; done
done
for i in $(seq 1 "$followers"); do
    [ "$(grep -c "does not answer" "$work/f$i.log")" = 1 ] || fail "follower $i: the loss is not logged once"
done
# How far apart the members really rendered (one host, one monotonic clock): for information.
cat "$work"/f*/B.frames "$work/leader/B.frames" | awk '{ if (!($1 in lo) || $3 < lo[$1]) lo[$1] = $3; if ($3 > hi[$1]) hi[$1] = $3 }
    END { for (t in lo) { s = hi[t] - lo[t]; if (s > max) max = s; sum += s; n++ } printf "render skew over %d frames: mean %.3f ms, max %.3f ms\n", n, sum / n / 1e6, max / 1e6 }'
[ $failures = 0 ] && echo "sync wall: $followers followers agree frame for frame" && exit 0
echo "$failures failure(s)" >&2
exit 1
