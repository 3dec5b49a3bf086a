# common.sh: sourced by the benchmark scripts (bash).
#
#   bench_build DIR TARGET...   configure DIR as a release build when it is not
#                               configured yet, then build only TARGETs. Skipped
#                               when ZUVIO_BENCH_BUILT=1 (bench/run-all built them).
#   bench_prepare DIR TARGET... bench_build on DIR (build-release when DIR is empty) with
#                               the build's output on stderr; prints DIR's absolute path.
#   bench_clip DIR              the 10-second 1280x720 theora/vorbis clip, made once
#                               under DIR/bench; prints its path.
#   bench_need CMD PACKAGE      exits with a clear message when CMD is missing.
# The helpers that make media (bench_clip, bench_tone, bench_demo_playlist) need
# gst-launch-1.0 themselves; a script names only what it runs directly.
#   bench_tone DIR              a 1-second tone under DIR/bench, made once; prints its path.
#   bench_demo_playlist DIR     the one-clip 30-second demo playlist under DIR/bench; prints its path.
#   bench_headless CMD...       runs CMD without a display (Qt offscreen).
#   bench_runs RUNS CMD...      runs CMD RUNS times, then prints the medians' summary line.
#   bench_netns                 sets up the show network of tests/netns/netns.sh (sourced
#                               by the caller) and a work folder BENCH_WORK, both removed on exit.
#   bench_remote_host BUILD LIFETIME [ARG...]
#                               after bench_netns: starts the remote test host on the
#                               player's side and waits until it is ready.
#   bench_remote_latency BUILD TO RATE SECONDS
#                               the binary protocol's round trip from the controller side.
#   bench_binary_report BUILD RATE SECONDS HEADING LABEL
#                               that round trip to the player, printed indented under HEADING,
#                               then its "summary:" line again after LABEL; its status.

BENCH_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

bench_need() {
    command -v "$1" >/dev/null 2>&1 && return 0
    echo "$1 is missing: install the Debian package $2 (scripts/install-deps.sh)" >&2
    exit 1
}

bench_build() {
    local dir=$1
    shift
    [ "${ZUVIO_BENCH_BUILT:-0}" = 1 ] && return 0
    bench_need cmake cmake
    bench_need ninja ninja-build
    # The tests folder is configured too: the remote benchmark drives a test host.
    # Only the named targets are built.
    if [ ! -f "$dir/build.ninja" ] || grep -q '^ZUVIO_BUILD_TESTS:BOOL=OFF' "$dir/CMakeCache.txt" 2>/dev/null; then
        mkdir -p "$dir"
        cmake -S "$BENCH_ROOT" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
            -DZUVIO_BUILD_TESTS=ON -DZUVIO_BUILD_BENCH=ON >"$dir/bench-configure.log" 2>&1 \
            || { cat "$dir/bench-configure.log" >&2; return 1; }
    fi
    cmake --build "$dir" --target "$@" -j2
}

bench_prepare() {
    local dir=${1:-$BENCH_ROOT/build-release}
    shift
    bench_build "$dir" "$@" >&2 || return 1
    (cd "$dir" && pwd)
}

bench_clip() {
    local clip="$1/bench/clip-720p-10s.ogg"
    bench_need gst-launch-1.0 gstreamer1.0-tools
    if [ ! -s "$clip" ]; then
        mkdir -p "$(dirname "$clip")"
        echo "Generating $clip ..." >&2
        gst-launch-1.0 -q \
            videotestsrc num-buffers=250 pattern=smpte ! video/x-raw,width=1280,height=720,framerate=25/1 \
            ! theoraenc ! oggmux name=mux ! filesink location="$clip.part" \
            audiotestsrc num-buffers=100 samplesperbuffer=4410 ! audio/x-raw,rate=44100,channels=2 \
            ! audioconvert ! vorbisenc ! mux. >&2 || return 1
        mv "$clip.part" "$clip"
    fi
    echo "$clip"
}

# The median of each "summary: name=value ..." figure over the runs in FILE,
# as one summary line.
bench_median_summary() { # FILE
    grep '^summary:' "$1" | tr ' ' '\n' | grep = | awk -F= '
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
}

bench_tone() { # DIR
    local wav=$1/bench/tone-1s.wav
    bench_need gst-launch-1.0 gstreamer1.0-tools
    mkdir -p "$1/bench"
    [ -s "$wav" ] || gst-launch-1.0 -q audiotestsrc num-buffers=44 samplesperbuffer=1000 ! audio/x-raw,rate=44000 \
        ! wavenc ! filesink location="$wav" >&2 || return 1
    echo "$wav"
}

bench_demo_playlist() { # DIR
    bench_need gst-launch-1.0 gstreamer1.0-tools
    "$BENCH_ROOT/scripts/make-demo-media.sh" "$1/bench/demo" 1 30
}

bench_headless() {
    env -u DISPLAY QT_QPA_PLATFORM=offscreen "$@"
}

# Each run's output is shown as it comes; a failed run ends the series with its status.
bench_runs() { # RUNS CMD...
    local runs=$1 out run rc=0
    shift
    out=$(mktemp)
    for run in $(seq 1 "$runs"); do
        echo "run $run:"
        "$@" | tee -a "$out" || { rc=$?; break; }
    done
    [ "$rc" -ne 0 ] || bench_median_summary "$out"
    rm -f "$out"
    return "$rc"
}

bench_netns() {
    netns_setup
    BENCH_WORK=$(mktemp -d)
    trap 'netns_cleanup; rm -rf "$BENCH_WORK"' EXIT
}

bench_remote_host() { # BUILD LIFETIME [ARG...]
    local build=$1 lifetime=$2
    shift 2
    netns_player "$build/bin/zuvio_remote_host" --bind "$NETNS_PLAYER_IP" --lifetime "$lifetime" "$@" \
        >"$BENCH_WORK/host.out" 2>"$BENCH_WORK/host.err" &
    netns_wait_for "$BENCH_WORK/host.out" "ready" 10 || { cat "$BENCH_WORK/host.err" >&2; return 1; }
}

bench_remote_latency() { # BUILD TO RATE SECONDS
    netns_controller "$1/bin/remote_latency" "$2" "$3" "$4" 31772 "$NETNS_CONTROLLER_IP"
}

bench_binary_report() { # BUILD RATE SECONDS HEADING LABEL
    local out rc=0
    out=$(bench_remote_latency "$1" "$NETNS_PLAYER_IP" "$2" "$3") || rc=$?
    echo "$4"
    sed 's/^/  /' <<<"$out"
    echo "$5 $(grep '^summary:' <<<"$out")"
    return "$rc"
}
