#!/usr/bin/env bash
# Builds in Release into build-bench, serves catalogues on loopback, runs every benchmark and
# prints one table: figure, value, target, met/missed. The same table goes to
# bench/results/latest.csv. Timings are medians of BENCH_RUNS runs (default 5).
set -euo pipefail
cd "$(dirname "$0")/.."
started=$(date +%s)

build_dir=${BENCH_BUILD_DIR:-build-bench}
runs=${BENCH_RUNS:-5}
idle_seconds=${BENCH_IDLE_SECONDS:-30}
keyword=夜曲
large_songs=100000

scripts/install-deps.sh time curl
cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build_dir" -j2 --target benchmarks >/dev/null
bench=$build_dir/bench

work=$(mktemp -d /tmp/quillpod-bench.XXXXXX)
chmod 700 "$work"
service_pids=()
stop_services() {
    for pid in "${service_pids[@]}"; do
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap stop_services EXIT

export QT_QPA_PLATFORM=offscreen
export QT_MEDIA_BACKEND=gstreamer
export XDG_RUNTIME_DIR=$work
export QT_LOGGING_RULES=${QT_LOGGING_RULES:-"qt.multimedia*=false"}

# Starts a catalogue service on an ephemeral port; its base URL goes to the variable named $1
start_service() {
    local variable=$1 name=$2
    shift 2
    "$build_dir/catalogue-service" --port 0 "$@" >"$work/$name.out" 2>&1 &
    service_pids+=($!)
    local pid=$! url=""
    for _ in $(seq 1 600); do
        url=$(sed -n 's/^catalogue-service listening on //p' "$work/$name.out")
        [ -n "$url" ] && break
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    if [ -z "$url" ]; then
        cat "$work/$name.out" >&2
        echo "The $name catalogue service did not start." >&2
        exit 1
    fi
    printf -v "$variable" '%s' "$url"
}

"$bench/bench_catalogue" --songs "$large_songs" --keyword "$keyword" --output "$work/large.json"
# The demo catalogue is served as the program meets it, compressed when asked; the two that the
# list runs are measured against send their pages as they are, so that the server's compression
# time, the same on both sides of a ratio, does not hide the program's own costs.
start_service demo_service demo
start_service small_service small --songs 10000 --per-page 20 --no-compression
start_service large_service large --catalogue "$work/large.json" --no-compression

results=$work/results.tsv
: >"$results"
# Runs one benchmark; its RESULT lines are kept, what it tells on stderr is shown as it goes
run_bench() {
    echo "== $1" >&2
    "$bench/$1" "${@:2}" | grep '^RESULT' >>"$results"
}

run_bench bench_listrun --service "$small_service" --runs "$runs"
run_bench bench_searchstall --service "$large_service" --keyword "$keyword" --runs "$runs"
run_bench bench_finishlist --runs "$runs"
run_bench bench_pagecutting

echo "== bench_memory" >&2
peak_kb() {
    /usr/bin/time -v -o "$work/time.txt" "$bench/bench_memory" "$@" >/dev/null
    sed -n 's/^[[:space:]]*Maximum resident set size (kbytes): //p' "$work/time.txt"
}
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
rss_samples=()
for _ in $(seq 1 "$runs"); do
    rss_samples+=("$(peak_kb --service "$large_service")")
    echo "peak RSS ${rss_samples[-1]} kB" >&2
done
rss_mb=$(printf '%s\n' "${rss_samples[@]}" | median | awk '{ printf "%.1f", $1 / 1024 }')
empty_mb=$(peak_kb --mode empty | awk '{ printf "%.1f", $1 / 1024 }')
rss_verdict=$(awk -v v="$rss_mb" 'BEGIN { print (v <= 90) ? "met" : "missed" }')
printf 'RESULT\t5\tPeak RSS with %s rows in the list\t%s MB\t<= 90 MB\t%s\n' \
    "$large_songs" "$rss_mb" "$rss_verdict" >>"$results"
printf 'RESULT\t5a\tPeak RSS of an empty Qt Widgets program\t%s MB\t-\tinfo\n' "$empty_mb" >>"$results"

run_bench bench_startup --service "$demo_service" --program-dir "$build_dir" --runs "$runs"
run_bench bench_rowclick --service "$small_service" --runs "$runs"
run_bench bench_idlecpu --service "$small_service" --runs "$runs" --seconds "$idle_seconds"

mkdir -p bench/results
{
    echo '"#","figure","value","target","verdict"'
    awk -F'\t' '{ for (i = 2; i <= 6; ++i) { gsub(/"/, "\"\"", $i); printf "%s\"%s\"", (i > 2 ? "," : ""), $i } print "" }' "$results"
} >bench/results/latest.csv

echo
{
    printf '#\tFigure\tValue\tTarget\tResult\n'
    cut -f2- "$results"
} | column -t -s $'\t'
echo
echo "Machine: $(nproc) cores, $(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n1)"
echo "Written to bench/results/latest.csv; bench.sh took $(($(date +%s) - started)) s."
