#!/usr/bin/env bash
# Hostile media under fire: the real zuvio, headless in the player namespace,
# is made to open FIFOs (no writer; a writer that sent one byte and stalls),
# clips cut at 10, 50 and 90 %, an empty file, /dev/zero, a directory and
# bit-flipped copies of the clips, in Player A and in Player B, once by path
# over the network and once as entries of its playlist (":N"). The playlist
# holds them without lengths, so loading it at start-up probes every one.
# Where FUSE works, a share that hangs (tools/stallfs): an open whose file check
# hangs fails by the open's bound while a newer open in the same player goes
# through, the interface thread is never held over 50 ms meanwhile, and
# quitting does not wait for a check that still hangs.
#
# Checks: the player never dies, every open is answered within its bound, the
# status keeps coming, and both players still play a good clip afterwards.
# Measures: each open's time (command sent to answer received) and, through
# the player's opt-in stall monitor (ZUVIO_STALL_MONITOR), every time its
# user-interface thread was kept from its event loop, each charged to the step
# during which it began. Prints a table per category.
#
# Usage: hostile_media_test.sh ZUVIO ZUVIO_REMOTE MAKE_DEMO_MEDIA [FLIPS]
#   FLIPS: bit-flipped copies (default 8; the full run uses 200). Also from
#   ZUVIO_HOSTILE_FLIPS. ZUVIO_HOSTILE_REPORT=FILE keeps the table there.
set -u
zuvio=$1
remote_bin=$2
make_media=$3
flips=${4:-${ZUVIO_HOSTILE_FLIPS:-8}}
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../netns/netns.sh"
netns_setup

# The preroll wait is 5 s; the rest is room for a slow or sanitised build.
open_bound_ms=${ZUVIO_HOSTILE_OPEN_BOUND_MS:-10000}
block_bound_ms=$open_bound_ms
status_period_ms=1500

work=$(mktemp -d)
stall_fd=""
trap 'unmount_share; netns_cleanup; [ -n "${ZUVIO_HOSTILE_KEEP:-}" ] && echo "kept $work" >&2 || rm -rf "$work"' EXIT
mkdir -p "$work/config/vexo" "$work/run" "$work/hostile"
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
now_ms() { date +%s%3N; }

"$make_media" "$work/media" 3 2 >/dev/null || { echo "cannot generate the clips" >&2; exit 1; }
h=$work/hostile

# --- the hostile set: "category path" per line, for direct opens and the playlist
: >"$work/direct.txt"
: >"$work/listed.txt"
add() { # CATEGORY PATH [direct|listed|both]
    case ${3:-both} in
    direct) echo "$1 $2" >>"$work/direct.txt" ;;
    listed) echo "$1 $2" >>"$work/listed.txt" ;;
    *) echo "$1 $2" >>"$work/direct.txt" && echo "$1 $2" >>"$work/listed.txt" ;;
    esac
}
mkfifo "$h/fifo-nowriter.avi" && add fifo-nowriter "$h/fifo-nowriter.avi"
# Held open read-write by this shell: one byte waits in the pipe, and no more ever comes.
mkfifo "$h/fifo-onebyte.avi" && exec {stall_fd}<>"$h/fifo-onebyte.avi" && printf 'x' >&"$stall_fd" \
    && add fifo-onebyte "$h/fifo-onebyte.avi"
for clip in 1 2 3; do
    size=$(stat -c %s "$work/media/clip$clip.avi")
    for percent in 10 50 90; do
        head -c $((size * percent / 100)) "$work/media/clip$clip.avi" >"$h/cut$percent-clip$clip.avi"
        add "cut$percent" "$h/cut$percent-clip$clip.avi"
    done
done
: >"$h/empty.avi" && add empty "$h/empty.avi"
add dev-zero /dev/zero direct
ln -s /dev/zero "$h/zero.avi" && add dev-zero "$h/zero.avi" listed # a media name, so the playlist takes it
mkdir "$h/folder" && add directory "$h/folder" direct
mkdir "$h/folder.avi" && add directory "$h/folder.avi" listed

