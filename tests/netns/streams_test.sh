#!/usr/bin/env bash
# Streams in a playlist, end to end across the namespaces. In the controller's
# namespace: an HTTP server with byte ranges, GStreamer's RTSP server (a live
# tone and a 30 s recording), SRT and UDP sent by gst-launch-1.0. The player
# loads their addresses from its playlist and is driven over the binary
# protocol; its status packets are the judge. Every stream's position
# advances; the length is the medium's (HTTP, the RTSP recording) or 0 (live);
# HTTP seeks by a range request, a live stream refuses the seek; with the RTSP
# server frozen, seek and stop leave the player answering. LastPLS.dat keeps
# the addresses byte for byte.
# Usage: streams_test.sh ZUVIO ZUVIO_REMOTE
set -u
zuvio=$(realpath "$1")
remote_bin=$(realpath "$2")
here=$(cd "$(dirname "$0")" && pwd)
. "$here/netns.sh"
python=/usr/bin/python3 # Debian's, which has the GStreamer bindings
for plugin in srtsink srtsrc avenc_mp2 mpegtsmux tsdemux rtspsrc souphttpsrc; do
    gst-inspect-1.0 "$plugin" >/dev/null 2>&1 || { echo "SKIP: no GStreamer element $plugin" >&2; exit 77; }
done
"$python" -c 'import gi; gi.require_version("GstRtspServer", "1.0")' 2>/dev/null ||
    { echo "SKIP: no gir1.2-gst-rtsp-server-1.0 for $python" >&2; exit 77; }
netns_test_setup
NETNS_ON_EXIT='[ -n "${ZUVIO_KEEP:-}" ] && cp -r "$work" "$ZUVIO_KEEP"'
mkdir -p "$work/www"
server=$NETNS_CONTROLLER_IP

# 30 s of tone, 16 kB a second: a seek to 20 s asks for a range from about 320 kB.
gst-launch-1.0 -q audiotestsrc num-buffers=240 samplesperbuffer=1000 ! audio/x-raw,rate=8000,channels=1 \
    ! wavenc ! filesink location="$work/www/tone.wav" || { echo "cannot make the tone" >&2; exit 1; }
netns_controller "$python" "$here/stream_servers.py" http "$server" 8000 "$work/www" >"$work/http.log" 2>&1 &
# Not through the shell function: $! must be the server itself, to freeze it.
ip netns exec "$NETNS_CONTROLLER" "$python" "$here/stream_servers.py" rtsp "$server" 8554 "$work/www/tone.wav" \
    >"$work/rtsp.log" 2>&1 &
