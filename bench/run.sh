#!/usr/bin/env bash
# Benchmarks CMPlayer against a bare gst-launch-1.0 playbin on a generated
# 10-second 1280x720 clip with synchronised fake sinks, and prints the ratios.
#   bench/run.sh [BUILD_DIR] [RUNS]   (defaults: build-release, 3)
# Builds only the benchmark program (a release build) and the clip when missing.
# The last line ("summary: ...") carries the medians for bench/run-all.
set -euo pipefail
. "$(dirname "$0")/common.sh"
runs=${2:-3}

bench_need gst-launch-1.0 gstreamer1.0-tools
build=$(bench_prepare "${1:-}" zuvio_player_bench) || exit 1
clip=$(bench_clip "$build")

# Quiet process: no display, no sound server needed.
bench_headless "$build/bin/zuvio_player_bench" --runs "$runs" "$clip"
