#!/usr/bin/env bash
# Soak: the real player, remote-controlled across two network namespaces, for
# a long stretch of ordinary show use, watching that it does not grow.
#
#   1. cycles: CYCLES times open / play / stop over the network, alternating
#      Player A and Player B, each time the next clip of the playlist;
#   2. loop:   LOOP seconds of a looping, auto-advancing playlist of short
#      clips while the controller cuts to the other player every CUT seconds
#      (open the next entry in the hidden player, then play it).
#
# The player's resident memory (VmRSS), open file descriptors and threads are
# sampled at the start and then every few cycles / seconds, printed as a table
# and judged per phase after a warm-up (see judge() below). With --leaks the
# player runs under GStreamer's leaks tracer, which lists at exit every
# GStreamer object still alive; any is a failure.
#
# Usage: soak.sh ZUVIO ZUVIO_REMOTE MAKE_DEMO_MEDIA [options]
#   --cycles N          open/play/stop cycles (SOAK_CYCLES, default 100)
#   --loop-seconds S    length of the loop phase (SOAK_LOOP_SECONDS, default 60)
#   --cut-seconds S     seconds between cuts (default 3)
#   --sample-cycles N   sample every N cycles (default CYCLES/10)
#   --sample-seconds S  sample every S seconds in the loop (default LOOP/6)
#   --leaks             run under the leaks tracer and check its report
#   --full              2000 cycles, 30 minutes of loop, samples every 200
#                       cycles and every 3 minutes
#   --keep DIR          keep the logs, samples and trace in DIR
# Exit: 0 flat and clean, 1 failed, 77 skipped (no root / no namespaces).
set -u
zuvio=$(realpath "$1")
remote_bin=$(realpath "$2")
make_media=$(realpath "$3")
shift 3

cycles=${SOAK_CYCLES:-100}
loop_seconds=${SOAK_LOOP_SECONDS:-60}
cut_seconds=3
sample_cycles=""
sample_seconds=""
leaks=0
keep=""
while [ $# -gt 0 ]; do
    case $1 in
    --cycles) cycles=$2; shift ;;
    --loop-seconds) loop_seconds=$2; shift ;;
    --cut-seconds) cut_seconds=$2; shift ;;
    --sample-cycles) sample_cycles=$2; shift ;;
    --sample-seconds) sample_seconds=$2; shift ;;
    --leaks) leaks=1 ;;
    --full) cycles=2000; loop_seconds=1800; sample_cycles=200; sample_seconds=180 ;;
    --keep) keep=$2; shift ;;
    *) echo "soak.sh: unknown option $1" >&2; exit 2 ;;
    esac
    shift
done
[ -n "$sample_cycles" ] || sample_cycles=$(( cycles >= 10 ? cycles / 10 : 1 ))
[ -n "$sample_seconds" ] || sample_seconds=$(( loop_seconds >= 6 ? loop_seconds / 6 : 1 ))

here=$(cd "$(dirname "$0")" && pwd)
. "$here/../netns/netns.sh"
netns_test_setup
NETNS_ON_EXIT='[ -n "$keep" ] && { mkdir -p "$keep"; cp -r "$work"/*.log "$work"/*.out "$work"/*.txt "$keep"/ 2>/dev/null; }'
now() { date +%s.%N; }
since() { awk -v a="$1" -v b="$(now)" 'BEGIN { printf "%.0f", b - a }'; }

clips=4
netns_test_media "$make_media" "$clips" 2
cat >>"$work/config/vexo/Zuvio.conf" <<EOT

[Playlist]
m_AutoSkipTrack=1
m_LoopList=1
m_bLoopSingleTrack=0
EOT

# Text packets only: status packets would grow the file ten times a second.
packets=$work/packets.log
: >"$packets"
netns_controller "$remote_bin" --json --kind text listen >"$packets" 2>"$work/listen.log" &
exec {reader}<"$packets"
pending="" # a line the listener had not finished writing at the last read

# Reads the packets that arrived since the last call; `lines` gets them.
lines=()
read_new() {
    local line
    lines=()
    while IFS= read -r -u "$reader" line; do
        lines+=("$pending$line")
        pending=""
    done
    pending+=$line
}