# Bit flips, reproducible: copy N comes from clip N%3+1 with the random
# generator seeded by N; half the flips land in the first 1.5 KiB (the AVI
# headers), one in the last 2 KiB (the index), the rest anywhere.
flip_bit() { # FILE OFFSET BIT
    local byte
    byte=$(od -An -tu1 -j "$2" -N1 "$1" | tr -d ' ')
    printf "\\$(printf '%03o' $((byte ^ (1 << $3))))" | dd of="$1" bs=1 seek="$2" conv=notrunc status=none
}
for n in $(seq 1 "$flips"); do
    f=$(printf '%s/flip-%03d.avi' "$h" "$n")
    cp "$work/media/clip$((n % 3 + 1)).avi" "$f"
    size=$(stat -c %s "$f")
    RANDOM=$n
    for k in 1 2 3 4 5 6 7 8; do
        case $k in
        1 | 2 | 3 | 4) off=$((RANDOM % 1536)) ;;
        5) off=$((size - 1 - RANDOM % 2048)) ;;
        *) off=$(((RANDOM * 32768 + RANDOM) % size)) ;;
        esac
        flip_bit "$f" "$off" $((RANDOM % 8))
    done
    add bitflip "$f"
done

# Playlist: a good clip first (loaded into Player A at start-up), the hostile
# entries, a good clip last; no lengths, so each entry is probed on loading.
{
    echo "#EXTM3U"
    echo "$work/media/clip1.avi"
    cut -d' ' -f2- "$work/listed.txt"
    echo "$work/media/clip2.avi"
} >"$work/hostile.m3u"
entries=$(($(wc -l <"$work/listed.txt") + 2))

# A share that hangs, for real: zuvio-stallfs (tools/stallfs) shows share-src
# over FUSE, and while $work/share-stall exists each of its calls waits (30 s at
# most). Mounted before the player starts, so that its namespace sees it.
stallfs=${ZUVIO_STALLFS:-$(dirname "$zuvio")/zuvio-stallfs}
share=""
stallfs_pid=""
if [ -x "$stallfs" ] && [ -c /dev/fuse ]; then
    mkdir -p "$work/share-src" "$work/share"
    cp "$work/media/clip3.avi" "$work/share-src/hung.avi"
    cp "$work/media/clip3.avi" "$work/share-src/last.avi"
    "$stallfs" "$work/share-src" "$work/share-stall" 30000 "$work/share" -f 2>"$work/stallfs.err" &
    stallfs_pid=$!
    for _ in $(seq 1 500); do
        [ -e "$work/share/hung.avi" ] && break
        sleep 0.02
    done
    if [ -e "$work/share/hung.avi" ]; then
        share=$work/share
    else
        echo "note: zuvio-stallfs cannot mount here; the hung-share steps are skipped" >&2
    fi
else
    echo "note: no zuvio-stallfs or /dev/fuse; the hung-share steps are skipped" >&2
fi
unmount_share() {
    [ -n "$stallfs_pid" ] || return 0
    rm -f "$work/share-stall"
    fusermount3 -u -z "$work/share" 2>/dev/null
    kill "$stallfs_pid" 2>/dev/null
    wait "$stallfs_pid" 2>/dev/null
    stallfs_pid=""
}

netns_player_settings "$work/config" "$work/hostile.m3u"

packets=$work/packets.jsonl
: >"$packets"
netns_controller "$remote_bin" --json --timestamps listen >"$packets" 2>"$work/listen.err" &

log=$work/player.log
start_ms=$(now_ms)
ip netns exec "$NETNS_PLAYER" env -C "$work/run" QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME="$work/config" \
    ZUVIO_STALL_MONITOR=20 "$zuvio" --audio-sink="fakesink sync=true" --video-sink="fakesink sync=true" \
    --log-stderr >"$work/player.out" 2>"$log" &
player_pid=$!

alive() { kill -0 "$player_pid" 2>/dev/null; }
die() {
    fail "$*"
    echo "--- last packets ---" >&2
    tail -n 5 "$packets" >&2
    echo "--- player log (tail) ---" >&2
    tail -n 40 "$log" >&2
    exit 1
}
mark() { wc -l <"$packets"; }
# Prints the first packet line after line MARK that holds every pattern, waiting
# up to MS milliseconds; fails (status 1) when none came.
wait_packet() { # MARK MS PATTERN...
    local from=$1 deadline=$(($(now_ms) + $2)) line
    shift 2
    while :; do
        line=$(tail -n +"$((from + 1))" "$packets" | grep -F -- "$1")
        local p
        for p in "${@:2}"; do line=$(grep -F -- "$p" <<<"$line"); done
        if [ -n "$line" ]; then
            head -n 1 <<<"$line"
            return 0
        fi
        [ "$(now_ms)" -lt "$deadline" ] || return 1
        alive || return 1
        sleep 0.02
    done
}
packet_time() { sed -n 's/^{"t":\([0-9]*\),.*/\1/p'; }
send() { netns_controller "$remote_bin" --host "$NETNS_PLAYER_IP" "$@" </dev/null || fail "sending $*"; }

