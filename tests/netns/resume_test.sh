#!/usr/bin/env bash
# Resume after an unclean end, with the real player across the namespaces and
# its status packets as the judge: kill -9 while Player B plays entry 2 at a
# 60 % level, start again: B plays entry 2 from the saved position (never
# reported playing from anywhere else first), at 60 %. A power loss is played
# by cutting the state file at random lengths: the start restores the old or
# the new state, never anything else. A clean quit starts fresh. Then the
# faults: a medium that hangs the restore is given up after three tries; media
# that are gone (a drive mounted late) keep their rows and the usual start
# follows; a fresh install without a settings folder; a full disk.
# Usage: resume_test.sh ZUVIO ZUVIO_REMOTE MAKE_DEMO_MEDIA
set -u
zuvio=$(realpath "$1")
remote_bin=$(realpath "$2")
make_media=$(realpath "$3")
here=$(cd "$(dirname "$0")" && pwd)
. "$here/netns.sh"
netns_test_setup
full=$work/full
NETNS_ON_EXIT='mountpoint -q "$full" && umount "$full"; [ -n "${ZUVIO_KEEP:-}" ] && cp -r "$work" "$ZUVIO_KEEP"'
state=$work/config/vexo/Zuvio.resume

netns_test_media "$make_media" 3 60

packets=$work/packets.jsonl
: >"$packets"
netns_controller "$remote_bin" --json --timestamps listen >"$packets" 2>"$work/listen.err" &

