#!/usr/bin/env bash
# The whole player, remote-controlled across two network namespaces: zuvio
# runs headless with synchronised fake sinks in the player namespace, with its
# own settings and working folder and a playlist of generated clips;
# zuvio-remote drives it from the controller namespace and every status and
# text packet the player broadcasts is recorded there. Ends with SIGTERM and
# checks what the player stored on the way out, then restarts it on that. A
# third run uses the machine's default audio output: found once, and later
# opens print nothing on stderr; a fourth loads a last-run playlist of today's
# containers and a file of unknown type, and stores it back unchanged.
# Usage: player_e2e_test.sh ZUVIO ZUVIO_REMOTE MAKE_DEMO_MEDIA
set -u
zuvio=$1
remote_bin=$2
make_media=$3
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../netns/netns.sh"
netns_test_setup

netns_test_media "$make_media" 3 2
settings=$work/config/vexo/Zuvio.conf

packets=$work/packets.jsonl
: >"$packets" # exists before the listener's own redirection, which runs in the background
netns_controller "$remote_bin" --json listen >"$packets" 2>"$work/listen.err" &

player_pid=""
fake_audio=(--audio-sink="fakesink sync=true" --log-stderr)
start_player() { # LOG ARGS...
    local log=$1
    shift
    # A simple command in the background, so that $! is the player itself.
    ip netns exec "$NETNS_PLAYER" env -C "$work/run" QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME="$work/config" \
        "$zuvio" --video-sink="fakesink sync=true" "$@" >"$log.out" 2>"$log" &
    player_pid=$!
}
send() { netns_controller "$remote_bin" --host "$NETNS_PLAYER_IP" "$@" || fail "sending $*"; }
mark() { wc -l <"$packets"; }
# Waits up to SECONDS for a packet line after line MARK that matches every pattern.
expect_after() { # MARK SECONDS WHAT PATTERN...
    local from=$1 seconds=$2 what=$3
    shift 3
    netns_wait_line "$packets" "$from" "$seconds" "$@" && return 0
    fail "$what: no packet with $* after line $from"
    tail -n 12 "$packets" >&2
    return 1
}
text() { printf '"text":"%s\\n"' "$1"; }

# Start-up: the auto playlist's first entry is loaded into Player A, not started.
m=$(mark)
start_player "$work/player1.log" "${fake_audio[@]}"
expect_after "$m" 20 "first status" '"kind":"status"' '"active":0' '"file":"clip1.avi"' '"state":0' '"volume":100' \
    || { cat "$work/player1.log" >&2; exit 1; }

m=$(mark)
send play A
expect_after "$m" 5 "play A" "$(text 'Player A: Playback started.')"
expect_after "$m" 5 "status after play A" '"kind":"status"' '"state":2' '"active":0' '"duration":2000'

m=$(mark)
send volume A 50
expect_after "$m" 5 "volume 50" "$(text 'Player A: Volume set to 50%.')"
expect_after "$m" 5 "status volume" '"kind":"status"' '"volume":50'

m=$(mark)
send open B :2
expect_after "$m" 5 "open B :2" "$(text 'Player B: Opening Stream ( clip2.avi ) successful.')"

m=$(mark)
send play B
expect_after "$m" 5 "play B" "$(text 'Player B: Playback started.')"
expect_after "$m" 5 "A paused by the cut" "$(text 'Player A: Playback paused.')"
expect_after "$m" 5 "B active" '"kind":"status"' '"active":1' '"file":"clip2.avi"' '"state":2'

m=$(mark)
send open B :0
expect_after "$m" 5 "open :0" "$(text 'Player B: Opening Stream (  ) failed!')"
send raw 3 7
send raw 12 0 5

# The last entry, loop off: at its end the player stops.
m=$(mark)
send open B :3
send play B
expect_after "$m" 5 "open B :3" "$(text 'Player B: Opening Stream ( clip3.avi ) successful.')"
expect_after "$m" 10 "end of the last entry" "$(text 'Player B: Playback stopped.')"

# SIGTERM closes as Quit does: everything stored.
kill -TERM "$player_pid"
wait "$player_pid"
code=$?
[ "$code" -eq 0 ] || fail "exit code $code after SIGTERM"
grep -q "OnNetPlayMedia(): PlayerID out of range!" "$work/player1.log" || fail "bad player not logged"
if grep -q "FATAL" "$work/player1.log"; then fail "fatal lines in the log"; fi

