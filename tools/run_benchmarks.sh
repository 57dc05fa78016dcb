#!/usr/bin/env bash
# Builds the benchmarks in Release, fixes the conditions a figure depends on,
# runs every program of bench/ pinned to one core (five repetitions, medians)
# and prints a table per program and the README's tables.
#
# Conditions it fixes and prints:
# - glibc's large-allocation and trimming thresholds (GLIBC_TUNABLES): left
#   dynamic, glibc raises the first after the first large block is freed; the
#   second, 128 KiB when the first is fixed, gives the top of the heap back
#   after a large free, and the next run faults it in again. Either way a
#   peer's time would depend on what ran before it in the same program.
#   The XML benchmark's rows run a second time without GLIBC_TUNABLES, with
#   the thresholds a program gets unless it sets them, each benchmark alone
#   in its program so that none inherits the thresholds another moved; both
#   are printed, with the minor page faults per parse the benchmark counts.
# - the core: BENCH_CPU, by default the least busy core over one second.
# Conditions it prints, which the figures depend on:
# - the load average before and after the run, and how busy the other cores
#   were while each program ran pinned (a loaded machine lowers the pinned
#   router's ratio);
# - the kernel's clock source (the router stamps every message with a tick
#   read from CLOCK_MONOTONIC, which is cheap only where the clock source
#   can be read without a system call).
#
# A source in bench/ may name, in comment lines of its own:
#   // BENCH_PEER: <benchmark> <peer benchmark> [time|speed]
#       its peer; the tables print the ratio of the medians (time: the
#       benchmark's time over the peer's; speed: the peer's time over the
#       benchmark's). Arguments are matched: BM_A/2 pairs with BM_B/2.
#   // BENCH_ALL_CORES: <regular expression>
#       benchmarks also run with every core allowed (threads that should
#       spread over the machine).
#
# Environment: BENCH_CPU, BENCH_REPETITIONS (5), BENCH_MIN_TIME (seconds per
# repetition, 0.1), BENCH_MMAP_THRESHOLD (bytes, 33554432: the ceiling glibc
# would raise it to, so that large blocks come from the heap on both sides
# from the first run on), BENCH_TRIM_THRESHOLD (bytes, 4294967295: the heap
# is never trimmed), BENCH_FILTER (programs to run, a regular expression over
# their names), BENCH_BUILD_DIR (build-release), BENCH_SKIP_BUILD=1,
# BENCH_OUT (folder for the JSON results; a temporary one by default).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

build_dir=${BENCH_BUILD_DIR:-build-release}
repetitions=${BENCH_REPETITIONS:-5}
min_time=${BENCH_MIN_TIME:-0.1}
threshold=${BENCH_MMAP_THRESHOLD:-33554432}
trim_threshold=${BENCH_TRIM_THRESHOLD:-4294967295}
program_filter=${BENCH_FILTER:-.}
out_dir=${BENCH_OUT:-$(mktemp -d /tmp/kv_bench.XXXXXX)}
mkdir -p "$out_dir"

if [ "${BENCH_SKIP_BUILD:-0}" != 1 ]; then
    cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKV_BUILD_TESTS=OFF >"$out_dir/build.log"
    if ! cmake --build "$build_dir" -j "$(nproc)" >>"$out_dir/build.log" 2>&1; then
        tail -40 "$out_dir/build.log"
        exit 1
    fi
fi

# The core that was idle longest over one second.
least_busy_cpu() {
    local first second
    first=$(grep -E '^cpu[0-9]+ ' /proc/stat)
    sleep 1
    second=$(grep -E '^cpu[0-9]+ ' /proc/stat)
    paste <(echo "$first") <(echo "$second") | awk '
        { n = NF / 2; idle = ($(n + 5) + $(n + 6)) - ($5 + $6); cpu = substr($1, 4)
          if (best == "" || idle > most) { best = cpu; most = idle } }
        END { print best }'
}

cpu=${BENCH_CPU:-$(least_busy_cpu)}
export GLIBC_TUNABLES=glibc.malloc.mmap_threshold=$threshold:glibc.malloc.trim_threshold=$trim_threshold
load_before=$(cut -d' ' -f1-3 /proc/loadavg)
clock_source=$(cat /sys/devices/system/clocksource/clocksource0/current_clocksource 2>/dev/null || echo unknown)
started=$(date +%s)

