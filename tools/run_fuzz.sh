#!/usr/bin/env bash
# Builds the XML fuzz target with clang, AddressSanitizer and
# UndefinedBehaviorSanitizer, and runs it for 60 seconds (FUZZ_SECONDS) over a
# copy of the seed corpus, so that the repository's corpus stays as it is.
# Fails on any crash, leak, sanitizer report or round-trip mismatch.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${FUZZ_SECONDS:-60}

cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_COMPILER=clang++ -DKV_FUZZ=ON -DKV_BUILD_TESTS=OFF -DKV_BUILD_BENCH=OFF
cmake --build build-fuzz --target xml_parse_fuzz

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/corpus" build-fuzz/artifacts
cp fuzz/corpus/xml/* "$work/corpus/"

export ASAN_OPTIONS=halt_on_error=1:abort_on_error=1:detect_leaks=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
build-fuzz/fuzz/xml_parse_fuzz -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -dict=fuzz/xml_parse_fuzz.dict -artifact_prefix="$PWD/build-fuzz/artifacts/" "$work/corpus"