rtsp_pid=$!
tone="audiotestsrc is-live=true ! audio/x-raw,rate=32000,channels=1 ! avenc_mp2 ! mpegtsmux"
netns_controller gst-launch-1.0 -q $tone ! srtsink uri="srt://:7001?mode=listener" >"$work/srt.log" 2>&1 &
netns_controller gst-launch-1.0 -q $tone ! udpsink host="$NETNS_PLAYER_IP" port=5004 >"$work/udp.log" 2>&1 &
netns_wait_for "$work/http.log" ready 10 && netns_wait_for "$work/rtsp.log" ready 10 ||
    { cat "$work"/*.log >&2; exit 1; }

urls=("http://$server:8000/tone.wav" "rtsp://$server:8554/live" "rtsp://$server:8554/file"
    "srt://$server:7001" "udp://$NETNS_PLAYER_IP:5004")
printf '#EXTM3U\r\n' >"$work/streams.m3u"
printf '%s\r\n' "${urls[@]}" >>"$work/streams.m3u"
netns_player_settings "$work/config" "$work/streams.m3u"

packets=$work/packets.jsonl
: >"$packets"
netns_controller "$remote_bin" --json listen >"$packets" 2>"$work/listen.err" &
log=$work/player.log
# The stall monitor reports every block of the interface thread of a second or more.
netns_start_player "$log" ZUVIO_STALL_MONITOR=1000 "$zuvio"

send() { netns_controller "$remote_bin" --host "$NETNS_PLAYER_IP" "$@" >/dev/null || fail "sending $*"; }
mark() { wc -l <"$packets"; }
field() { sed -E "s/.*\"$1\":([0-9]+).*/\\1/" <<<"$2"; }
# The first status after MARK, within SECONDS, with FILE playing at POSITION ms or
# more; printed.
playing_past() { # MARK SECONDS FILE POSITION
    local from=$1 waited=0 line
    while [ $waited -le $(($2 * 10)) ]; do
        line=$(tail -n +"$((from + 1))" "$packets" | grep -F '"kind":"status"' | grep -F '"state":2' |
            grep -F "\"file\":\"$3\"" | while IFS= read -r l; do
                [ "$(field position "$l")" -ge "$4" ] && { echo "$l"; break; }
            done)
        [ -n "$line" ] && { echo "$line"; return 0; }
        sleep 0.1
        waited=$((waited + 1))
    done
    return 1
}
# Opens playlist entry N in Player A, plays it and checks that its position
# advances past 1.5 s with the length LENGTH.
play_entry() { # N FILE LENGTH
    local m line
    m=$(mark)
    send open A ":$1"
    netns_wait_line "$packets" "$m" 20 "Player A: Opening Stream ( $2 ) successful." ||
        { fail "$2: does not open"; return 1; }
    m=$(mark)
    send play A
    line=$(playing_past "$m" 15 "$2" 1500) || { fail "$2: position does not advance"; return 1; }
    [ "$(field duration "$line")" -eq "$3" ] || fail "$2: length $(field duration "$line"), expected $3"
    echo "$2: playing at $(field position "$line") ms of $(field duration "$line")"
}

netns_wait_line "$packets" 0 20 '"kind":"status"' || { fail "no status from the player"; cat "$log" >&2; exit 1; }

# HTTP: a file's length, and a seek served by a range request.
play_entry 1 tone.wav 30000
m=$(mark)
send seek A 20000
playing_past "$m" 10 tone.wav 19000 >/dev/null || fail "HTTP: the seek to 20 s did not land"
grep -qE '^GET /tone.wav (3[0-9]{5}|4[0-9]{5})-' "$work/http.log" || fail "HTTP: no range request for the seek"

# Live RTSP: no length, position from play, a seek refused aloud.
play_entry 2 live 0
m=$(mark)
send seek A 5000
netns_wait_line "$packets" "$m" 5 "Player A: Seek refused: a live stream has no length to seek in." ||
    fail "RTSP live: the seek was not refused"
m=$(mark)
send stop A
netns_wait_line "$packets" "$m" 5 '"kind":"status"' '"state":0' '"position":0,' || fail "RTSP live: stop does not go to 0"

# SRT and UDP: live, no length.
play_entry 4 "$server:7001" 0
play_entry 5 "$NETNS_PLAYER_IP:5004" 0

# The RTSP recording: its length, a seek, then the server frozen: seek and stop
# must not wait for it.
play_entry 3 file 30000
m=$(mark)
send seek A 20000
playing_past "$m" 10 file 19000 >/dev/null || fail "RTSP recording: the position does not follow the seek to 20 s"
kill -STOP "$rtsp_pid"
m=$(mark)
send seek A 5000
send stop A
netns_wait_line "$packets" "$m" 10 "Player A: Playback stopped." ||
    fail "RTSP server frozen: the player did not answer the stop within 10 s"
# The same player takes the next medium while GStreamer still waits for the server.
m=$(mark)
send open A "http://$server:8000/tone.wav"
netns_wait_line "$packets" "$m" 10 "Player A: Opening Stream ( tone.wav ) successful." ||
    fail "RTSP server frozen: the next open in the same player did not complete"
kill -CONT "$rtsp_pid"

# A clean quit keeps the addresses as they were written.
kill -TERM "$player_pid"
wait "$player_pid"
if [ -f "$work/run/LastPLS.dat" ]; then
    [ "$(grep -v '^#' "$work/run/LastPLS.dat")" = "$(printf '%s\r\n' "${urls[@]}")" ] ||
        fail "LastPLS.dat: $(cat -A "$work/run/LastPLS.dat")"
else
    fail "no LastPLS.dat"
fi
# A frozen server holds GStreamer for 20 s or more: far beyond any slow machine's stall.
grep -F "stall-monitor:" "$log" "$log.out"
awk '/stall-monitor: blocked/ && $3 >= 10000 { found = 1 } END { exit !found }' "$log" "$log.out" &&
    fail "the interface thread was blocked for 10 s or more"
grep -F "Time format not supported!" "$log" && fail "a stream was reported without time format"
grep -F "File or path not found!" "$log" && fail "a stream address was taken for a missing file"

if [ "$failures" -ne 0 ]; then
    echo "--- player log" >&2
    tail -n 40 "$log" >&2
    exit 1
fi
echo "PASS"
