#!/usr/bin/env bash
# Refreshes docs/screenshot.png: builds what is needed, starts the bundled catalogue service on a
# free port and runs the screenshot driver under Xvfb, which fills the list, plays a song from the
# middle of it and saves the window.
# Usage: docs/make-screenshot.sh [OUTPUT.png]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build_dir=${BUILD_DIR:-build}
output=$(realpath -m "${1:-docs/screenshot.png}")

scripts/install-deps.sh
[ -f "$build_dir/CMakeCache.txt" ] || cmake -S . -B "$build_dir" >/dev/null
cmake --build "$build_dir" -j"$(nproc)" --target catalogue-service screenshot-driver

runtime_dir=$(mktemp -d /tmp/quillpod-runtime.XXXXXX)
chmod 700 "$runtime_dir"
service_log="$runtime_dir/service.log"

# Songs long enough not to end, and so move on to the next row, before the picture is taken
"$build_dir/catalogue-service" --port 0 --media-seconds 120 >"$service_log" 2>&1 &
service_pid=$!
trap 'kill "$service_pid" 2>/dev/null || true; wait "$service_pid" 2>/dev/null || true; rm -rf "$runtime_dir"' EXIT

base=
for _ in $(seq 1 100); do
    base=$(sed -n 's/.*listening on \(http:\/\/127\.0\.0\.1:[0-9]*\).*/\1/p' "$service_log")
    [ -n "$base" ] && break
    kill -0 "$service_pid" 2>/dev/null || { cat "$service_log" >&2; echo "The catalogue service did not start." >&2; exit 1; }
    sleep 0.1
done
[ -n "$base" ] || { echo "The catalogue service did not say where it listens." >&2; exit 1; }

source scripts/media-backend.sh
# Always a fresh Xvfb screen, so that the picture does not depend on the desktop it is made on
env -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$runtime_dir" \
    xvfb-run -a -s "-screen 0 1024x768x24" \
    "$build_dir/screenshot-driver" --service "$base" --skin-dir "$root/resources" --output "$output"
