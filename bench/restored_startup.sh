#!/usr/bin/env bash
# Start-up with a restored 1,000-entry playlist of which 20 entries stall (FIFOs),
# to the first answer to a remote command; headless, fake sinks, loopback only.
#   bench/restored_startup.sh [BUILD_DIR] [ENTRIES] [STALLS] [RUNS]   (build-release, 1000, 20, 3)
set -euo pipefail
. "$(dirname "$0")/common.sh"
entries=${2:-1000}
stalls=${3:-20}
runs=${4:-3}

build=$(bench_prepare "${1:-}" zuvio restored_startup) || exit 1
clip=$(bench_clip "$build")
wav=$(bench_tone "$build")
bench_headless "$build/bin/restored_startup" "$build/bin/zuvio" "$clip" "$wav" \
    "$entries" "$stalls" "$runs"
