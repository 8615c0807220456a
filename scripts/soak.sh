#!/usr/bin/env bash
# Builds bench_soak in Release into build-soak/ (or $BUILD_DIR) and runs it headless: 1,000 list
# runs of ten pages and 10,000 link resolutions in one process, printing the resident memory
# every 100 runs and every 1,000 resolutions. Fails when memory grew past the noise threshold.
# Extra arguments go to bench_soak, e.g. scripts/soak.sh --runs 200 --resolutions 2000
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${BUILD_DIR:-build-soak}

cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build_dir" -j2 --target bench_soak catalogue-service >/dev/null

source scripts/headless-env.sh

"$build_dir/bench/bench_soak" "$@"
