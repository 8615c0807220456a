#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test headless.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
scripts/build.sh

source scripts/headless-env.sh

ctest --test-dir "${BUILD_DIR:-build}" --output-on-failure --timeout 600 "$@"
