#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with clang into build-fuzz/ (or $BUILD_DIR) and runs each
# for SECONDS seconds on a copy of its seed corpus, so the repository stays untouched. Prints the
# executions per second and the coverage of every target; exits non-zero when any target fails,
# leaving the input that broke it in <build dir>/artifacts/<target>/.
# Usage: scripts/fuzz.sh [SECONDS]   (60 by default)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
build_dir=${BUILD_DIR:-build-fuzz}
targets=(fuzz_pagecutting fuzz_urlencoding fuzz_backgroundlist fuzz_bytestotext)

# libFuzzer takes 0 as "no limit"
case "$seconds" in '' | *[!0-9]* | 0)
    echo "usage: $0 [SECONDS]   (SECONDS from 1 up)" >&2
    exit 2
    ;;
esac

scripts/install-deps.sh clang libclang-rt-14-dev

CC=clang CXX=clang++ cmake -S fuzz -B "$build_dir" >/dev/null
cmake --build "$build_dir" -j"$(nproc)" >/dev/null

# A number from libFuzzer's last status line, e.g.
# "#51234  DONE   cov: 187 ft: 402 corp: 60/9Kb lim: 4096 exec/s: 853 rss: 310Mb"
last_stat() {
    grep -E '^#[0-9]+[[:space:]].* cov: ' "$2" | tail -n 1 | sed -n "s|.* $1: \([0-9]*\).*|\1|p" || true
}

failed=0
printf '%-22s %10s %8s %8s  %s\n' target exec/s cov ft result
for target in "${targets[@]}"; do
    corpus=$build_dir/corpus/$target
    artifacts=$build_dir/artifacts/$target
    log=$build_dir/$target.log
    mkdir -p "$corpus" "$artifacts"
    # Seeds are refreshed every run; what earlier runs found stays and is fuzzed again
    cp fuzz/corpus/"$target"/* "$corpus"/

    result=ok
    # Seeds stay in play even where they add no coverage: much of what they probe happens in Qt
    # and glibc, which are not instrumented
    if ! "$build_dir/$target" -max_total_time="$seconds" -keep_seed=1 -print_final_stats=1 \
        -artifact_prefix="$artifacts/" "$corpus" >"$log" 2>&1; then
        result="FAILED, see $log"
        failed=1
    fi

    printf '%-22s %10s %8s %8s  %s\n' "$target" "$(last_stat exec/s "$log")" \
        "$(last_stat cov "$log")" "$(last_stat ft "$log")" "$result"
done

if [ "$failed" -ne 0 ]; then
    for target in "${targets[@]}"; do
        log=$build_dir/$target.log
        if grep -qE 'ERROR: |property broken' "$log"; then
            echo "== $target ($log)"
            grep -E 'property broken|runtime error|ERROR: |SUMMARY: |Test unit written' "$log" | head -n 10
        fi
    done
fi
exit "$failed"
