#!/usr/bin/env bash
# make-demo-media.sh DIR [COUNT] [SECONDS]: writes COUNT short test clips
# (test picture with a tone, MJPEG/PCM in AVI) and a playlist demo.m3u naming
# them into DIR. Existing clips are kept, so a second call is instant.
set -euo pipefail
dir=$1
count=${2:-4}
seconds=${3:-8}
mkdir -p "$dir"
dir=$(cd "$dir" && pwd)
patterns=(smpte ball snow pinwheel bar gamut checkers-8 zone-plate)
frequencies=(440 550 660 880 330 495 590 740)
frames=$((seconds * 25))
samples=$((seconds * 44100 / 1024))
: > "$dir/demo.m3u.tmp"
echo "#EXTM3U" >> "$dir/demo.m3u.tmp"
for i in $(seq 1 "$count"); do
    clip="$dir/clip$i.avi"
    if [ ! -s "$clip" ]; then
        k=$(((i - 1) % ${#patterns[@]}))
        gst-launch-1.0 -q \
            videotestsrc num-buffers="$frames" pattern="${patterns[$k]}" \
            ! video/x-raw,width=640,height=360,framerate=25/1 \
            ! textoverlay text="Zuvio demo $i" font-desc="Sans 28" valignment=bottom \
            ! jpegenc quality=70 ! avimux name=mux ! filesink location="$clip.part" \
            audiotestsrc num-buffers="$samples" samplesperbuffer=1024 freq="${frequencies[$k]}" volume=0.2 \
            ! audio/x-raw,format=S16LE,rate=44100,channels=2 ! mux. >/dev/null
        mv "$clip.part" "$clip"
    fi
    printf '#EXTINF:%d,Zuvio demo %d\n%s\n' "$seconds" "$i" "$clip" >> "$dir/demo.m3u.tmp"
done
mv "$dir/demo.m3u.tmp" "$dir/demo.m3u"
echo "$dir/demo.m3u"
