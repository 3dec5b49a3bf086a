#!/usr/bin/env bash
# Start-up time and remote command latency of the whole player, on loopback
# (status to 127.0.0.1 only). Usage: bench/startup_latency.sh BUILD_DIR [COMMANDS] [RUNS]
set -euo pipefail
build=$(cd "${1:?usage: startup_latency.sh BUILD_DIR [COMMANDS] [RUNS]}" && pwd)
commands=${2:-200}
runs=${3:-3}
here=$(cd "$(dirname "$0")" && pwd)
media=$(mktemp -d)
trap 'rm -rf "$media"' EXIT
playlist=$("$here/../scripts/make-demo-media.sh" "$media" 1 30)
for run in $(seq 1 "$runs"); do
    echo "run $run:"
    "$build/bin/startup_latency" "$build/bin/zuvio" "$playlist" "$commands"
done
