#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test headless.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
scripts/build.sh

export QT_QPA_PLATFORM=offscreen
# The ffmpeg media backend crashes when there is no audio device
export QT_MEDIA_BACKEND=gstreamer
runtime_dir=$(mktemp -d /tmp/quillpod-runtime.XXXXXX)
chmod 700 "$runtime_dir"
export XDG_RUNTIME_DIR=$runtime_dir
trap 'rm -rf "$runtime_dir"' EXIT

ctest --test-dir "${BUILD_DIR:-build}" --output-on-failure --timeout 600 "$@"
