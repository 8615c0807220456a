#!/usr/bin/env bash
# Builds in Release into build-bench, serves catalogues on loopback, runs every benchmark and
# prints one table: figure, value, target, met/missed. The same table goes to
# bench/results/latest.csv (latest-trixie.csv on Debian 13, e.g. through scripts/trixie.sh
# scripts/bench.sh). Timings are medians of BENCH_RUNS runs (default 5). Every catalogue
# size is served by one service, which all the runs of that size share.
set -euo pipefail
cd "$(dirname "$0")/.."
started=$(date +%s)

build_dir=${BENCH_BUILD_DIR:-build-bench}
runs=${BENCH_RUNS:-5}
idle_seconds=${BENCH_IDLE_SECONDS:-30}
keyword=夜曲
# Catalogues whose every title holds the keyword, so that one search lists a whole catalogue
sizes=(1000 10000 100000 200000)
large_songs=100000

# Debian 12's figures are the reference; another release's go to a file of their own
release=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
table=bench/results/latest.csv
[ "$release" = bookworm ] || table=bench/results/latest-$release.csv

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
source scripts/media-backend.sh
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

# The demo catalogue is served as the program meets it, compressed when asked; the catalogues that
# list runs are measured on send their pages as they are, so that the server's compression time,
# the same on both sides of a ratio, does not hide the program's own costs.
start_service demo_service demo
declare -A service
for songs in "${sizes[@]}"; do
    "$bench/bench_catalogue" --songs "$songs" --keyword "$keyword" --output "$work/$songs.json"
    start_service "service[$songs]" "songs$songs" --catalogue "$work/$songs.json" --no-compression
done
small_service=${service[10000]}
large_service=${service[$large_songs]}

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
# The median peak of BENCH_RUNS processes started with the given arguments
median_peak_kb() {
    local samples=()
    for _ in $(seq 1 "$runs"); do
        samples+=("$(peak_kb "$@")")
        echo "peak RSS ${samples[-1]} kB ($*)" >&2
    done
    printf '%s\n' "${samples[@]}" | median
}
large_kb=$(median_peak_kb --service "$large_service")
demo_kb=$(median_peak_kb --service "$demo_service")
rss_mb=$(awk -v kb="$large_kb" 'BEGIN { printf "%.1f", kb / 1024 }')
empty_mb=$(peak_kb --mode empty | awk '{ printf "%.1f", $1 / 1024 }')
row_bytes=$(awk -v l="$large_kb" -v d="$demo_kb" -v n="$large_songs" 'BEGIN { printf "%.0f", (l - d) * 1024 / n }')
verdict() { awk -v v="$1" -v limit="$2" 'BEGIN { print (v <= limit) ? "met" : "missed" }'; }
printf 'RESULT\t5\tPeak RSS with %s rows in the list\t%s MB\t<= 72 MB\t%s\n' \
    "$large_songs" "$rss_mb" "$(verdict "$rss_mb" 72)" >>"$results"
printf 'RESULT\t5a\tPeak RSS of an empty Qt Widgets program\t%s MB\t-\tinfo\n' "$empty_mb" >>"$results"
printf 'RESULT\t11\tList memory per row, (peak RSS with %s rows - with the demo list) / rows\t%s B\t<= 60 B\t%s\n' \
    "$large_songs" "$row_bytes" "$(verdict "$row_bytes" 60)" >>"$results"
printf 'RESULT\t11a\tPeak RSS with the demo list\t%s MB\t-\tinfo\n' \
    "$(awk -v kb="$demo_kb" 'BEGIN { printf "%.1f", kb / 1024 }')" >>"$results"

run_bench bench_startup --service "$demo_service" --program-dir "$build_dir" --runs "$runs"
run_bench bench_rowclick --service "$small_service" --runs "$runs"
run_bench bench_idlecpu --service "$small_service" --runs "$runs" --seconds "$idle_seconds"
scale_services=()
for songs in "${sizes[@]}"; do
    scale_services+=(--service "${service[$songs]}")
done
run_bench bench_listscale "${scale_services[@]}" --keyword "$keyword" --runs "$runs"
run_bench bench_typeahead
run_bench bench_longtitle
run_bench bench_shuffle
run_bench bench_library --service "$small_service" --runs "$runs"
# Starts a stand-in of its own, whose outages it follows for about 3 minutes
run_bench bench_outage

# In the order of the figures' numbers, whatever order they were measured in
sort -s -t $'\t' -k2,2V "$results" >"$results.sorted"
mv "$results.sorted" "$results"

mkdir -p bench/results
{
    echo '"#","figure","value","target","verdict"'
    awk -F'\t' '{ for (i = 2; i <= 6; ++i) { gsub(/"/, "\"\"", $i); printf "%s\"%s\"", (i > 2 ? "," : ""), $i } print "" }' "$results"
} >"$table"

echo
{
    printf '#\tFigure\tValue\tTarget\tResult\n'
    cut -f2- "$results"
} | column -t -s $'\t'
echo
echo "Machine: $(nproc) cores, $(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n1)"
echo "Written to $table; bench.sh took $(($(date +%s) - started)) s."