{
    printf '#EXTM3U\r\n'
    for i in 1 2 3; do printf '#EXTINF:2,clip%d.avi\r\n%s\r\n' "$i" "$work/media/clip$i.avi"; done
} >"$work/expected.pls"
cmp "$work/run/LastPLS.dat" "$work/expected.pls" || { fail "LastPLS.dat differs"; od -c "$work/run/LastPLS.dat" | head -20 >&2; }
cat >"$work/expected.ini" <<EOT
[General]
m_AutoPlaylist=$work/media/demo.m3u
m_BindIpAddress=$NETNS_PLAYER_IP
m_bReloadPlaylist=0
m_bShowSplash=0

[CtrlBar]
m_Volume=1500

[Playlist]
m_AutoSkipTrack=1
m_CurTrack=2
m_LoopList=0
m_bLoopSingleTrack=0

[Video]
ZoomLevel=100
EOT
# The recent-file section belongs to the playlist's own tests.
sed '/^\[Recent.*File.*List\]$/,/^$/d' "$settings" | diff - "$work/expected.ini" >"$work/ini.diff" \
    || { fail "settings file differs"; cat "$work/ini.diff" >&2; }

# Second run on what was stored: last playlist reloaded, loop on; the end of the
# last entry continues with the first.
sed -i -e 's/^m_bReloadPlaylist=0/m_bReloadPlaylist=1/' -e 's/^m_LoopList=0/m_LoopList=1/' "$settings"
m=$(mark)
start_player "$work/player2.log" "${fake_audio[@]}"
expect_after "$m" 20 "second start" '"kind":"status"' '"file":"clip3.avi"' '"volume":50' || cat "$work/player2.log" >&2
m=$(mark)
send play A
expect_after "$m" 5 "play A, second run" "$(text 'Player A: Playback started.')"
expect_after "$m" 10 "loop to the first entry" "$(text 'Player A: Opening Stream ( clip1.avi ) successful.')"
expect_after "$m" 5 "still running" '"kind":"status"' '"file":"clip1.avi"' '"state":2'
kill -TERM "$player_pid"
wait "$player_pid" || fail "second run: exit code $? after SIGTERM"

# Third run, the default audio output and no logbook on stderr: whatever the
# start-up and the first open (which finds the output) print, the opens after
# it print nothing. Without a sound card, every open used to try each output
# again, and ALSA and OpenAL printed about a dozen lines each time.
m=$(mark)
start_player "$work/player3.log"
expect_after "$m" 20 "third start" '"kind":"status"' '"file":"clip' || cat "$work/player3.log" >&2
before=$(wc -l <"$work/player3.log")
for entry in 1 2 3; do
    m=$(mark)
    send open B ":$entry"
    expect_after "$m" 5 "open B :$entry, third run" "$(text "Player B: Opening Stream ( clip$entry.avi ) successful.")"
done
after=$(wc -l <"$work/player3.log")
[ "$after" -eq "$before" ] || { fail "three opens printed $((after - before)) lines on stderr"; tail -n +"$((before + 1))" "$work/player3.log" >&2; }
kill -TERM "$player_pid"
wait "$player_pid" || fail "third run: exit code $? after SIGTERM"

# Fourth run: a last-run playlist of the containers editors and cameras hand a
# show (copies of one clip; GStreamer goes by the content) and a row of a type
# the player does not know. Every row loads, plays, and is stored as it was.
{
    printf '#EXTM3U\r\n'
    for ext in ogg mkv mov webm MTS xyz; do
        cp "$work/media/clip1.avi" "$work/media/copy.$ext"
        printf '#EXTINF:2,copy.%s\r\n%s\r\n' "$ext" "$work/media/copy.$ext"
    done
} >"$work/formats.m3u"
cp "$work/formats.m3u" "$work/run/LastPLS.dat"
m=$(mark)
start_player "$work/player4.log" "${fake_audio[@]}"
expect_after "$m" 20 "fourth start" '"kind":"status"' '"file":"copy.' || cat "$work/player4.log" >&2
entry=1
for ext in mkv mov webm MTS; do
    entry=$((entry + 1))
    m=$(mark)
    send open B ":$entry"
    expect_after "$m" 5 "open B :$entry, fourth run" "$(text "Player B: Opening Stream ( copy.$ext ) successful.")"
done
kill -TERM "$player_pid"
wait "$player_pid" || fail "fourth run: exit code $? after SIGTERM"
cmp "$work/run/LastPLS.dat" "$work/formats.m3u" || { fail "fourth run: LastPLS.dat differs"; cat -A "$work/run/LastPLS.dat" >&2; }
[ "$(grep -c "Filetype unknown or not supported" "$work/player4.log")" -eq 1 ] || fail "fourth run: not one refused type"

if [ "$failures" -ne 0 ]; then
    echo "--- player log ---" >&2
    cat "$work/player1.log" "$work/player2.log" "$work/player3.log" "$work/player4.log" >&2
    exit 1
fi
echo "player end-to-end test passed"
