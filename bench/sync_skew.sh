#!/usr/bin/env bash
# sync_skew.sh [BUILD_DIR] [FOLLOWERS...]: frame skew of a wall. A leader
# (controller namespace) and N followers (player namespace, each through a
# relay that delays its clock traffic 5 +- 2 ms each way) play a looping
# 100 ms clip at 60 fps after a 10 s warm-up. All members run on this host, so
# the monotonic time at which each fakesink rendered a frame is one time
# base: the skew of a frame is the latest render minus the earliest across
# members. The loop gap is the render interval across a loop point, next to
# the frame interval (16.667 ms). Needs root (namespaces).
set -uo pipefail
. "$(dirname "$0")/common.sh"
build=$(bench_prepare "${1:-}" sync_member) || exit 1
shift || true
[ $# -gt 0 ] || set -- 2 4 8
. "$BENCH_ROOT/tests/netns/netns.sh"
member=$build/bin/sync_member
warmup=${ZUVIO_SYNC_WARMUP:-10}
seconds=${ZUVIO_SYNC_SECONDS:-8}

for followers in "$@"; do
    (
        netns_setup
        work=$(mktemp -d)
        trap 'exec 7>&- 2>/dev/null; netns_cleanup; rm -rf "$work"' EXIT
        members=()
        for i in $(seq 1 "$followers"); do
            mkdir -p "$work/f$i"
            members+=(--member "$NETNS_PLAYER_IP:$((31800 + i))")
            netns_controller "$member" --relay $((31780 + i)) 127.0.0.1:31775 5 2 &
            netns_player "$member" --role follower --leader "$NETNS_CONTROLLER_IP" --port $((31780 + i)) \
                --cue-port $((31800 + i)) --log "$work/f$i" --clip-ms 100 >/dev/null 2>"$work/f$i.log" &
        done
        mkdir -p "$work/leader"
        mkfifo "$work/cues"
        netns_controller "$member" --role leader "${members[@]}" --log "$work/leader" --clip-ms 100 \
            <"$work/cues" >/dev/null 2>"$work/leader.log" &
        exec 7>"$work/cues"
        sleep "$warmup"
        echo play >&7
        sleep "$seconds"
        echo stop >&7
        sleep 1
        echo quit >&7
        # percentile FILE P: the P-th percentile of a column of numbers.
        percentile() { sort -n "$1" | awk -v p="$2" '{ v[NR] = $1 } END { i = int(NR * p / 100 + 0.5); if (i < 1) i = 1; print v[i] }'; }
        cat "$work"/f*/A.frames "$work/leader/A.frames" | awk -v n=$((followers + 1)) '
            { c[$1]++; if (!($1 in lo) || $3 < lo[$1]) lo[$1] = $3; if ($3 > hi[$1]) hi[$1] = $3 }
            END { for (t in c) if (c[t] == n) print (hi[t] - lo[t]) / 1000 }' >"$work/skew"
        for file in "$work"/f*/A.frames "$work/leader/A.frames"; do
            awk 'NR > 1 { d = ($3 - prev) / 1000; print ($2 == 0 ? "loop" : "frame"), d } { prev = $3 }' "$file"
        done >"$work/gaps"
        grep '^loop' "$work/gaps" | cut -d' ' -f2 >"$work/loop"
        grep '^frame' "$work/gaps" | cut -d' ' -f2 >"$work/frame"
        echo "summary: followers=$followers frames=$(wc -l <"$work/skew") median_us=$(percentile "$work/skew" 50)" \
            "p99_us=$(percentile "$work/skew" 99) max_us=$(percentile "$work/skew" 100)" \
            "loop_points=$(wc -l <"$work/loop") loop_gap_min_us=$(percentile "$work/loop" 0)" \
            "loop_gap_median_us=$(percentile "$work/loop" 50) loop_gap_max_us=$(percentile "$work/loop" 100)" \
            "frame_gap_median_us=$(percentile "$work/frame" 50) frame_gap_max_us=$(percentile "$work/frame" 100)"
    )
done
