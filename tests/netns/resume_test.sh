#!/usr/bin/env bash
# Resume after an unclean end, with the real player across the namespaces and
# its status packets as the judge: kill -9 while Player B plays entry 2, start
# again: B plays entry 2 from the saved position. A power loss is played by
# cutting the state file at random lengths: the start restores the old or the
# new state, never anything else. A clean quit starts fresh.
# Usage: resume_test.sh ZUVIO ZUVIO_REMOTE MAKE_DEMO_MEDIA
set -u
zuvio=$(realpath "$1")
remote_bin=$(realpath "$2")
make_media=$(realpath "$3")
here=$(cd "$(dirname "$0")" && pwd)
. "$here/netns.sh"
netns_setup

work=$(mktemp -d)
trap 'netns_cleanup; [ -n "${ZUVIO_KEEP:-}" ] && cp -r "$work" "$ZUVIO_KEEP"; rm -rf "$work"' EXIT
mkdir -p "$work/config/vexo" "$work/run"
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
state=$work/config/vexo/Zuvio.resume

"$make_media" "$work/media" 3 60 >/dev/null || { echo "cannot generate the clips" >&2; exit 1; }
netns_player_settings "$work/config" "$work/media/demo.m3u"

packets=$work/packets.jsonl
: >"$packets"
netns_controller "$remote_bin" --json --timestamps listen >"$packets" 2>"$work/listen.err" &

player_pid=""
run=0
start_player() {
    run=$((run + 1))
    log=$work/player$run.log
    ip netns exec "$NETNS_PLAYER" env -C "$work/run" QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME="$work/config" \
        "$zuvio" --audio-sink="fakesink sync=true" --video-sink="fakesink sync=true" --log-stderr \
        >"$log.out" 2>"$log" &
    player_pid=$!
    started_ms=$(date +%s%3N)
}
kill_player() { # SIGNAL
    kill "-$1" "$player_pid" 2>/dev/null
    wait "$player_pid" 2>/dev/null
}
send() { netns_controller "$remote_bin" --host "$NETNS_PLAYER_IP" "$@" >/dev/null || fail "sending $*"; }
mark() { wc -l <"$packets"; }
# The first status after MARK, within SECONDS, that holds every pattern; printed.
status_after() { # MARK SECONDS PATTERN...
    local from=$1 seconds=$2
    shift 2
    netns_wait_line "$packets" "$from" "$seconds" '"kind":"status"' "$@" || return 1
    tail -n +"$((from + 1))" "$packets" | grep -F '"kind":"status"' | while IFS= read -r line; do
        local p ok=1
        for p in "$@"; do grep -qF -- "$p" <<<"$line" || { ok=0; break; }; done
        [ $ok -eq 1 ] && { echo "$line"; break; }
    done
}
field() { sed -E "s/.*\"$1\":([0-9]+).*/\\1/" <<<"$2"; }
# Player B's saved position in a state file ("playerB=STATE<tab>MS<tab>PATH").
saved_b() { sed -nE 's/^playerB=2\t([0-9]+)\t.*clip2\.avi$/\1/p' "$1"; }
# Checks that a start resumed B playing clip 2 within a second of one of the
# positions given. Status packets come on changes and every 1.6 s, and the
# position reads 0 while the seek to it flushes: the start position is the first
# real position less the time since B was first reported playing.
expect_resumed() { # WHAT MARK POSITION...
    local what=$1 m=$2 first line position start waited=0 p
    shift 2
    playing() { tail -n +"$((m + 1))" "$packets" | grep -F '"kind":"status"' | grep -F '"active":1' |
        grep -F '"file":"clip2.avi"' | grep -F '"state":2'; }
    until line=$(playing | grep -vF '"position":0,' | head -n 1) && [ -n "$line" ]; do
        [ $waited -ge 200 ] && { fail "$what: B is not playing clip 2"; tail -n 5 "$packets" >&2; tail -n 20 "$log" >&2; return 1; }
        sleep 0.1
        waited=$((waited + 1))
    done
    first=$(playing | head -n 1)
    position=$(field position "$line")
    start=$((position - ($(field t "$line") - $(field t "$first"))))
    echo "$what: playing clip 2 from $start ms, reported $(($(field t "$first") - started_ms)) ms after the start (saved: $*)"
    for p in "$@"; do
        [ "$start" -ge $((p - 1000)) ] && [ "$start" -le $((p + 1000)) ] && return 0
    done
    fail "$what: resumed at $start ms, saved was $*"
}

# A show: entry 2 cued in B and taken, running for a few seconds.
m=$(mark)
start_player
status_after "$m" 20 '"file":"clip1.avi"' >/dev/null || { fail "no first status"; cat "$log" >&2; exit 1; }
m=$(mark)
send open B :2
netns_wait_line "$packets" "$m" 10 'Player B: Opening Stream ( clip2.avi ) successful.' || fail "open B"
m=$(mark)
send play B
status_after "$m" 10 '"active":1' '"state":2' '"file":"clip2.avi"' >/dev/null || fail "B does not play"
waited=0
until [ "$(saved_b "$state")" ] && [ "$(saved_b "$state")" -ge 4000 ]; do
    [ $waited -ge 150 ] && { fail "no state with B playing past 4 s"; break; }
    sleep 0.1
    waited=$((waited + 1))
done

kill_player KILL
saved=$(saved_b "$state")
m=$(mark)
start_player
expect_resumed "after kill -9" "$m" "$saved"
grep -qF "Resume: the last run ended uncleanly; restoring the show." "$log" || fail "no resume line in the log"

# Power loss: the file cut anywhere. Old and new states differ by B's position.
sleep 1.5 # a state newer than the .old one
kill_player KILL
cp "$state" "$work/new" && cp "$state.old" "$work/old" 2>/dev/null || fail "no old state kept"
old_pos=$(saved_b "$work/old")
new_pos=$(saved_b "$work/new")
size=$(stat -c %s "$work/new")
for cut in $((RANDOM % 20)) $((size / 2 + RANDOM % 40)) $((size - 1 - RANDOM % 10)); do
    cp "$work/old" "$state.old"
    head -c "$cut" "$work/new" >"$state"
    m=$(mark)
    start_player
    expect_resumed "cut at $cut of $size bytes" "$m" "$old_pos" "$new_pos"
    grep -qF "is damaged (" "$log" || fail "cut at $cut: the damage is not logged"
    kill_player KILL
done

# Both states garbage: logged, and a fresh start.
head -c 300 /dev/urandom >"$state"
head -c 300 /dev/urandom >"$state.old"
m=$(mark)
start_player
status_after "$m" 20 '"active":0' '"file":"clip1.avi"' '"state":0' >/dev/null || fail "garbage: not a fresh start"
grep -qF "no usable state was left; starting fresh." "$log" || fail "garbage: not logged"

# A clean quit: the state goes and the next start is a fresh one.
m=$(mark)
send play A
status_after "$m" 10 '"active":0' '"state":2' >/dev/null || fail "A does not play"
kill_player TERM
[ ! -e "$state" ] && [ ! -e "$state.old" ] || fail "the state file outlived a clean quit"
m=$(mark)
start_player
status_after "$m" 20 '"active":0' '"file":"clip1.avi"' '"state":0' >/dev/null || fail "clean quit: not a fresh start"
sleep 1
grep -q "Resume:" "$log" && fail "clean quit: resumed anyway"
kill_player TERM

[ "$failures" -eq 0 ] && echo "PASS" || echo "$failures failure(s)"
exit $((failures > 0))