# Start-up loads and probes the whole playlist before the first status.
line=$(wait_packet 0 $((60000 + entries * open_bound_ms)) '"kind":"status"' '"file":"clip1.avi"') \
    || die "no first status with clip1.avi loaded"
startup_ms=$(($(packet_time <<<"$line") - start_ms))

# steps.txt: "START_MS CATEGORY" for each step; opens.txt: "CATEGORY HOW PLAYER MS RESULT NAME"
echo "$start_ms startup" >"$work/steps.txt"
# The idle player's own stalls, up to its next status, for comparison.
echo "$(now_ms) idle" >>"$work/steps.txt"
wait_packet "$(mark)" $((status_period_ms + 3000)) '"kind":"status"' >/dev/null || die "no second status"
: >"$work/opens.txt"
open_one() { # CATEGORY HOW PLAYER REF NAME
    local m t0 t1 line result
    m=$(mark)
    t0=$(now_ms)
    echo "$t0 $1" >>"$work/steps.txt"
    send open "$3" "$4"
    line=$(wait_packet "$m" $((open_bound_ms + 5000)) "\"text\":\"Player $3: Opening Stream ( " "$5 ) ") \
        || die "no answer to 'open $3 $4' ($1, $2) within $((open_bound_ms + 5000)) ms"
    t1=$(packet_time <<<"$line")
    case $line in *"successful."*) result=opened ;; *) result=refused ;; esac
    echo "$1 $2 $3 $((t1 - t0)) $result $5" >>"$work/opens.txt"
    [ $((t1 - t0)) -le "$open_bound_ms" ] || fail "open $3 $4 ($1, $2) took $((t1 - t0)) ms"
}

for player in A B; do
    while read -r category path; do
        open_one "$category" remote "$player" "$path" "$(basename "$path")"
    done <"$work/direct.txt"
    n=2
    while read -r category path; do
        open_one "$category" playlist "$player" ":$n" "$(basename "$path")"
        n=$((n + 1))
    done <"$work/listed.txt"
done

# The hung share: an open whose file check hangs is refused by the open's
# bound, and meanwhile a newer open in the same player goes through.
if [ -n "$share" ]; then
    touch "$work/share-stall"
    open_one hung-share remote A "$share/hung.avi" hung.avi
    grep -q "^hung-share remote A .* refused hung.avi" "$work/opens.txt" || fail "the hung open was not refused"
    m=$(mark)
    echo "$(now_ms) hung-share" >>"$work/steps.txt"
    send open B "$share/hung.avi"
    send open B ":$entries"
    wait_packet "$m" "$open_bound_ms" "Player B: Opening Stream ( clip2.avi ) successful." >/dev/null \
        || die "Player B does not open a good clip while its previous open's check hangs"
    if wait_packet "$m" 0 "Player B: Opening Stream ( hung.avi ) " >/dev/null; then
        fail "the replaced open of hung.avi was answered"
    fi
fi

# Afterwards both players still open and play a good clip, and the status goes on.
echo "$(now_ms) good-clip" >>"$work/steps.txt"
for player in B A; do
    m=$(mark)
    send open "$player" ":$entries"
    wait_packet "$m" "$open_bound_ms" "Player $player: Opening Stream ( clip2.avi ) successful." >/dev/null \
        || die "Player $player does not open a good clip after the hostile ones"
    m=$(mark)
    send play "$player"
    wait_packet "$m" 5000 "Player $player: Playback started." >/dev/null || die "Player $player does not play"
    idx=0
    [ "$player" = B ] && idx=1
    wait_packet "$m" $((status_period_ms + 3000)) '"kind":"status"' "\"active\":$idx" '"file":"clip2.avi"' \
        '"state":2' >/dev/null || die "no status of Player $player playing"
done
end_ms=$(now_ms)

# Quitting with a check still hanging on the share (Player B's, hidden) must not wait for it.
if [ -n "$share" ]; then
    echo "$(now_ms) hung-share" >>"$work/steps.txt"
    send open B "$share/last.avi"
    for _ in $(seq 1 250); do
        grep -q "holding .* /last.avi" "$work/stallfs.err" && break
        sleep 0.02
    done
    grep -q "holding .* /last.avi" "$work/stallfs.err" || fail "the check of last.avi never reached the share"
fi
quit_start=$(now_ms)
kill -TERM "$player_pid"
wait "$player_pid"
code=$?
quit_ms=$(($(now_ms) - quit_start))
[ "$code" -eq 0 ] || fail "exit code $code after SIGTERM"
[ -z "$share" ] || [ "$quit_ms" -le 10000 ] || fail "quitting with a hung check took $quit_ms ms"
unmount_share
if grep -qE "AddressSanitizer|LeakSanitizer|runtime error:|FATAL" "$log"; then
    fail "sanitizer or fatal lines in the log"
    grep -E -A20 "AddressSanitizer|LeakSanitizer|runtime error:|FATAL" "$log" | head -60 >&2
