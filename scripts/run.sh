#!/usr/bin/env bash
# Installs what is missing, builds the player (release) and runs it.
# Arguments go to the player, e.g. ./scripts/run.sh --help
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
./scripts/build.sh build-release -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZUVIO_BUILD_TESTS=OFF
exec ./build-release/bin/zuvio "$@"