player_pid=""
run=0
config_home=$work/config
start_player() { # [ARGUMENT...]
    run=$((run + 1))
    log=$work/player$run.log
    NETNS_CONFIG_HOME=$config_home netns_start_player "$log" "$zuvio" "$@"
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
# Waits up to SECONDS for a command to succeed.
wait_until() { # SECONDS COMMAND...
    local seconds=$1 waited=0
    shift
    until "$@"; do
        [ $waited -ge $((seconds * 10)) ] && return 1
        sleep 0.1
        waited=$((waited + 1))
    done
}
# Player B's saved position when the state file has B playing clip 2: from the
# newest position record of that state (the record names it by its stamp),
# else from the state file's own line. Slots are NUL-padded text.
saved_b() { # STATE RECORD
    local own stamp
    grep -qE $'^playerB=[0-9]+\t[0-9]+\t.*clip2\\.avi$' "$1" 2>/dev/null || return 0
    own=$(sed -nE 's/^playerB=2\t([0-9]+)\t.*$/\1/p' "$1")
    stamp=$(sed -n 's/^stamp=//p' "$1")
    tr '\0' '\n' 2>/dev/null <"$2" | awk -v stamp="$stamp" -v own="$own" '
        /^ZuvioPosition 1$/ { serial = -1; st = ""; b = "" }
        /^serial=/ { serial = substr($0, 8) + 0 }
        /^stamp=/ { st = substr($0, 7) }
        /^playerB=/ { b = substr($0, 9) }
        /^end=/ && stamp != "" && st == stamp && (!found || serial > best) {
            best = serial; found = 1; split(b, f, "\t"); pos = f[1] == 2 ? f[2] : ""
        }
        END { print found ? pos : own }'
}
b_past() { local p; p=$(saved_b "$state" "$state.pos"); [ -n "$p" ] && [ "$p" -ge "$1" ]; }
# True when the newest status reports the active player playing past MS.
playing_past() { # MS
    local l
    l=$(tail -n 20 "$packets" | grep -F '"kind":"status"' | tail -n 1)
    grep -qF '"state":2' <<<"$l" && [ "$(field position "$l")" -ge "$1" ]
}
# Checks that a start resumed B playing clip 2 within a second of one of the
# positions given, and that no status reported it playing from anywhere else
# first. Status packets come on changes and every 1.6 s: the start position is
# the first real position less the time since B was first reported playing.
expect_resumed() { # WHAT MARK POSITION...
    local what=$1 m=$2 first line position start waited=0 p reported
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
    reported=$(field position "$first")
    echo "$what: playing clip 2 from $start ms, first reported at $reported ms, $(($(field t "$first") - started_ms)) ms after the start (saved: $*)"
    [ "$reported" -ge $((start - 1000)) ] || fail "$what: reported playing at $reported ms before it played from $start ms"
    for p in "$@"; do
        [ "$start" -ge $((p - 1000)) ] && [ "$start" -le $((p + 1000)) ] && return 0
    done
    fail "$what: resumed at $start ms, saved was $*"
}

# A show: the level at 60 %, entry 2 cued in B and taken, running for a few seconds.
m=$(mark)
start_player
status_after "$m" 20 '"file":"clip1.avi"' >/dev/null || { fail "no first status"; cat "$log" >&2; exit 1; }
m=$(mark)
send volume A 60
status_after "$m" 10 '"volume":60' >/dev/null || fail "the level is not 60 %"
m=$(mark)
send open B :2
netns_wait_line "$packets" "$m" 10 'Player B: Opening Stream ( clip2.avi ) successful.' || fail "open B"
m=$(mark)
send play B
status_after "$m" 10 '"active":1' '"state":2' '"file":"clip2.avi"' >/dev/null || fail "B does not play"
wait_until 15 b_past 4000 || fail "no state with B playing past 4 s"

kill_player KILL
saved=$(saved_b "$state" "$state.pos")
m=$(mark)
start_player
expect_resumed "after kill -9" "$m" "$saved"
grep -qF "Resume: the last run ended uncleanly; restoring the show." "$log" || fail "no resume line in the log"
line=$(status_after "$m" 5 '"file":"clip2.avi"' '"state":2')
[ "$(field volume "$line")" = 60 ] || fail "the level came back at $(field volume "$line") %, not 60 %"

# Power loss: the file cut anywhere. Two changes of A's medium write the whole
# state twice while B plays, so the previous state (.old) and the newest one
# (with its position record) differ by B's position.
send open A :3
wait_until 10 grep -qE '^playerA=.*clip3\.avi$' "$state" || fail "no state with A on clip 3"
send open A :1
wait_until 10 grep -qE '^playerA=.*clip1\.avi$' "$state" || fail "no state with A on clip 1"
old_pos=$(saved_b "$state.old" /dev/null)
wait_until 10 b_past $((${old_pos:-0} + 2500)) || fail "B does not move on"
kill_player KILL
cp "$state" "$work/new" && cp "$state.old" "$work/old" && cp "$state.pos" "$work/pos" || fail "no old state kept"
old_pos=$(saved_b "$work/old" "$work/pos")
new_pos=$(saved_b "$work/new" "$work/pos")
[ -n "$old_pos" ] && [ -n "$new_pos" ] && [ "$new_pos" -ge $((old_pos + 2000)) ] \
    || fail "the old and new states do not differ: $old_pos, $new_pos"
size=$(stat -c %s "$work/new")
for cut in $((RANDOM % 20)) $((size / 2 + RANDOM % 40)) $((size - 1 - RANDOM % 10)); do
    cp "$work/old" "$state.old"
    cp "$work/pos" "$state.pos"
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
[ ! -e "$state" ] && [ ! -e "$state.old" ] && [ ! -e "$state.pos" ] || fail "the state files outlived a clean quit"
m=$(mark)
start_player
status_after "$m" 20 '"active":0' '"file":"clip1.avi"' '"state":0' >/dev/null || fail "clean quit: not a fresh start"
wait_until 5 test -e "$state" || fail "no state written"
grep -q "Resume:" "$log" && fail "clean quit: resumed anyway"

# A medium that hangs the player while the restore opens it (a stream whose
# server has stopped answering; the player dies before the open's bound): every
# restore must count, or the player under Restart=always would loop for ever.
# The fourth start is a fresh one.
mkdir -p "$work/served"
cp "$work/media/clip2.avi" "$work/served/hang.avi"
ip netns exec "$NETNS_PLAYER" timeout 300 python3 - "$work/served" "$work/served.hang" "$work/served.ready" <<'PY' &
import http.server, os, socketserver, sys, time
folder, hang, ready = sys.argv[1:4]
class Handler(http.server.SimpleHTTPRequestHandler):
    def __init__(self, *args, **kwargs):
        super().__init__(*args, directory=folder, **kwargs)
    def handle(self):
        if os.path.exists(hang):
            time.sleep(300)  # accepted, never answered
            return
        super().handle()
    def log_message(self, *args):
        pass
class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True
    def handle_error(self, request, client_address):
        pass  # a player killed mid-transfer
server = Server(("127.0.0.1", 18765), Handler)
open(ready, "w").close()
server.serve_forever()
PY
hang_url=http://127.0.0.1:18765/hang.avi
wait_until 10 test -e "$work/served.ready" || fail "hang: no stream server"
m=$(mark)
send open B "$hang_url"
netns_wait_line "$packets" "$m" 15 'Player B: Opening Stream ( hang.avi ) successful.' || fail "open B $hang_url"
wait_until 10 grep -qE "^playerB=.*$hang_url\$" "$state" || fail "no state with B on $hang_url"
kill_player KILL
touch "$work/served.hang"
for try in 1 2 3; do
    start_player
    netns_wait_for "$log" "Resume: Player B: $hang_url" 20 || fail "hang: restore $try did not open it"
    kill_player KILL
done
start_player
netns_wait_for "$log" "Resume: the show died 3 times soon after being resumed; starting fresh." 20 \
    || fail "hang: a fourth restore"
grep -qF "Resume: Player B:" "$log" && fail "hang: opened again after three tries"
kill_player TERM

# Media gone at the start (a drive mounted late): the rows stay, and the usual
# start (here --play of a document) follows the restore that opened nothing.
m=$(mark)
start_player
status_after "$m" 20 '"file":"clip1.avi"' >/dev/null || fail "gone: no first status"
m=$(mark)
send open B :2
netns_wait_line "$packets" "$m" 10 'Player B: Opening Stream ( clip2.avi ) successful.' || fail "gone: open B"
send play B
wait_until 15 b_past 1000 || fail "gone: no state with B playing"
kill_player KILL
mkdir -p "$work/doc"
cp "$work/media/clip1.avi" "$work/doc/intro.avi"
mv "$work/media" "$work/media.late"
m=$(mark)
start_player --play "$work/doc/intro.avi"
status_after "$m" 20 '"file":"intro.avi"' '"state":2' >/dev/null || fail "gone: the usual start did not follow"
grep -qF "Resume: nothing of the show could be opened; starting as usual." "$log" || fail "gone: not logged"
wait_until 10 grep -qE '^player[AB]=.*intro\.avi$' "$state" || fail "gone: no state with the document"
rows=$(grep -c '^row=' "$state")
[ "$rows" = 3 ] || fail "gone: $rows rows kept of 3"
kill_player TERM
mv "$work/media.late" "$work/media"

# A fresh install: no settings folder yet. It is made, and the state written.
config_home=$work/fresh
start_player
wait_until 10 test -e "$config_home/vexo/Zuvio.resume" || fail "fresh install: no state written"
grep -F "Resume: cannot" "$log" && fail "fresh install: a write failed"
kill_player TERM

# A full disk: logged once, retried, the show plays on, and once there is
# room the state is written and resumes.
mkdir -p "$full"
if mount -t tmpfs -o size=256k tmpfs "$full" 2>/dev/null; then
    config_home=$full
    netns_player_settings "$full" "$work/media/demo.m3u"
    head -c 1M /dev/zero >"$full/filler" 2>/dev/null
    m=$(mark)
    start_player
    status_after "$m" 20 '"file":"clip1.avi"' >/dev/null || fail "full: no first status"
    m=$(mark)
    send play A
    status_after "$m" 10 '"active":0' '"state":2' >/dev/null || fail "full: A does not play"
    netns_wait_for "$log" "Resume: cannot write" 10 || fail "full: the failure is not logged"
    # Three more seconds of playing: three more tries, and the same one line.
    wait_until 10 playing_past 4000 || fail "full: A does not play on"
    tries=$(grep -c "; retrying." "$log")
    [ "$tries" = 1 ] || fail "full: $tries failure lines for one cause"
    rm "$full/filler"
    netns_wait_for "$log" "Resume: writing $full/vexo/Zuvio.resume again." 10 || fail "full: not retried"
    wait_until 5 test -e "$full/vexo/Zuvio.resume.pos" || fail "full: no record"
    wait_until 10 playing_past 6000 || fail "full: A stopped"
    kill_player KILL
    m=$(mark)
    start_player
    status_after "$m" 20 '"active":0' '"file":"clip1.avi"' '"state":2' >/dev/null || fail "full: not resumed"
    kill_player TERM
    config_home=$work/config
else
    echo "cannot mount a tmpfs here: the full-disk case is skipped"
fi

[ "$failures" -eq 0 ] && echo "PASS" || echo "$failures failure(s)"
exit $((failures > 0))
