#!/usr/bin/env bash
# Start-up time and remote command latency of the whole player, on loopback
# (status to 127.0.0.1 only); medians over the runs on the last line ("summary:").
# Usage: bench/startup_latency.sh [BUILD_DIR] [COMMANDS] [RUNS]   (build-release, 200, 3)
set -euo pipefail
. "$(dirname "$0")/common.sh"
commands=${2:-200}
runs=${3:-3}
build=$(bench_prepare "${1:-}" zuvio startup_latency) || exit 1
bench_runs "$runs" "$build/bin/startup_latency" "$build/bin/zuvio" "$(bench_demo_playlist "$build")" "$commands"
