#!/usr/bin/env bash
# Bytes written to the disk by the show's resume state while a 1,000-entry
# playlist plays unchanged, scaled to an hour: the player's write_bytes in
# /proc/PID/io over a window after the playlist has been probed, beside the
# same player with resume switched off (its settings, logs and nothing else).
# Headless, fake sinks, status packets to loopback only, OSC off.
#   bench/resume_writes.sh [BUILD_DIR] [ENTRIES] [SECONDS] [RUNS]   (build-release, 1000, 180, 1)
set -euo pipefail
. "$(dirname "$0")/common.sh"
entries=${2:-1000}
seconds=${3:-180}
runs=${4:-1}
settle=20 # probing 1,000 entries ends well within this

bench_need gst-launch-1.0 gstreamer1.0-tools
build=$(bench_prepare "${1:-}" zuvio) || exit 1
# On a real disk: page-cache accounting is what write_bytes counts, and a tmpfs counts nothing.
root=$build/bench/resume-writes
rm -rf "$root"
mkdir -p "$root/media"
if [ "$(stat -f -c %T "$root")" = tmpfs ]; then
    echo "resume_writes: $root is on a tmpfs, which write_bytes does not count" >&2
    exit 1
fi
# A long tone to play (nothing ends during the window) and a short one for the other rows.
long=$root/media/long.wav
gst-launch-1.0 -q audiotestsrc num-buffers=$(((seconds + settle + 60) * 8)) samplesperbuffer=1000 \
    ! audio/x-raw,rate=8000,channels=1 ! wavenc ! filesink location="$long"
gst-launch-1.0 -q audiotestsrc num-buffers=8 samplesperbuffer=1000 ! audio/x-raw,rate=8000,channels=1 \
    ! wavenc ! filesink location="$root/media/tone.wav"
{
    echo "#EXTM3U"
    echo "$long"
    for i in $(seq 2 "$entries"); do
        ln "$root/media/tone.wav" "$root/media/tone$i.wav"
        echo "$root/media/tone$i.wav"
    done
} >"$root/list.m3u"

written() { sed -n 's/^write_bytes: //p' "/proc/$1/io"; }

# measure RESUME(0|1): prints the bytes per hour written while playing.
measure() {
    local resume=$1 home=$root/config-$1 pid w0 w1
    rm -rf "$home" "$root/run"
    mkdir -p "$home/vexo" "$root/run"
    printf '[General]\nm_bShowSplash=0\nm_bReloadPlaylist=0\nm_AutoPlaylist=%s\nm_bAutoPlayTrack=1\nm_bResumeShow=%s\nm_BindIpAddress=127.0.0.1\n' \
        "$root/list.m3u" "$resume" >"$home/vexo/Zuvio.conf"
    env -u DISPLAY -C "$root/run" QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME="$home" \
        ZUVIO_COMMAND_PORT=$((40000 + RANDOM % 20000)) "$build/bin/zuvio" --osc off \
        --status-address=127.0.0.1:$((40000 + RANDOM % 20000)) --audio-sink="fakesink sync=true" \
        --video-sink="fakesink sync=true" --log-stderr >"$root/player-$resume.log" 2>&1 &
    pid=$!
    sleep "$settle"
    kill -0 "$pid" 2>/dev/null || { echo "resume_writes: the player ended early" >&2; tail "$root/player-$resume.log" >&2; exit 1; }
    w0=$(written "$pid")
    sleep "$seconds"
    w1=$(written "$pid")
    kill -TERM "$pid"
    wait "$pid" 2>/dev/null || true
    echo $(((w1 - w0) * 3600 / seconds))
}

for run in $(seq 1 "$runs"); do
    with=$(measure 1)
    without=$(measure 0)
    rows=$(grep -c '^row=' "$root/config-1/vexo/Zuvio.resume" 2>/dev/null || true)
    echo "run $run: resume on $with bytes/h, off $without bytes/h (window ${seconds} s, $entries entries)"
    echo "summary: resume_bytes_per_hour=$with resume_off_bytes_per_hour=$without"
done >"$root/runs.txt"
cat "$root/runs.txt"
[ "$runs" -gt 1 ] && bench_median_summary "$root/runs.txt"
exit 0
