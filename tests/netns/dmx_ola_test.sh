#!/usr/bin/env bash
# A lighting desk drives the real player over sACN: an olad in the controller
# namespace sends universe 1 across the show link (no gateway), the olad beside
# the player receives it, and the player, patched at address 10, obeys the
# personality. The player starts before its olad (logged once, then it joins
# and patches an E1.31 input port of that olad to its universe itself);
# flicker, a storm of all 512 channels and a desk whose cable is pulled and
# put back set nothing off; a desk that repeats unchanged data only every
# 1.2 s has not gone, and its next change acts. Ten restarts leave exactly one
# patch, and ports patched to other universes are never taken. Feedback is
# watched with oscdump.
# Usage: dmx_ola_test.sh ZUVIO MAKE_DEMO_MEDIA
set -u
zuvio=$(realpath "$1")
make_media=$(realpath "$2")
here=$(cd "$(dirname "$0")" && pwd)
for tool in olad ola_patch ola_streaming_client oscsend oscdump runuser; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool missing" >&2; exit 77; }
done
id nobody >/dev/null 2>&1 || { echo "SKIP: no user nobody to run olad as" >&2; exit 77; }
. "$here/netns.sh"
. "$here/olad.sh"
netns_test_setup
stream_pid=""
NETNS_ON_EXIT='[ -n "$stream_pid" ] && kill -- -"$stream_pid" 2>/dev/null'

netns_test_media "$make_media" 3 20
printf 'm_iDmxSource=2\nm_iDmxUniverse=1\nm_iDmxAddress=10\n' >>"$work/config/vexo/Zuvio.conf"

chmod a+rx "$work"

dump=$work/dump.txt
netns_controller oscdump -L 9000 >"$dump" 2>/dev/null &
player_log=$work/player.log
player_pid=""
start_player() { # LOG
    NETNS_RUN_DIR=$work netns_start_player "$1" "$zuvio"
}
stop_player() {
    kill -TERM "$player_pid"
    wait "$player_pid" || fail "exit code $? after SIGTERM"
}
start_player "$player_log"
netns_wait_for "$player_log" "DMX: OLA universe 1 (no olad)" 20 || { fail "no olad was not reported"; cat "$player_log" >&2; exit 1; }
netns_controller oscsend "$NETNS_PLAYER_IP" 31774 /zuvio/subscribe ii 9000 3600

olad_up player "$NETNS_PLAYER_IP" "$work/olad-player" artnet || { fail "the player's olad"; exit 1; }
olad_up controller "$NETNS_CONTROLLER_IP" "$work/olad-desk" || { fail "the desk's olad"; exit 1; }

# The player comes back to the olad that started after it and patches it.
# The Art-Net plugin may come first: the E1.31 device's number is olad's choice.
netns_wait_line "$player_log" 0 20 "DMX: patched sACN (E1.31) input port 0 of olad's device" "to universe 1." \
    || { fail "the player did not patch its olad"; olad_inputs player >&2; }
e131=$(olad_inputs player | awk 'NR == 1 { print $1 }')

# The desk: the frame in $work/frame (one line per frame, comma separated from
# channel 1) sent over and over, every $work/frame.period seconds.
frame=$work/frame
echo 0.025 >"$frame.period"
set_frame() { # VALUES FOR CHANNELS 10..13, as "clip,control,level,fullscreen"
    printf '0,0,0,0,0,0,0,0,0,%s\n' "$1" >"$frame.new" && mv "$frame.new" "$frame"
}
start_desk() { # in a process group of its own, so that stop_desk ends all of it
    setsid bash -c 'while :; do cat "$1"; sleep "$(cat "$1.period")"; done | ip netns exec "$2" runuser -u nobody -- ola_streaming_client -u 1' \
        desk "$frame" "$NETNS_CONTROLLER" &
    stream_pid=$!
}
stop_desk() {
    kill -- -"$stream_pid" 2>/dev/null
    wait "$stream_pid" 2>/dev/null
    stream_pid=""
}
set_frame "0,0,255,0"
start_desk
netns_wait_for "$player_log" "DMX: OLA universe 1 (" 15 || fail "no DMX status"
netns_wait_line "$player_log" 0 20 "DMX: OLA universe 1 (" "fps)" || { fail "sACN never reached the player"; tail "$player_log" >&2; }
grep -c "(no olad)" "$player_log" | grep -qx 1 || fail "the missing olad was logged more than once"

mark() { wc -l <"$dump"; }
expect() { # MARK SECONDS TEXT
    netns_wait_line "$dump" "$1" "$2" "$3" || { fail "no feedback \"$3\""; tail -n 5 "$dump" >&2; }
}
expect_none() { # MARK SECONDS TEXT: nothing like TEXT for that long
    sleep "$2"
    tail -n +"$(($1 + 1))" "$dump" | grep -qF -- "$3" && fail "\"$3\" set off by $4"
}

m=$(mark); set_frame "2,0,255,0"
expect "$m" 10 'Player B: Opening Stream ( clip2'
m=$(mark); set_frame "2,120,255,0"
expect "$m" 10 '/zuvio/active s "B"'
expect "$m" 10 'Player B: Playback started.'
m=$(mark); set_frame "2,90,255,0"
expect "$m" 10 'Player B: Playback stopped.'
m=$(mark); set_frame "2,20,128,0"
expect "$m" 10 'Player B: Playback started.'
expect "$m" 10 'Player B: Volume set to 50%.'

