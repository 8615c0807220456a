#!/usr/bin/env bash
# Installs what is missing, builds the program and the bundled catalogue service (not the tests
# and benchmarks), starts the service on the port of SERVICE_BASE and opens the program. Closing
# the program stops the service again.
# On a machine without a display the program runs under Xvfb and a screenshot is saved; without
# a sound server it plays silently.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build_dir=${BUILD_DIR:-build}

scripts/install-deps.sh imagemagick
cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=${BUILD_TYPE:-RelWithDebInfo} >/dev/null
cmake --build "$build_dir" -j"$(nproc)" --target quillpod catalogue-service

base=$(sed -n 's/^SERVICE_BASE:STRING=//p' "$build_dir/CMakeCache.txt")
port=${base##*:}
port=${port%%/*}
case "$port" in '' | *[!0-9]*) port=80 ;; esac

if [ -z "${XDG_RUNTIME_DIR:-}" ] || [ ! -d "${XDG_RUNTIME_DIR}" ]; then
    XDG_RUNTIME_DIR=$(mktemp -d /tmp/quillpod-runtime.XXXXXX)
    chmod 700 "$XDG_RUNTIME_DIR"
    export XDG_RUNTIME_DIR
fi
source scripts/media-backend.sh

# PulseAudio, or PipeWire in its place, listens on this socket
sound_server_running() {
    [ -n "${PULSE_SERVER:-}" ] || [ -S "$XDG_RUNTIME_DIR/pulse/native" ]
}
# Without one, the audio sink reports the refused connection (GStreamer) or the missing device
# (FFmpeg) at every song, and Qt's device list once at start: say it once here and keep the
# terminal quiet after that
run_quillpod() {
    if sound_server_running; then
        "$@"
    else
        echo "No sound server (PulseAudio or PipeWire) is running: playback runs silently."
        "$@" 2> >(grep --line-buffered -v -e 'Failed to connect: Connection refused' \
            -e 'pa_context_connect() failed' -e 'No audio device detected' >&2)
    fi
}

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
    run_quillpod xvfb-run -a -s "-screen 0 1024x768x24" \
        scripts/xvfb-session.sh "$build_dir/quillpod" "$screenshot"
else
    run_quillpod "$build_dir/quillpod"
fi
