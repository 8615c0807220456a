#!/usr/bin/env bash
# Installs what is missing, builds the program and the bundled catalogue service (not the tests
# and benchmarks), starts the service and opens the program on it. Closing the program stops the
# service again.
#   scripts/run.sh [--port N]
# The service listens on port N (or QUILLPOD_PORT), else on the port of SERVICE_BASE, and the
# program is pointed at it through QUILLPOD_SERVICE_BASE, so another port needs no new configure.
# On a machine without a display the program runs under Xvfb and a screenshot is saved; without
# a sound server it plays silently, and says so once.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build_dir=${BUILD_DIR:-build}

port=${QUILLPOD_PORT:-}
while [ $# -gt 0 ]; do
    case "$1" in
    --port) port=${2:--}; shift 2 || shift ;;
    --port=*) port=${1#--port=}; shift ;;
    *) echo "usage: scripts/run.sh [--port N]" >&2; exit 2 ;;
    esac
done
case "$port" in
*[!0-9]* | 0*) bad_port=1 ;;
*) bad_port=$(( ${#port} > 5 || port > 65535 )) ;;
esac
if [ -n "$port" ] && [ "$bad_port" = 1 ]; then
    echo "scripts/run.sh: --port expects a port from 1 to 65535, got \"$port\"" >&2
    exit 2
fi

scripts/install-deps.sh imagemagick
cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=${BUILD_TYPE:-RelWithDebInfo} >/dev/null
cmake --build "$build_dir" -j"$(nproc)" --target quillpod catalogue-service

if [ -z "$port" ]; then
    built_base=$(sed -n 's/^SERVICE_BASE:STRING=//p' "$build_dir/CMakeCache.txt")
    port=${built_base##*:}
    port=${port%%/*}
    case "$port" in '' | *[!0-9]*) port=80 ;; esac
fi
base="http://127.0.0.1:$port"
export QUILLPOD_SERVICE_BASE=$base

if [ -z "${XDG_RUNTIME_DIR:-}" ] || [ ! -d "${XDG_RUNTIME_DIR}" ]; then
    XDG_RUNTIME_DIR=$(mktemp -d /tmp/quillpod-runtime.XXXXXX)
    chmod 700 "$XDG_RUNTIME_DIR"
    export XDG_RUNTIME_DIR
fi
source scripts/media-backend.sh

service_log=$(mktemp /tmp/quillpod-service.XXXXXX.log)
"$build_dir/catalogue-service" --port "$port" >"$service_log" 2>&1 &
service_pid=$!
trap 'kill "$service_pid" 2>/dev/null || true; wait "$service_pid" 2>/dev/null || true' EXIT
for _ in $(seq 1 100); do
    grep -q 'listening on' "$service_log" && break
    kill -0 "$service_pid" 2>/dev/null || { cat "$service_log"; echo "The catalogue service did not start." >&2; exit 1; }
    sleep 0.1
done
echo "Catalogue service ready at $base (demo catalogue, log: $service_log)"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    screenshot="$root/$build_dir/quillpod-screenshot.png"
    echo "No display found: running Quillpod under Xvfb; a screenshot goes to $screenshot"
    xvfb-run -a -s "-screen 0 1024x768x24" \
        scripts/xvfb-session.sh "$build_dir/quillpod" "$screenshot"
else
    "$build_dir/quillpod"
fi
