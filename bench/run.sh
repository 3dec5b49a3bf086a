#!/usr/bin/env bash
# Benchmarks CMPlayer against a bare gst-launch-1.0 playbin on a generated
# 10-second 1280x720 clip with synchronised fake sinks, and prints the ratios.
#   bench/run.sh [BUILD_DIR] [RUNS]   (defaults: build-release, 3)
# Builds only the benchmark program (a release build) and the clip when missing.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build-release}
runs=${2:-3}

if [ ! -f "$dir/build.ninja" ]; then
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZUVIO_BUILD_TESTS=OFF -DZUVIO_BUILD_BENCH=ON
fi
cmake --build "$dir" --target zuvio_player_bench -j2

clip="$dir/bench/clip-720p-10s.ogg"
if [ ! -s "$clip" ]; then
  mkdir -p "$(dirname "$clip")"
  echo "Generating $clip ..."
  gst-launch-1.0 -q \
    videotestsrc num-buffers=250 pattern=smpte ! video/x-raw,width=1280,height=720,framerate=25/1 \
      ! theoraenc ! oggmux name=mux ! filesink location="$clip.part" \
    audiotestsrc num-buffers=100 samplesperbuffer=4410 ! audio/x-raw,rate=44100,channels=2 \
      ! audioconvert ! vorbisenc ! mux.
  mv "$clip.part" "$clip"
fi

# Quiet process: no display, no sound server needed.
env -u DISPLAY QT_QPA_PLATFORM=offscreen "$dir/bin/zuvio_player_bench" --runs "$runs" "$clip"
