#!/usr/bin/env bash
# Remote open to the "successful." text against gst-launch-1.0's preroll of the
# same clip, and CMD_PLAY answers while the other player's open stalls; the
# whole player on loopback (status to 127.0.0.1 only). Medians over the runs on
# the last line ("summary:").
# Usage: bench/open_latency.sh [BUILD_DIR] [OPENS] [SECONDS] [RUNS]   (build-release, 20, 10, 3)
set -euo pipefail
. "$(dirname "$0")/common.sh"
build=${1:-$BENCH_ROOT/build-release}
opens=${2:-20}
seconds=${3:-10}
runs=${4:-3}
bench_need gst-launch-1.0 gstreamer1.0-tools
bench_build "$build" zuvio open_latency
build=$(cd "$build" && pwd)
playlist=$("$BENCH_ROOT/scripts/make-demo-media.sh" "$build/bench/demo" 1 30)
clip=$(grep -v '^#' "$playlist" | grep . | head -n 1)
case $clip in /*) ;; *) clip=$(dirname "$playlist")/$clip ;; esac
out=$(mktemp)
trap 'rm -f "$out"' EXIT
for run in $(seq 1 "$runs"); do
    echo "run $run:"
    "$build/bin/open_latency" "$build/bin/zuvio" "$clip" "$opens" "$seconds" | tee -a "$out"
done
# Median of each figure over the runs.
grep '^summary:' "$out" | tr ' ' '\n' | grep = | awk -F= '
    { v[$1] = v[$1] " " $2; if (!($1 in seen)) { seen[$1] = 1; order[++n] = $1 } }
    END {
        printf "summary:"
        for (i = 1; i <= n; ++i) {
            k = split(substr(v[order[i]], 2), a, " ")
            for (x = 1; x <= k; ++x) for (y = x + 1; y <= k; ++y) if (a[y] + 0 < a[x] + 0) { t = a[x]; a[x] = a[y]; a[y] = t }
            printf " %s=%s", order[i], a[int((k + 1) / 2)]
        }
        printf "\n"
    }'