fi

# Longest gap between status packets while the player was being fed.
status_gap=$(grep '"kind":"status"' "$packets" | packet_time | awk -v from="$start_ms" -v to="$end_ms" \
    '$1 >= from && $1 <= to { if (last && $1 - last > gap) gap = $1 - last; last = $1 } END { print gap + 0 }')

# Each stall goes to the step during which it began.
grep '^stall-monitor: blocked' "$log" | awk '{ printf "%.0f %d\n", $6 - $3, $3 }' >"$work/stalls.txt"
sort -n -k1,1 "$work/steps.txt" >"$work/steps.sorted"
awk 'NR == FNR { t[NR] = $1; c[NR] = $2; n = NR; next }
     { cat = "startup"; for (i = 1; i <= n && t[i] <= $1; i++) cat = c[i]; print cat, $2 }' \
    "$work/steps.sorted" "$work/stalls.txt" >"$work/stall-by-step.txt"

report=$work/report.txt
{
    echo "hostile media: $flips bit-flipped copies, $entries playlist entries, zuvio $(basename "$zuvio")"
    echo "start-up with the playlist probed: first status after ${startup_ms} ms"
    printf '%-14s %6s %8s %14s %14s %16s\n' category opens refused "longest open" "(remote/list)" "longest UI block"
    for category in startup idle fifo-nowriter fifo-onebyte cut10 cut50 cut90 empty dev-zero directory bitflip \
        hung-share good-clip; do
        awk -v c="$category" 'NR == FNR { if ($1 == c && $2 > b) b = $2; next }
            $1 == c { n++; if ($5 == "refused") r++; if ($4 > w) w = $4; if ($2 == "remote" && $4 > wr) wr = $4;
                      if ($2 == "playlist" && $4 > wp) wp = $4 }
            END { printf "%-14s %6d %8d %11d ms %6d/%-6d %13d ms\n", c, n, r, w, wr, wp, b }' \
            "$work/stall-by-step.txt" "$work/opens.txt"
    done
    awk '{ if ($4 > w) w = $4 } END { printf "worst open: %d ms over %d opens\n", w, NR }' "$work/opens.txt"
    awk -v b="$((open_bound_ms / 2))" '$4 > b { print $6 }' "$work/opens.txt" | sort -u | tr '\n' ' ' \
        | sed 's/^./opens longer than half the bound: &/; s/ $/\n/'
    awk '$1 != "startup" { if ($2 > w) w = $2 } END { printf "worst UI block after start-up: %d ms\n", w }' \
        "$work/stall-by-step.txt"
    grep '^stall-monitor: worst' "$log" | sed 's/^stall-monitor: /stall monitor, whole run (start-up included): /'
    echo "longest gap between status packets: ${status_gap} ms"
    [ -z "$share" ] || echo "quit with a check hanging on the share: ${quit_ms} ms"
} >"$report"
cat "$report"
[ -n "${ZUVIO_HOSTILE_REPORT:-}" ] && cp "$report" "$ZUVIO_HOSTILE_REPORT"

worst_block=$(awk '$1 != "startup" { if ($2 > w) w = $2 } END { print w + 0 }' "$work/stall-by-step.txt")
[ "$worst_block" -le "$block_bound_ms" ] || fail "the user-interface thread was blocked for $worst_block ms"
[ "$status_gap" -le $((status_period_ms + block_bound_ms)) ] || fail "no status for $status_gap ms"
grep -q '^stall-monitor: worst' "$log" || fail "the stall monitor did not report"
# The goal is 50 ms (printed above); the test holds it to half a second, since
# on a busy machine the loop's turn alone can take tens of milliseconds, and
# half a second still tells a wait for the share (seconds) apart.
hung_bound_ms=${ZUVIO_HOSTILE_HUNG_BOUND_MS:-500}
hung_block=$(awk '$1 == "hung-share" { if ($2 > w) w = $2 } END { print w + 0 }' "$work/stall-by-step.txt")
[ "$hung_block" -le "$hung_bound_ms" ] || fail "the user-interface thread was blocked for $hung_block ms on the hung share"

if [ "$failures" -ne 0 ]; then
    echo "--- player log (tail) ---" >&2
    tail -n 60 "$log" >&2
    exit 1
fi
echo "hostile media test passed"
