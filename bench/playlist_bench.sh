#!/usr/bin/env bash
# playlist_bench.sh [BUILD_DIR] [FILES] [RUNS]: playlist benchmarks on a release build.
#  1. Loading 10,000- and 20,000-entry M3U files (titles and lengths given).
#  2. Probing a folder of FILES (200) short generated media files into the
#     playlist (its prober: decodebin graphs on a worker thread, several
#     files at once), against gst-discoverer-1.0 over the same files, RUNS (1) times
#     alternating who goes first; medians (needs playlist_probe_bench, which is
#     built when the tree has the media-file player).
# The files are generated once under BUILD_DIR/bench. Lines beginning with
# "summary:" carry the figures for bench/run-all.
set -euo pipefail
. "$(dirname "$0")/common.sh"
files=${2:-200}
runs=${3:-1}

bench_need gst-launch-1.0 gstreamer1.0-tools
bench_need gst-discoverer-1.0 gstreamer1.0-plugins-base-apps
build=$(bench_prepare "${1:-}" playlist_load_bench playlist_probe_bench) || exit 1
bin=$build/bin

echo "== M3U load (median of 5 runs)"
"$bin/playlist_load_bench" 10000 20000

if [ ! -x "$bin/playlist_probe_bench" ]; then
  echo "== probe: skipped, $bin/playlist_probe_bench was not built (no media-file player in the tree)"
  exit 0
fi

media=$build/bench/probe-$files
if [ "$(ls "$media" 2>/dev/null | wc -l)" -ne "$files" ]; then
  echo "== generating $files media files in $media"
  rm -rf "$media" "$media.part"
  mkdir -p "$media.part"
  for i in $(seq -w 1 $((files / 2))); do
    gst-launch-1.0 -q audiotestsrc num-buffers=20 ! audioconvert ! wavenc ! filesink location="$media.part/tone$i.wav"
    gst-launch-1.0 -q videotestsrc num-buffers=25 ! video/x-raw,width=320,height=240,framerate=25/1 \
      ! jpegenc ! avimux ! filesink location="$media.part/clip$i.avi"
  done
  mv "$media.part" "$media"
fi

now_ms() { date +%s%3N; }
discoverer=()
probe=()
for run in $(seq 1 "$runs"); do
  for side in 0 1; do
    if [ $(((run + side) % 2)) -eq 1 ]; then
      t0=$(now_ms)
      gst-discoverer-1.0 "$media"/*.wav "$media"/*.avi >/dev/null
      t1=$(now_ms)
      discoverer+=($((t1 - t0)))
      echo "run $run gst-discoverer-1.0 $((t1 - t0)) ms"
    else
      line=$("$bin/playlist_probe_bench" "$media")
      probe+=("$(echo "$line" | awk '{print $2}')")
      echo "run $run playlist $line"
    fi
  done
done
median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
probe_ms=$(median "${probe[@]}")
discoverer_ms=$(median "${discoverer[@]}")
echo "== probe of $files files, median of $runs: playlist ${probe_ms} ms, gst-discoverer-1.0 ${discoverer_ms} ms"
awk -v p="$probe_ms" -v d="$discoverer_ms" 'BEGIN { printf "== ratio playlist / discoverer: %.2f\n", p / d }'
echo "summary: probe_ms=$probe_ms probe_peer_ms=$discoverer_ms probe_files=$files"
