#!/usr/bin/env bash
# Installs what is missing, then builds and runs the whole suite: a plain debug
# build, the same under the address and undefined-behaviour sanitizers, the
# threaded device tests under the thread sanitizer, and a short run of every
# fuzz target.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh

export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)
summary=$(mktemp)
trap 'rm -f "$summary"' EXIT

# Runs ctest in a build folder, keeping its closing counts for the summary.
run_ctest() { # DIR [ctest args...]
  local dir=$1; shift
  (cd "$dir" && ctest --output-on-failure --parallel "$jobs" "$@") | tee -a "$summary"
}

./scripts/build.sh build -DCMAKE_BUILD_TYPE=Debug
run_ctest build

./scripts/build.sh build-asan -DCMAKE_BUILD_TYPE=Debug -DZUVIO_SANITIZE=ON -DZUVIO_BUILD_BENCH=OFF
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1
export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
# LeakSanitizer's tracer can crash at exit when a thread is exiting while it
# stops the world (a sanitizer flake, not a leak). The test mains let worker
# threads finish first; a test that still meets it gets two more tries.
run_ctest build-asan --repeat until-pass:3

# Only the devices tests run threads of their own; build just them with TSan.
if [ ! -f build-tsan/build.ninja ]; then
  cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DZUVIO_TSAN=ON -DZUVIO_BUILD_BENCH=OFF
fi
find build-tsan -path '*_autogen/timestamp' -delete
cmake --build build-tsan --parallel "$jobs" --target devices_tests
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
run_ctest build-tsan -R '^(AutoResetEvent|Corvana|DMXInput)'

# Fuzz targets (clang, libFuzzer, address and undefined-behaviour sanitizers): a
# few seconds each from the committed seeds; scripts/fuzz-long.sh for long runs.
./scripts/fuzz-short.sh

# One closing line over all ctest runs (set -e has stopped us on any failure).
awk '/tests passed, [0-9]+ tests failed out of/ { total += $NF; failed += $4 }
     END { printf "zuvio: %d passed, %d failed\n", total - failed, failed }' "$summary"
