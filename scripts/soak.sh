#!/usr/bin/env bash
# Builds bench_soak in Release into build-soak/ (or $BUILD_DIR) and runs it headless: 1,000 list
# runs of ten pages, 10,000 link resolutions and 1,000 songs of 0.3 s played by the window's
# continue rule, in one process, printing the resident memory every 100 runs, 1,000 resolutions
# and 100 songs. Fails when memory grew past the noise threshold. About 8 minutes.
# Extra arguments go to bench_soak, e.g.
#   scripts/soak.sh --runs 200 --resolutions 2000 --plays 300 --media-seconds 0.5
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${BUILD_DIR:-build-soak}

cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build_dir" -j2 --target bench_soak catalogue-service >/dev/null

source scripts/headless-env.sh

"$build_dir/bench/bench_soak" "$@"