# The conditions, printed as they are known and again with the tables.
condition() {
    printf '%-17s%s\n' "$1:" "$2" | tee -a "$out_dir/conditions.txt"
}
: >"$out_dir/conditions.txt"
echo "== Conditions"
condition commit "$(git rev-parse --short HEAD 2>/dev/null || echo unknown)$(git diff --quiet 2>/dev/null || echo ' (with local changes)')"
condition processor "$(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//'), $(nproc) cores"
condition compiler "$(c++ --version | head -1)"
condition "clock source" "$clock_source"
condition GLIBC_TUNABLES "$GLIBC_TUNABLES (the XML rows also run without it)"
condition "pinned core" "$cpu (taskset -c $cpu)$([ -z "${BENCH_CPU:-}" ] && echo ', the least busy one')"
condition repetitions "$repetitions, medians; minimum time per repetition ${min_time} s"
condition "load before" "$load_before"

bench_args=(--benchmark_repetitions="$repetitions" --benchmark_min_time="$min_time"
            --benchmark_display_aggregates_only=true --benchmark_out_format=json)

# Filters the README's rows run with every core allowed, per program.
declare -A all_cores_filter=(
    [job_text_bench]='^BM_(LoopbackLogon|OwnTransportExchange|PlainSocketExchange|LoopbackRootLogon|OwnTransportRootLogonExchange)'
)

# Busy and total time of the cores other than the pinned one, from /proc/stat.
other_cores_time() {
    awk -v pinned="cpu$cpu" '
        /^cpu[0-9]+ / && $1 != pinned {
            for (i = 2; i <= NF; ++i) total += $i
            busy += $2 + $3 + $4 + $7 + $8 + $9
        }
        END { print busy, total }' /proc/stat
}

