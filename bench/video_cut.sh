#!/usr/bin/env bash
# video_cut.sh [BUILD_DIR] [SINK...]: the cut benchmark on a virtual 1280x720 X
# display, once per video sink: "default" (the player's own choice) and
# ximagesink (no GL) unless sinks are named.
set -euo pipefail
. "$(dirname "$0")/common.sh"
bench_need xvfb-run xvfb
build=$(bench_prepare "${1:-}" video_cut_bench) || exit 1
shift || true
[ $# -gt 0 ] || set -- default ximagesink
for sink in "$@"; do
  echo "== video sink: $sink"
  if [ "$sink" = default ]; then sinkenv=(env -u ZUVIO_VIDEO_SINK); else sinkenv=(env ZUVIO_VIDEO_SINK="$sink"); fi
  xvfb-run -a -s "-screen 0 1280x720x24" "${sinkenv[@]}" QT_QPA_PLATFORM=xcb "$build/bin/video_cut_bench"
done
