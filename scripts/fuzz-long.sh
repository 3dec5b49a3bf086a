#!/usr/bin/env bash
# fuzz-long.sh [seconds] [target...]: runs each fuzz target for the given time
# (default 600), two at a time, starting from the committed seeds. Prints
# executions and crashes per target; crashing inputs land in
# build-fuzz/artifacts/<target>/. Builds the clang configuration first.
# FUZZ_CRASH_RUNS=200 also runs the kill-during-save tests with 200 kills each.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-600}
shift || true
all=(m3u pls duration version_block command_packet logbook id3v1)
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=("${all[@]}")
dir=${FUZZ_BUILD_DIR:-build-fuzz}

if [ ! -f "$dir/build.ninja" ]; then
  cmake -S . -B "$dir" -G Ninja -DZUVIO_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DZUVIO_BUILD_BENCH=OFF
fi
cmake --build "$dir" --parallel 2 --target zuvio_fuzzers

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:symbolize=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export QT_QPA_PLATFORM=offscreen

run_one() {
  local t=$1 secs=$2 dir=$3
  local work=$dir/fuzz-work/$t art=$dir/artifacts/$t/
  mkdir -p "$work" "$art"
  "$dir/bin/fuzz_$t" -max_total_time="$secs" -timeout=10 -rss_limit_mb=1536 -print_final_stats=1 \
      -artifact_prefix="$art" "$work" "tests/fuzz/corpus/$t" >"$dir/fuzz-$t.log" 2>&1 || true
  local execs crashes
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$dir/fuzz-$t.log" | tail -1)
  crashes=$(find "$art" -type f \( -name 'crash-*' -o -name 'leak-*' -o -name 'timeout-*' -o -name 'oom-*' \) | wc -l)
  printf '%-16s %12s executions  %3s crash/leak/timeout/oom inputs\n' "$t" "${execs:-?}" "$crashes"
}
export -f run_one
printf '%s\n' "${targets[@]}" | xargs -P 2 -I{} bash -c 'run_one "$@"' _ {} "$seconds" "$dir"

# The long version of the kill-during-save tests (the suite runs 30 kills each).
if [ -n "${FUZZ_CRASH_RUNS:-}" ]; then
  [ -f build/build.ninja ] || cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Debug >/dev/null
  cmake --build build --parallel 2 --target crash_saver
  for kind in playlist exit settings; do
    bash tests/crash/run-crash-tests.sh build/bin/crash_saver kill "$kind" "$FUZZ_CRASH_RUNS"
  done
  for case in fullfs readonly; do
    bash tests/crash/run-crash-tests.sh build/bin/crash_saver "$case" || [ $? -eq 77 ]
  done
fi
