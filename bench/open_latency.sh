#!/usr/bin/env bash
# Remote open to the "successful." text against gst-launch-1.0's preroll of the
# same clip, and CMD_PLAY answers while the other player's open stalls; the
# whole player on loopback (status to 127.0.0.1 only). Medians over the runs on
# the last line ("summary:").
# Usage: bench/open_latency.sh [BUILD_DIR] [OPENS] [SECONDS] [RUNS]   (build-release, 20, 10, 3)
set -euo pipefail
. "$(dirname "$0")/common.sh"
opens=${2:-20}
seconds=${3:-10}
runs=${4:-3}
bench_need gst-launch-1.0 gstreamer1.0-tools
build=$(bench_prepare "${1:-}" zuvio open_latency) || exit 1
playlist=$(bench_demo_playlist "$build")
clip=$(grep -v '^#' "$playlist" | grep . | head -n 1)
case $clip in /*) ;; *) clip=$(dirname "$playlist")/$clip ;; esac
bench_runs "$runs" "$build/bin/open_latency" "$build/bin/zuvio" "$clip" "$opens" "$seconds"
