#!/usr/bin/env bash
# In the order it runs them: builds everything in Release (optimiser-only
# warnings); builds and runs every fuzz target (tools/run_fuzz.sh); builds
# everything under ThreadSanitizer and runs the concurrency tests and the
# CAPI tests; builds everything under AddressSanitizer and
# UndefinedBehaviorSanitizer and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)

export ASAN_OPTIONS=halt_on_error=1:abort_on_error=1:detect_leaks=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1

cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DKV_BUILD_TESTS=OFF
cmake --build build-release -j "$jobs"

tools/run_fuzz.sh

cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKV_TSAN=ON -DKV_BUILD_BENCH=OFF
cmake --build build-tsan -j "$jobs"
if [ -n "$(ctest --test-dir build-tsan -N -L concurrency | grep -E '^ *Test +#')" ]; then
    ctest --test-dir build-tsan --output-on-failure -j "$jobs" -L concurrency
fi

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKV_SANITIZE=ON
cmake --build build-asan -j "$jobs"
ctest --test-dir build-asan --output-on-failure -j "$jobs"
