#!/usr/bin/env bash
# fuzz-short.sh [seconds]: builds the fuzz targets (clang configuration in
# build-fuzz) and runs each for a few seconds (default 5) from its committed
# seeds. Fails on any crash, sanitizer report, leak or time-out.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-5}
dir=${FUZZ_BUILD_DIR:-build-fuzz}

if [ ! -f "$dir/build.ninja" ]; then
  cmake -S . -B "$dir" -G Ninja -DZUVIO_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DZUVIO_BUILD_BENCH=OFF
fi
find "$dir" -path '*_autogen/timestamp' -delete
cmake --build "$dir" --parallel "$(nproc)" --target zuvio_fuzzers

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
status=0
for corpus in tests/fuzz/corpus/*/; do
  t=$(basename "$corpus")
  work=$(mktemp -d)
  # The seeds are copied: a short run must not add files to the repository.
  if "$dir/bin/fuzz_$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=1536 \
        -artifact_prefix="$work/" "$work" "$corpus" >"$work/log" 2>&1; then
    echo "fuzz_$t: $(grep -o '^Done [0-9]* runs' "$work/log" || echo ok)"
  else
    echo "fuzz_$t: FAILED" >&2
    tail -40 "$work/log" >&2
    status=1
  fi
  rm -rf "$work"
done
exit $status