# Flicker: the control channel differs in every frame.
m=$(mark)
printf '0,0,0,0,0,0,0,0,0,2,90,128,0\n0,0,0,0,0,0,0,0,0,2,20,128,0\n' >"$frame.new" && mv "$frame.new" "$frame"
expect_none "$m" 3 "Playback" "flicker"
# A storm: all 512 channels new in every frame (each differs from the frame
# before; random values would now and then repeat, which is a held value).
awk 'BEGIN { srand(7); for (c = 1; c <= 512; c++) o[c] = int(rand() * 256)
    for (f = 0; f < 40; f++) { s = ""; for (c = 1; c <= 512; c++) s = s (c > 1 ? "," : "") (o[c] + 37 * f) % 256; print s } }' \
    >"$frame.new" && mv "$frame.new" "$frame"
m=$(mark)
expect_none "$m" 3 "Playback" "a storm"
tail -n +"$((m + 1))" "$dump" | grep "/zuvio/status" | grep -E "Playback|Volume|Opening" && fail "the storm set something off"

# The cable is pulled and put back while the desk shows stop: where it stands
# when it returns is no cue.
set_frame "2,20,128,0"
sleep 1
netns_controller ip link set veth-c down
netns_wait_line "$player_log" 0 10 "DMX: OLA universe 1 (NO DATA)" || fail "the vanished source was not logged"
set_frame "2,90,128,0"
# Past sACN's source timeout (2.5 s), so the player's olad has let go of the
# desk's old values as well.
sleep 3
m=$(mark)
netns_controller ip link set veth-c up
netns_wait_line "$player_log" "$(grep -n "NO DATA" "$player_log" | tail -1 | cut -d: -f1)" 10 "DMX: OLA universe 1 (" "fps)" \
    || fail "the returning source was not logged"
expect_none "$m" 2 "Playback stopped" "a returning source"
m=$(mark); set_frame "2,20,128,0"
expect "$m" 10 'Player B: Playback started.'

# Keep-alive: unchanged data only every 1.2 s (sACN sends it at least every
# second, Art-Net may wait 4 s) is no lost source, and the next change acts.
echo 1.2 >"$frame.period"
lost=$(grep -c "NO DATA" "$player_log")
sleep 4 # the desk idles
m=$(mark); set_frame "2,90,128,0"
expect "$m" 15 'Player B: Playback stopped.'
[ "$(grep -c "NO DATA" "$player_log")" -eq "$lost" ] || fail "a desk sending keep-alive frames was taken for gone"
stop_desk

# Ten restarts find the patch in place and add none.
stop_player
for run in $(seq 10); do
    start_player "$work/restart$run.log"
    netns_wait_for "$work/restart$run.log" \
        "DMX: sACN (E1.31) input port 0 of olad's device $e131 is patched to universe 1." 20 \
        || { fail "restart $run did not find its patch"; cat "$work/restart$run.log" >&2; }
    stop_player
done
olad_inputs player >"$work/inputs"
[ "$(awk '$3 == 1' "$work/inputs" | wc -l)" -eq 1 ] || { fail "not exactly one patch after ten restarts"; cat "$work/inputs" >&2; }

# Every other port patched to another universe: a player of universe 7 takes
# none of them, and takes the first that becomes free.
for port in 1 2 3 4; do olad_run player ola_patch -d "$e131" -p "$port" -u "$((port + 1))" -i; done
olad_inputs player >"$work/inputs-before"
sed -i 's/^m_iDmxUniverse=1$/m_iDmxUniverse=7/' "$work/config/vexo/Zuvio.conf"
start_player "$work/universe7.log"
netns_wait_for "$work/universe7.log" \
    "DMX: every sACN (E1.31) input port of olad is patched to another universe; none taken for universe 7." 20 \
    || { fail "a player finding every port taken did not say so"; cat "$work/universe7.log" >&2; }
olad_inputs player | diff "$work/inputs-before" - >&2 || fail "a port patched to another universe was taken"
olad_run player ola_patch -d "$e131" -p 3 -u 4 -i -r
netns_wait_for "$work/universe7.log" "DMX: patched sACN (E1.31) input port 3 of olad's device $e131 to universe 7." 20 \
    || { fail "the freed port was not patched"; olad_inputs player >&2; }
olad_inputs player | awk '{ printf "%s:%s ", $2, $3 }' >"$work/inputs-after"
[ "$(cat "$work/inputs-after")" = "0:1 1:2 2:3 3:7 4:5 " ] || fail "patches after the freed port: $(cat "$work/inputs-after")"
stop_player

# Art-Net chosen on the DMX page: an Art-Net input is patched, sACN's stay.
sed -i 's/^m_iDmxUniverse=7$/&\nm_iDmxInput=1/' "$work/config/vexo/Zuvio.conf"
start_player "$work/artnet.log"
netns_wait_line "$work/artnet.log" 0 20 "DMX: patched Art-Net input port 0 of olad's device" "to universe 7." \
    || { fail "no Art-Net input patched"; olad_run player ola_dev_info >&2; }
olad_run player ola_dev_info | grep -A8 'ArtNet' | grep -q 'IN.*patched to universe 7' \
    || { fail "olad shows no Art-Net input on universe 7"; olad_run player ola_dev_info >&2; }
olad_inputs player | awk '{ printf "%s:%s ", $2, $3 }' | grep -qx "0:1 1:2 2:3 3:7 4:5 " || fail "the sACN patches changed"
stop_player

cat "$work"/restart*.log "$work/universe7.log" "$work/artnet.log" | grep -q "runtime error\|AddressSanitizer" && fail "sanitizer report"
grep -q "runtime error\|AddressSanitizer" "$player_log" && fail "sanitizer report"
[ "$failures" -eq 0 ] && echo "dmx_ola: patched, the desk's cues obeyed, flicker, storm and a returning source ignored, keep-alive kept, one patch after restarts"
exit "$((failures > 0))"