opens_seen=0
# Waits up to SECONDS for a text packet containing TEXT (none: just reads for
# SECONDS); counts every successful open that goes by.
wait_text() { # TEXT SECONDS
    local text=$1 deadline l
    deadline=$(awk -v t="$(now)" -v s="$2" 'BEGIN { printf "%.3f", t + s }')
    while :; do
        read_new
        for l in ${lines[@]+"${lines[@]}"}; do
            [[ $l == *"Opening Stream ("*") successful."* ]] && opens_seen=$((opens_seen + 1))
            if [ -n "$text" ] && [[ $l == *"$text"* ]]; then
                return 0
            fi
        done
        awk -v t="$(now)" -v d="$deadline" 'BEGIN { exit !(t < d) }' || break
        sleep 0.02
    done
    [ -z "$text" ] && return 0
    fail "no \"$text\" within $2 s"
    return 1
}
send() { netns_controller "$remote_bin" --host "$NETNS_PLAYER_IP" "$@" || fail "sending $*"; }
name() { [ "$1" = A ] && echo "Player A" || echo "Player B"; }

player_env=()
if [ "$leaks" -eq 1 ]; then
    player_env+=(GST_TRACERS="${SOAK_TRACERS:-leaks}" GST_DEBUG="${SOAK_GST_DEBUG:-GST_TRACER:7,leaks:7}" GST_DEBUG_NO_COLOR=1
        GST_DEBUG_FILE="$work/gst-trace.log")
fi
netns_start_player "$work/player.log" "${player_env[@]}" "$zuvio"
# Up when it answers a command with a status packet.
up=0
for _ in $(seq 1 15); do
    kill -0 "$player_pid" 2>/dev/null || break
    if netns_controller "$remote_bin" --host "$NETNS_PLAYER_IP" --replies 1 --kind status --timeout 2 \
        select A >/dev/null 2>&1; then
        up=1
        break
    fi
done
[ "$up" -eq 1 ] || { echo "the player did not come up" >&2; cat "$work/player.log" >&2; exit 1; }

samples=$work/samples.txt
printf '%-7s %8s %8s %9s %5s %8s\n' phase elapsed cycle rss_kb fds threads >"$samples"
started=$(now)
sample() { # PHASE CYCLE
    local rss threads fds
    rss=$(awk '/^VmRSS:/ { print $2 }' "/proc/$player_pid/status" 2>/dev/null)
    threads=$(awk '/^Threads:/ { print $2 }' "/proc/$player_pid/status" 2>/dev/null)
    fds=$(ls "/proc/$player_pid/fd" 2>/dev/null | wc -l)
    if [ -z "$rss" ]; then
        fail "the player is gone ($1, cycle $2)"
        return 1
    fi
    printf '%-7s %8s %8s %9s %5s %8s\n' "$1" "$(since "$started")s" "$2" "$rss" "$fds" "$threads" | tee -a "$samples"
}

sample start 0 || { cat "$work/player.log" >&2; exit 1; }
head -1 "$samples"

# Phase 1: open / play / stop, alternating the players.
for ((i = 1; i <= cycles; i++)); do
    p=$([ $((i % 2)) -eq 1 ] && echo A || echo B)
    k=$(((i - 1) % clips + 1))
    send open "$p" ":$k"
    wait_text "$(name "$p"): Opening Stream ( clip$k.avi ) successful." 20 || break
    send play "$p"
    wait_text "$(name "$p"): Playback started." 20 || break
    send stop "$p"
    wait_text "$(name "$p"): Playback stopped." 20 || break
    [ $((i % sample_cycles)) -eq 0 ] && { sample cycles "$i" || break; }
done

# Phase 2: the playlist loops by itself; the controller cuts every few seconds.
loop_start=$(now)
cuts=0
opens_seen=0
next_sample=$sample_seconds
p=A
send open A ":1"
send play A
wait_text "Player A: Playback started." 20
while [ "$failures" -eq 0 ]; do
    elapsed=$(since "$loop_start")
    [ "$elapsed" -ge "$loop_seconds" ] && break
    if [ "$elapsed" -ge "$next_sample" ]; then
        sample loop "$cuts" || break
        next_sample=$((next_sample + sample_seconds))
    fi
    wait_text "" "$cut_seconds" # the active player runs on, advancing at each clip's end
    p=$([ "$p" = A ] && echo B || echo A)
    k=$((cuts % clips + 1))
    send open "$p" ":$k"
    wait_text "$(name "$p"): Opening Stream ( clip$k.avi ) successful." 20 || break
    send play "$p"
    wait_text "$(name "$p"): Playback started." 20 || break
    cuts=$((cuts + 1))
done
[ "$failures" -eq 0 ] && sample loop "$cuts"
auto_opens=$((opens_seen - cuts))
echo "loop: $cuts cuts, $auto_opens entries opened by the playlist itself at a clip's end"
[ "$failures" -ne 0 ] || [ "$loop_seconds" -lt 10 ] || [ "$auto_opens" -gt 0 ] \
    || fail "the playlist never advanced by itself in ${loop_seconds}s"

