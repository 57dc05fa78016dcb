#!/usr/bin/env bash
# Builds every fuzz target (fuzz/*.cpp) with clang, AddressSanitizer and
# UndefinedBehaviorSanitizer, and runs each for FUZZ_SECONDS (30 by default)
# over a copy of its seed corpus fuzz/corpus/<target>/ (the XML parser's is
# fuzz/corpus/xml/), with fuzz/<target>.dict when there is one, so that the
# repository's corpora stay as they are. Fails on any crash, leak, sanitizer
# report or round-trip mismatch.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${FUZZ_SECONDS:-30}

cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_COMPILER=clang++ -DKV_FUZZ=ON -DKV_BUILD_TESTS=OFF -DKV_BUILD_BENCH=OFF
# The whole configuration, examples included, so that every executable is
# seen to link with the instrumented libraries.
cmake --build build-fuzz
# The XML parser's target first, then the others.
targets=(xml_parse_fuzz)
for source in fuzz/*.cpp; do
    target=$(basename "$source" .cpp)
    [ "$target" = xml_parse_fuzz ] || targets+=("$target")
done

# Options of single targets: the controls' target takes descriptions as long
# as the captions and texts whose cost follows their length.
declare -A target_options=(
    [control_kinds_fuzz]="-max_len=65536 -timeout=10"
)

export ASAN_OPTIONS=halt_on_error=1:abort_on_error=1:detect_leaks=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
mkdir -p build-fuzz/artifacts
for target in "${targets[@]}"; do
    corpus=fuzz/corpus/$target
    [ "$target" = xml_parse_fuzz ] && corpus=fuzz/corpus/xml
    work=$(mktemp -d)
    mkdir -p "$work/corpus"
    if [ -d "$corpus" ]; then
        cp -r "$corpus"/. "$work/corpus/"
    fi
    dict=()
    [ -f "fuzz/$target.dict" ] && dict=(-dict="fuzz/$target.dict")
    read -r -a options <<<"${target_options[$target]:-}"
    echo "fuzzing $target for $seconds s"
    build-fuzz/fuzz/"$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        "${dict[@]}" "${options[@]}" -artifact_prefix="$PWD/build-fuzz/artifacts/$target-" "$work/corpus"
    rm -rf "$work"
done
