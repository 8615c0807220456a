#!/usr/bin/env bash
# Configures and builds into build/ (or $BUILD_DIR). Extra arguments, and the words of $BUILD_ARGS,
# go to cmake's configure step (e.g. BUILD_ARGS=-DQUILLPOD_BUILD_BENCH=OFF).
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${BUILD_DIR:-build}
read -ra build_args <<<"${BUILD_ARGS:-}"
cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=${BUILD_TYPE:-RelWithDebInfo} "${build_args[@]}" "$@" >/dev/null
cmake --build "$build_dir" -j"$(nproc)"
