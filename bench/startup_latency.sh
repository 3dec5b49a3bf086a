#!/usr/bin/env bash
# Start-up time and remote command latency of the whole player, on loopback
# (status to 127.0.0.1 only); medians over the runs on the last line ("summary:").
# Usage: bench/startup_latency.sh [BUILD_DIR] [COMMANDS] [RUNS]   (build-release, 200, 3)
set -euo pipefail
. "$(dirname "$0")/common.sh"
build=${1:-$BENCH_ROOT/build-release}
commands=${2:-200}
runs=${3:-3}
bench_need gst-launch-1.0 gstreamer1.0-tools
bench_build "$build" zuvio startup_latency
build=$(cd "$build" && pwd)
playlist=$("$BENCH_ROOT/scripts/make-demo-media.sh" "$build/bench/demo" 1 30)
out=$(mktemp)
trap 'rm -f "$out"' EXIT
for run in $(seq 1 "$runs"); do
    echo "run $run:"
    "$build/bin/startup_latency" "$build/bin/zuvio" "$playlist" "$commands" | tee -a "$out"
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