for source in bench/*.cpp; do
    name=$(basename "$source" .cpp)
    [[ "$name" =~ $program_filter ]] || continue
    program="$build_dir/bench/$name"
    if [ ! -x "$program" ]; then
        echo "$name: not built (left out by the configuration)" >>"$out_dir/skipped.txt"
        continue
    fi
    echo "running $name on core $cpu" >&2
    read -r busy_before total_before < <(other_cores_time)
    taskset -c "$cpu" "$program" "${bench_args[@]}" --benchmark_out="$out_dir/$name.json" \
        >"$out_dir/$name.log" 2>&1 || echo "$name: failed, see $out_dir/$name.log" >>"$out_dir/skipped.txt"
    read -r busy_after total_after < <(other_cores_time)
    awk -v b=$((busy_after - busy_before)) -v t=$((total_after - total_before)) \
        'BEGIN { printf "%.0f\n", (t > 0 ? 100 * b / t : 0) }' >"$out_dir/$name.other_cores"
    filters=$(sed -n 's|^// BENCH_ALL_CORES: *||p' "$source")
    [ -n "${all_cores_filter[$name]:-}" ] && filters+=$'\n'"${all_cores_filter[$name]}"
    filter=$(echo "$filters" | sed '/^$/d' | paste -sd'|')
    if [ -n "$filter" ]; then
        echo "running $name ($filter) on all cores" >&2
        "$program" "${bench_args[@]}" --benchmark_filter="$filter" \
            --benchmark_out="$out_dir/$name.all_cores.json" >"$out_dir/$name.all_cores.log" 2>&1 ||
            echo "$name (all cores): failed, see $out_dir/$name.all_cores.log" >>"$out_dir/skipped.txt"
    fi
done

# The XML rows again with glibc's own thresholds, which move with what the
# program freed before: each benchmark alone in its program.
default_malloc_filter='^(Parse|Write)(KvXml|Pugixml)|^ParseLibxml2/10000$'
if [[ xml_bench =~ $program_filter ]] && [ -x "$build_dir/bench/xml_bench" ]; then
    echo "running xml_bench ($default_malloc_filter) on core $cpu without GLIBC_TUNABLES," \
         "one benchmark a program" >&2
    index=0
    for benchmark in $("$build_dir/bench/xml_bench" --benchmark_list_tests=true \
                           --benchmark_filter="$default_malloc_filter"); do
        index=$((index + 1))
        env -u GLIBC_TUNABLES taskset -c "$cpu" "$build_dir/bench/xml_bench" "${bench_args[@]}" \
            --benchmark_filter="^$benchmark\$" \
            --benchmark_out="$out_dir/xml_bench.default_malloc.$index.json" \
            >>"$out_dir/xml_bench.default_malloc.log" 2>&1 ||
            echo "xml_bench $benchmark (without GLIBC_TUNABLES): failed, see" \
                 "$out_dir/xml_bench.default_malloc.log" >>"$out_dir/skipped.txt"
    done
fi

condition "load after" "$(cut -d' ' -f1-3 /proc/loadavg)"
condition duration "$(( $(date +%s) - started )) s"
echo "results (JSON):  $out_dir"
echo

python3 - "$out_dir" "$root/bench" "$repetitions" <<'PYTHON'
import glob, json, os, re, statistics, sys

out_dir, bench_dir, repetitions = sys.argv[1], sys.argv[2], int(sys.argv[3])
UNIT = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}

def load(path):
    """Benchmark name -> list of per-repetition results (seconds, bytes/s, items/s)."""
    runs = {}
    if not os.path.exists(path):
        return runs
    with open(path) as f:
        data = json.load(f)
    for b in data.get("benchmarks", []):
        if b.get("run_type") != "iteration" or b.get("error_occurred"):
            continue
        name = b["run_name"]
        field = "real_time" if name.endswith("/real_time") else "cpu_time"
        runs.setdefault(name, []).append({
            "time": b[field] * UNIT[b["time_unit"]],
            "bytes": b.get("bytes_per_second"),
            "items": b.get("items_per_second"),
            "faults": b.get("faults_per_parse"),
        })
    return runs

def load_runs(program, suffix):
    """The runs of one program's run; the one without GLIBC_TUNABLES is a file
    per benchmark."""
    if suffix != ".default_malloc":
        return load(os.path.join(out_dir, program + suffix + ".json"))
    runs = {}
    paths = glob.glob(os.path.join(out_dir, f"{program}{suffix}.*.json"))
    for path in sorted(paths, key=lambda path: int(path.rsplit(".", 2)[-2])):
        runs.update(load(path))
    return runs

def median(values):
    values = [v for v in values if v is not None]
    return statistics.median(values) if values else None

def fmt_time(seconds):
    for unit, scale in (("s", 1.0), ("ms", 1e-3), ("us", 1e-6)):
        if seconds >= scale:
            return f"{seconds / scale:.3g} {unit}"
    return f"{seconds / 1e-9:.3g} ns"

def fmt_rate(value, unit):
    for prefix, scale in (("G", 1e9), ("M", 1e6), ("k", 1e3)):
        if value >= scale:
            return f"{value / scale:.3g} {prefix}{unit}"
    return f"{value:.3g} {unit}"

def describe(reps):
    """Median time with the spread of the repetitions, and the median rates."""
    times = [r["time"] for r in reps]
    text = fmt_time(median(times))
    if len(times) > 1:
        text += f" ({fmt_time(min(times))}-{fmt_time(max(times))})"
    rate = median([r["bytes"] for r in reps])
    if rate:
        text += ", " + fmt_rate(rate, "B/s")
    items = median([r["items"] for r in reps])
    if items and not rate:
        text += ", " + fmt_rate(items, "/s")
    faults = median([r["faults"] for r in reps])
    if faults is not None:
        text += f", {faults:,.0f} page faults a parse"
    return text

def ratio(reps, peer_reps, kind):
    a, b = median([r["time"] for r in reps]), median([r["time"] for r in peer_reps])
    if kind == "speed":
        return f"{b / a:.2f}x the peer's speed"
    if kind == "ratio":
        return f"{a / b:.2f}x"
    return f"{a / b:.2f}x the peer's time"

def declared_peers(source):
    peers = []
    with open(source) as f:
        for line in f:
            m = re.match(r"//\s*BENCH_PEER:\s*(\S+)\s+(\S+)(?:\s+(time|speed))?", line)
            if m:
                peers.append((m.group(1), m.group(2), m.group(3) or "time"))
    return peers

def peer_of(name, peers):
    for project, peer, kind in peers:
        if name == project or name.startswith(project + "/"):
            return peer + name[len(project):], kind
    return None, None

def table(title, runs, peers):
    print(f"#### {title}\n")
    print("| benchmark | median (range of the repetitions), rate | peer | ratio |")
    print("|---|---|---|---|")
    peer_names = {peer_of(n, peers)[0] for n in runs} - {None}
    for name, reps in runs.items():
        peer, kind = peer_of(name, peers)
        if peer and peer in runs:
            print(f"| {name} | {describe(reps)} | {peer}: {describe(runs[peer])} | "
                  f"{ratio(reps, runs[peer], kind)} |")
        elif name not in peer_names:
            print(f"| {name} | {describe(reps)} | | |")
    print()

def other_cores(program):
    path = os.path.join(out_dir, program + ".other_cores")
    return open(path).read().strip() if os.path.exists(path) else None

print("Conditions of the run:\n")
with open(os.path.join(out_dir, "conditions.txt")) as f:
    for line in f:
        print("    " + line.rstrip())
print()
print(f"The pinned figures are medians of {repetitions} repetitions on one core; the")
print("all-cores figures vary more between runs (where the threads land), which the")
print("ranges show.\n")

results = {}
program_tables = []
for source in sorted(glob.glob(os.path.join(bench_dir, "*.cpp"))):
    program = os.path.splitext(os.path.basename(source))[0]
    peers = declared_peers(source)
    for suffix, label in (("", "pinned"), (".all_cores", "all cores"),
                          (".default_malloc", "pinned, without GLIBC_TUNABLES")):
        runs = load_runs(program, suffix)
        if runs:
            results[(program, suffix)] = runs
            busy = other_cores(program) if suffix != ".all_cores" else None
            if busy is not None:
                label += f", other cores {busy}% busy"
            program_tables.append((f"{program} ({label})", runs, peers))

# The README's rows: (label, program, benchmark, peer, kind, run), the run
# being "" (pinned), ".all_cores" or ".default_malloc" (pinned, without
# GLIBC_TUNABLES). A row whose benchmark did not run says so.
ROWS = [
    ("XML", [
        ("XML parse, 10,000 contact-like records, against pugixml", "xml_bench", "ParseKvXml/10000", "ParsePugixml/10000", "speed", ""),
        ("XML parse, 10,000 records, against libxml2", "xml_bench", "ParseKvXml/10000", "ParseLibxml2/10000", "speed", ""),
        ("XML parse, 40,000 records, against pugixml", "xml_bench", "ParseKvXml/40000", "ParsePugixml/40000", "speed", ""),
        ("XML parse, 80,000 records, against pugixml (the text is above the allocation threshold: both sides' copies come from fresh pages, so both times are mostly page faults, not parsing)", "xml_bench", "ParseKvXml/80000", "ParsePugixml/80000", "speed", ""),
        ("XML parse from a file, 10,000 records, against pugixml's load_file", "xml_bench", "ParseKvXmlFile/10000", "ParsePugixmlFile/10000", "speed", ""),
        ("XML parse from a file, 20,000 records (11 MB), against pugixml's load_file", "xml_bench", "ParseKvXmlFile/20000", "ParsePugixmlFile/20000", "speed", ""),
        ("XML parse from a file, the record store's 10,000 contacts as CKvDataHandlerStore::WriteXml writes them (10.6 MB), against pugixml's load_file", "xml_bench", "ParseKvXmlStoreFile", "ParsePugixmlStoreFile", "speed", ""),
        ("XML write, 10,000 records, against pugixml", "xml_bench", "WriteKvXml/10000", "WritePugixml/10000", "speed", ""),
        ("XML write, 40,000 records, against pugixml", "xml_bench", "WriteKvXml/40000", "WritePugixml/40000", "speed", ""),
    ]),
    ("XML, without GLIBC_TUNABLES (glibc's own thresholds, each benchmark alone in its program)", "XML"),
    ("Record store", [
        ("store of 10,000 contacts written and read back, against pugixml's parse and save", "data_store_bench", "RoundTripContactStore", "ParseAndSavePugixml", "time", ""),
        ("the store read alone, against the same", "data_store_bench", "ReadContactStore", "ParseAndSavePugixml", "time", ""),
        ("the store written alone, against the same", "data_store_bench", "WriteContactStore", "ParseAndSavePugixml", "time", ""),
    ]),
    ("CAPI codec", [
        ("Reset + BuildConnectReq, against memcpy of the same bytes", "capi_codec_bench", "BM_ResetAndBuildConnectReq", "BM_MemcpyConnectReq", "time", ""),
        ("DecodeConnectInd, against memcpy of the same bytes", "capi_codec_bench", "BM_DecodeConnectInd", "BM_MemcpyConnectInd", "time", ""),
        ("DecodeDataB3Ind, against memcpy of the same bytes", "capi_codec_bench", "BM_DecodeDataB3Ind", "BM_MemcpyDataB3Ind", "time", ""),
    ]),
    ("CAPI B3 frames", [
        ("a frame reader step with 1,000 blocks of back-to-back frames held, against one with 100 (at most 2x)", "capi_b3_frame_bench", "BM_ReadB3FrameStep/1000", "BM_ReadB3FrameStep/100", "ratio", ""),
    ]),
    ("GUI description catalog", [
        ("catalog Load and destruction, full file, against pugixml's parse and destruction", "guidesc_load_bench", "BM_CatalogLoadFull", "BM_PugixmlParseFull", "time", ""),
        ("the same, half file", "guidesc_load_bench", "BM_CatalogLoadHalf", "BM_PugixmlParseHalf", "time", ""),
        ("the same, the sample file's descriptions repeated to each type's capacity (4,016)", "guidesc_load_bench", "BM_CatalogLoadSample", "BM_PugixmlParseSample", "time", ""),
        ("catalog full / half time", "guidesc_load_bench", "BM_CatalogLoadFull", "BM_CatalogLoadHalf", "ratio", ""),
        ("pugixml full / half time", "guidesc_load_bench", "BM_PugixmlParseFull", "BM_PugixmlParseHalf", "ratio", ""),
    ]),
    ("Job texts", [
        ("CLIENT2 text received, against XmlDocument::Parse of the same bytes", "job_text_bench", "BM_ReceiveClient2", "BM_ParseClient2Text", "speed", ""),
        ("CLIENT2 text written, against the same parse", "job_text_bench", "BM_SerializeClient2", "BM_ParseClient2Text", "speed", ""),
        ("LISTEN2 text received, against the same parse", "job_text_bench", "BM_ReceiveListen2", "BM_ParseListen2Text", "speed", ""),
        ("CAPISERVER text received, against the same parse", "job_text_bench", "BM_ReceiveCapiServer", "BM_ParseCapiServerText", "speed", ""),
        ("TAPI listen report received, against the same parse", "job_text_bench", "BM_ReceiveTapiListen", "BM_ParseTapiListenText", "speed", ""),
        ("TAPI dial request received, against the same parse", "job_text_bench", "BM_ReceiveTapiDial", "BM_ParseTapiDialText", "speed", ""),
        ("CLIENT2 logons on loopback (all cores), against the same texts over the project's own transport", "job_text_bench", "BM_LoopbackLogon/0/real_time", "BM_OwnTransportExchange/real_time", "speed", ".all_cores"),
        ("CLIENT2 logons on loopback (all cores), against plain POSIX sockets (the same three texts, about 990 bytes, each on its own connection)", "job_text_bench", "BM_LoopbackLogon/0/real_time", "BM_PlainSocketExchange/real_time", "speed", ".all_cores"),
        ("CLIENT2 logons with 500 silent connections held open (all cores), against the same logons without them", "job_text_bench", "BM_LoopbackLogon/500/real_time", "BM_LoopbackLogon/0/real_time", "speed", ".all_cores"),
        ("workstation logons with their root jobs (all cores), against the same texts over the project's own transport", "job_text_bench", "BM_LoopbackRootLogon/real_time", "BM_OwnTransportRootLogonExchange/real_time", "speed", ".all_cores"),
    ]),
    ("Router", [
        ("one thread to another, pinned to one core, against the mutex + condition variable queue", "router_bench", "BM_RouterThroughput/real_time", "BM_BaselineThroughput/real_time", "speed", ""),
        ("the same, each message's tick read through the clock_gettime system call (a clock source without a vDSO fast path)", "router_bench", "BM_RouterThroughputSystemCallTick/real_time", "BM_BaselineThroughput/real_time", "speed", ""),
        ("one thread to another, all cores", "router_bench", "BM_RouterThroughput/real_time", "BM_BaselineThroughput/real_time", "speed", ".all_cores"),
        ("2 threads to one, all cores", "router_bench", "BM_RouterContended/2/real_time", "BM_BaselineContended/2/real_time", "speed", ".all_cores"),
        ("4 threads to one, all cores", "router_bench", "BM_RouterContended/4/real_time", "BM_BaselineContended/4/real_time", "speed", ".all_cores"),
        ("8 threads to one, all cores", "router_bench", "BM_RouterContended/8/real_time", "BM_BaselineContended/8/real_time", "speed", ".all_cores"),
        ("REQUEST answered by a CONFIRMATION, round trip, pinned", "router_bench", "BM_RouterRoundTrip/real_time", "BM_BaselineRoundTrip/real_time", "time", ""),
        ("SystemClock::TickMs (each posted message's tick), against one clock_gettime(CLOCK_MONOTONIC)", "router_bench", "BM_SystemClockTickMs", "BM_ClockGettimeMonotonic", "time", ""),
    ]),
    ("Controls", [
        ("XP button first paint, 64,000-character caption against 16,000 (target 5x or less)", "long_text_bench", "BM_XPButtonFirstPaint/64000", "BM_XPButtonFirstPaint/16000", "ratio", ""),
        ("edit Home then End, each key with its repaint, in 65,536 characters against 16,384 (target 5x or less)", "long_text_bench", "BM_EditHomeEndRepainted/65536", "BM_EditHomeEndRepainted/16384", "ratio", ""),
        ("combo box ex emptied line by line, 20,000 lines against 5,000 (target 5x or less)", "combo_fill_bench", "BM_ComboBoxExEmpty/20000", "BM_ComboBoxExEmpty/5000", "ratio", ""),
        ("the same, 80,000 lines against 20,000 (both beyond the core's own cache)", "combo_fill_bench", "BM_ComboBoxExEmpty/80000", "BM_ComboBoxExEmpty/20000", "ratio", ""),
        ("list control rows removed from the last row back, 100,000 against 25,000 (target 8x or less)", "list_ctrl_bench", "BM_ListCtrlRemoveFromTheLastRowBack/100000", "BM_ListCtrlRemoveFromTheLastRowBack/25000", "ratio", ""),
        ("the same from the first row forward, 25,000 against 6,250 (every row after the removed one renumbered: quadratic)", "list_ctrl_bench", "BM_ListCtrlRemoveFromTheFirstRowForward/25000/iterations:1", "BM_ListCtrlRemoveFromTheFirstRowForward/6250/iterations:1", "ratio", ""),
    ]),
]

# Notes printed under a section's table.
NOTES = {
    "XML": "Where the text is above the fixed allocation threshold (80,000 records,\n"
           "45 MB), each side's copy of it comes from fresh pages on every parse, so both\n"
           "times are mostly page faults and that ratio is not a parsing speed.\n",
    "XML, without GLIBC_TUNABLES (glibc's own thresholds, each benchmark alone in its program)":
           "Here glibc's large-allocation threshold starts at 128 KiB and rises to the\n"
           "largest block freed so far (at most 32 MiB), and the trimming threshold with it\n"
           "to twice that. Until a large enough block has been freed, the top of the heap\n"
           "that a parse's document leaves when it is destroyed is given back to the\n"
           "kernel, and the next parse faults those pages in again: the page faults above.\n"
           "A program that parses after larger blocks were freed takes none.\n",
}

# A section given as (title, other title) repeats the other's rows, each
# from the run without GLIBC_TUNABLES.
sections = dict((entry[0], entry[1]) for entry in ROWS if not isinstance(entry[1], str))
ROWS = [(entry[0], [row[:5] + (".default_malloc",) for row in sections[entry[1]]])
        if isinstance(entry[1], str) else entry for entry in ROWS]

for title, rows in ROWS:
    print(f"### {title}\n")
    print("| benchmark | this project | compared with | ratio |")
    print("|---|---|---|---|")
    for label, program, name, peer, kind, run in rows:
        runs = results.get((program, run), {})
        if name in runs and peer in runs:
            print(f"| {label} | {describe(runs[name])} | {describe(runs[peer])} | "
                  f"{ratio(runs[name], runs[peer], kind)} |")
        else:
            print(f"| {label} | not run | | |")
    print()
    if title in NOTES:
        print(NOTES[title])

print("### Every benchmark program (pinned unless marked)\n")
for title, runs, peers in program_tables:
    table(title, runs, peers)
skipped = os.path.join(out_dir, "skipped.txt")
if os.path.exists(skipped):
    print("Not run:\n")
    print(open(skipped).read())
PYTHON