# Flat: per phase, after the warm-up samples (the first fifth), the last third
# of the samples against the first third: file descriptors may not rise by
# more than 3 (max against max), threads by more than 4 (GStreamer's thread
# pools keep a few idle threads), resident memory by more than 8 MB or 10 %
# (median against median), whichever is more. One descriptor or one thread
# leaked per cycle or cut is far beyond that. Under AddressSanitizer the
# memory figures include its quarantine and are shown, not judged.
sanitized=0
grep -q "__asan_init" "$zuvio" 2>/dev/null && sanitized=1
judge() { # PHASE
    awk -v phase="$1" -v sanitized="$sanitized" '
        function median(a, from, to,   n, i, j, t, b) {
            n = 0
            for (i = from; i <= to; i++) b[++n] = a[i]
            for (i = 2; i <= n; i++) for (j = i; j > 1 && b[j - 1] > b[j]; j--) { t = b[j]; b[j] = b[j - 1]; b[j - 1] = t }
            return n % 2 ? b[(n + 1) / 2] : (b[n / 2] + b[n / 2 + 1]) / 2
        }
        function max(a, from, to,   i, m) {
            m = a[from]
            for (i = from; i <= to; i++) if (a[i] > m) m = a[i]
            return m
        }
        $1 == phase { n++; rss[n] = $4; fds[n] = $5; thr[n] = $6 }
        END {
            warm = int(n / 5); first = warm + 1; count = n - warm
            if (count < 3) { printf "%s: %d samples, too few to judge\n", phase, n; exit 0 }
            third = int((count + 2) / 3); last = n - third + 1
            f = max(fds, first, first + third - 1); l = max(fds, last, n)
            t0 = max(thr, first, first + third - 1); t1 = max(thr, last, n)
            r0 = median(rss, first, first + third - 1); r1 = median(rss, last, n)
            slack = r0 / 10 > 8192 ? r0 / 10 : 8192
            bad = 0
            if (l > f + 3) { printf "FAIL: %s: open files rose from %d to %d\n", phase, f, l; bad = 1 }
            if (t1 > t0 + 4) { printf "FAIL: %s: threads rose from %d to %d\n", phase, t0, t1; bad = 1 }
            if (!sanitized && r1 > r0 + slack) { printf "FAIL: %s: memory rose from %d kB to %d kB\n", phase, r0, r1; bad = 1 }
            printf "%s: samples %d-%d against %d-%d: fds %d -> %d, threads %d -> %d, rss %d -> %d kB%s\n",
                phase, first, first + third - 1, last, n, f, l, t0, t1, r0, r1, sanitized ? " (not judged: sanitizer)" : ""
            exit bad
        }' "$samples"
}
echo "--- samples (rss in kB) ---"
cat "$samples"
if [ "$failures" -eq 0 ]; then
    judge cycles || failures=$((failures + 1))
    judge loop || failures=$((failures + 1))
fi

# The player still answers, then closes as Quit does.
send stop "$p"
wait_text "$(name "$p"): Playback stopped." 20
kill -TERM "$player_pid"
code=""
for _ in $(seq 1 300); do
    kill -0 "$player_pid" 2>/dev/null || { wait "$player_pid"; code=$?; break; }
    sleep 0.1
done
[ -n "$code" ] || { kill -KILL "$player_pid"; fail "the player did not exit within 30 s of SIGTERM"; }
[ "${code:-0}" -eq 0 ] || fail "exit code $code after SIGTERM"
grep -q "FATAL" "$work/player.log" && fail "fatal lines in the player's log"

if [ "$leaks" -eq 1 ]; then
    trace=$work/gst-trace.log
    report=$(grep -o 'listed [0-9]* alive objects' "$trace" 2>/dev/null | tail -1)
    if [ -z "$report" ]; then
        fail "the leaks tracer made no report (was GStreamer shut down?)"
    else
        alive=$(awk '{ print $2 }' <<<"$report")
        echo "leaks tracer: $alive GStreamer objects alive at exit"
        if [ "$alive" -ne 0 ]; then
            fail "$alive GStreamer objects leaked"
            grep -o 'object-alive, type-name=(string)[A-Za-z][A-Za-z0-9_]*' "$trace" | sort | uniq -c | sort -rn | head -20 >&2
        fi
    fi
fi

if [ "$failures" -ne 0 ]; then
    echo "--- last lines of the player's log ---" >&2
    tail -n 40 "$work/player.log" >&2
    exit 1
fi
echo "soak passed: $cycles cycles, ${loop_seconds}s loop with $cuts cuts"
