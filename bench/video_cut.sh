#!/usr/bin/env bash
# video_cut.sh BUILD_DIR: the cut benchmark on a virtual 1280x720 X display,
# once with the default video sink and once with ximagesink (no GL).
set -euo pipefail
dir=${1:-build}
run() { xvfb-run -a -s "-screen 0 1280x720x24" env QT_QPA_PLATFORM=xcb "$@" "$dir/bin/video_cut_bench"; }
run env
run env ZUVIO_VIDEO_SINK=ximagesink
