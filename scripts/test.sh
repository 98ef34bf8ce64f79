#!/usr/bin/env bash
# Sets up, builds and runs every test. The codec tests run once more under
# AddressSanitizer and UndefinedBehaviorSanitizer, and the fuzz targets for a bounded time.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
export QT_QPA_PLATFORM=offscreen

cmake -S . -B build-sanitize -G Ninja -DQUINDLE_SANITIZE=ON -DQUINDLE_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build build-sanitize -j"$(nproc)" --target sanitize_tests
ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-sanitize -L sanitize --output-on-failure -j"$(nproc)"

scripts/build.sh
ctest --test-dir build --output-on-failure -j"$(nproc)"

# Fuzzing: each target for 15 s from the test data, in a clang build of its own; any
# finding fails the run.
cmake -S . -B build-fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DQUINDLE_FUZZ=ON -DQUINDLE_BENCH=OFF >/dev/null
cmake --build build-fuzz -j"$(nproc)" --target fuzz_targets
fuzz/run.sh build-fuzz 15
