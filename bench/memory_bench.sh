#!/usr/bin/env bash
# Resident memory of the whole player (Player A playing, Player B cued, both on
# the 1280x720 clip of bench/run.sh) against gst-play-1.0 playing that clip.
# Once more with a 1,000-entry playlist, every entry probed at start-up.
# Headless, fake sinks, commands and status on loopback only.
#   bench/memory_bench.sh [BUILD_DIR] [RUNS] [SETTLE_MS]   (defaults: build-release, 3, 3000)
set -euo pipefail
. "$(dirname "$0")/common.sh"
runs=${2:-3}
settle=${3:-3000}

bench_need gst-launch-1.0 gstreamer1.0-tools
bench_need gst-play-1.0 gstreamer1.0-plugins-base-apps
build=$(bench_prepare "${1:-}" zuvio memory_bench) || exit 1
clip=$(bench_clip "$build")
wav=$(bench_tone "$build")
bench_headless "$build/bin/memory_bench" "$build/bin/zuvio" "$clip" "$runs" "$settle" "$wav"
