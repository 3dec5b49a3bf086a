#!/usr/bin/env bash
# playlist_bench.sh BUILD_DIR: playlist benchmarks on a release build.
#  1. Loading 10,000- and 20,000-entry M3U files (titles and lengths given).
#  2. Probing a folder of 200 short generated media files through the player,
#     against gst-discoverer-1.0 over the same files (needs playlist_probe_bench,
#     which is built when the tree has the media-file player).
set -euo pipefail
build=${1:?usage: playlist_bench.sh BUILD_DIR}
bin=$build/bin

echo "== M3U load (median of 5 runs)"
"$bin/playlist_load_bench" 10000 20000

if [ ! -x "$bin/playlist_probe_bench" ]; then
  echo "== probe: skipped, $bin/playlist_probe_bench was not built (no media-file player in the tree)"
  exit 0
fi
command -v gst-discoverer-1.0 >/dev/null || { echo "gst-discoverer-1.0 missing (gstreamer1.0-plugins-base-apps)"; exit 1; }

media=$(mktemp -d /tmp/zuvio-probe-XXXXXX)
trap 'rm -rf "$media"' EXIT
echo "== generating 200 media files in $media"
for i in $(seq -w 0 99); do
  gst-launch-1.0 -q audiotestsrc num-buffers=20 ! audioconvert ! wavenc ! filesink location="$media/tone$i.wav"
  gst-launch-1.0 -q videotestsrc num-buffers=25 ! video/x-raw,width=320,height=240,framerate=25/1 \
    ! jpegenc ! avimux ! filesink location="$media/clip$i.avi"
done

now_ms() { date +%s%3N; }
t0=$(now_ms)
gst-discoverer-1.0 "$media"/*.wav "$media"/*.avi >/dev/null
t1=$(now_ms)
discoverer_ms=$((t1 - t0))

# Null sinks: probing only prerolls, and the bench machine may have no display or sound.
probe_line=$(ZUVIO_VIDEO_SINK=fakesink ZUVIO_AUDIO_SINK=fakesink "$bin/playlist_probe_bench" "$media")
probe_ms=$(echo "$probe_line" | awk '{print $2}')
echo "== probe of 200 files: playlist ${probe_ms} ms, gst-discoverer-1.0 ${discoverer_ms} ms ($probe_line)"
awk -v p="$probe_ms" -v d="$discoverer_ms" 'BEGIN { printf "== ratio playlist / discoverer: %.2f\n", p / d }'
