#!/usr/bin/env bash
# Builds every fuzz target (fuzz/*.cpp) with clang, AddressSanitizer and
# UndefinedBehaviorSanitizer, and runs each for FUZZ_SECONDS (30 by default)
# over a copy of its seed corpus fuzz/corpus/<target>/ (the XML parser's is
# fuzz/corpus/xml/), with fuzz/<target>.dict when there is one, so that the
# repository's corpora stay as they are; as many targets at once as there are
# cores (FUZZ_JOBS overrides), each with its log in build-fuzz/logs/. Fails
# on any crash, leak, sanitizer report or round-trip mismatch, printing the
# end of each failed target's log.
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
    [control_kinds_fuzz]="-max_len=65536"
)

export ASAN_OPTIONS=halt_on_error=1:abort_on_error=1:detect_leaks=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
mkdir -p build-fuzz/artifacts build-fuzz/logs

# One target over a copy of its corpus; its output goes to its log.
fuzz_one() {
    local target=$1 corpus=fuzz/corpus/$1 work
    [ "$target" = xml_parse_fuzz ] && corpus=fuzz/corpus/xml
    work=$(mktemp -d)
    mkdir -p "$work/corpus"
    if [ -d "$corpus" ]; then
        cp -r "$corpus"/. "$work/corpus/"
    fi
    local dict=() options=()
    [ -f "fuzz/$target.dict" ] && dict=(-dict="fuzz/$target.dict")
    read -r -a options <<<"${target_options[$target]:-}"
    local status=0
    build-fuzz/fuzz/"$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        "${dict[@]}" "${options[@]}" -artifact_prefix="$PWD/build-fuzz/artifacts/$target-" \
        "$work/corpus" >"build-fuzz/logs/$target.log" 2>&1 || status=$?
    rm -rf "$work"
    return "$status"
}

# As many targets at once as there are cores: each runs for its own time,
# so the whole run takes the time of the targets over the cores.
parallel=${FUZZ_JOBS:-$(nproc)}
declare -A running=()
failed=()
# Waits until a target ends, then collects every target that has ended.
wait_for_one() {
    wait -n || true
    local pid
    for pid in "${!running[@]}"; do
        kill -0 "$pid" 2>/dev/null && continue
        wait "$pid" || failed+=("${running[$pid]}")
        unset "running[$pid]"
    done
}
for target in "${targets[@]}"; do
    while [ "${#running[@]}" -ge "$parallel" ]; do
        wait_for_one
    done
    echo "fuzzing $target for $seconds s"
    fuzz_one "$target" &
    running[$!]=$target
done
while [ "${#running[@]}" -gt 0 ]; do
    wait_for_one
done

for target in "${failed[@]}"; do
    echo "== $target failed; the end of its log (build-fuzz/logs/$target.log):"
    tail -n 60 "build-fuzz/logs/$target.log"
done
[ "${#failed[@]}" -eq 0 ]
