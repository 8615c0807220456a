#!/usr/bin/env bash
# Builds the whole test suite with AddressSanitizer, LeakSanitizer and UndefinedBehaviorSanitizer
# into build-asan/ (or $BUILD_DIR) and runs it headless. Any report fails the test that made it.
# Extra arguments go to ctest, e.g. scripts/sanitize.sh -R test_pagecutting
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build_dir=${BUILD_DIR:-build-asan}

scripts/install-deps.sh

# The sanitized code runs several times slower: every time bound of the tests stretches with it
export QUILLPOD_TIME_SCALE=${QUILLPOD_TIME_SCALE:-4}

cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=Debug \
    -DCMAKE_CXX_FLAGS="-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined" \
    -DQUILLPOD_BUILD_BENCH=OFF -DQUILLPOD_TEST_TIMEOUT=$((300 * QUILLPOD_TIME_SCALE)) >/dev/null
cmake --build "$build_dir" -j"$(nproc)"

source scripts/headless-env.sh

# The catalogue service that the tests start inherits these as well.
export ASAN_OPTIONS=detect_leaks=1:halt_on_error=1:abort_on_error=0:strict_init_order=1:check_initialization_order=1:detect_stack_use_after_return=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=suppressions=$root/tests/lsan.supp:print_suppressions=0

ctest --test-dir "$build_dir" --output-on-failure "$@"
