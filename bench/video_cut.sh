#!/usr/bin/env bash
# video_cut.sh [BUILD_DIR] [SINK...]: the cut benchmark on a virtual 1280x720 X
# display, once per video sink: "default" (the player's own choice) and
# ximagesink (no GL) unless sinks are named.
set -euo pipefail
. "$(dirname "$0")/common.sh"
dir=${1:-$BENCH_ROOT/build-release}
shift || true
[ $# -gt 0 ] || set -- default ximagesink
bench_need xvfb-run xvfb
bench_build "$dir" video_cut_bench
for sink in "$@"; do
  echo "== video sink: $sink"
  if [ "$sink" = default ]; then sinkenv=(env -u ZUVIO_VIDEO_SINK); else sinkenv=(env ZUVIO_VIDEO_SINK="$sink"); fi
  xvfb-run -a -s "-screen 0 1280x720x24" "${sinkenv[@]}" QT_QPA_PLATFORM=xcb "$dir/bin/video_cut_bench"
done
