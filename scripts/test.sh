#!/usr/bin/env bash
# Installs what is missing, then builds and runs the whole suite twice: a plain
# debug build, and a build with the address and undefined-behaviour sanitizers;
# then the threaded device tests once more under the thread sanitizer; then a
# short run of every fuzz target.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh

export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)

./scripts/build.sh build -DCMAKE_BUILD_TYPE=Debug
(cd build && ctest --output-on-failure --parallel "$jobs")

./scripts/build.sh build-asan -DCMAKE_BUILD_TYPE=Debug -DZUVIO_SANITIZE=ON -DZUVIO_BUILD_BENCH=OFF
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1
export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
# LeakSanitizer's tracer can crash at exit while GStreamer's threads wind down
# (a sanitizer flake, not a leak); such a test gets one more try.
(cd build-asan && ctest --output-on-failure --parallel "$jobs" --repeat until-pass:2)

# Only the devices tests run threads of their own; build just them with TSan.
if [ ! -f build-tsan/build.ninja ]; then
  cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DZUVIO_TSAN=ON -DZUVIO_BUILD_BENCH=OFF
fi
cmake --build build-tsan --parallel "$jobs" --target devices_tests
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
(cd build-tsan && ctest --output-on-failure --parallel "$jobs" -R '^(AutoResetEvent|Corvana|DMXInput)')

# Fuzz targets (clang, libFuzzer, address and undefined-behaviour sanitizers): a
# few seconds each from the committed seeds; scripts/fuzz-long.sh for long runs.
./scripts/fuzz-short.sh
