#!/usr/bin/env bash
# Runs inside xvfb-run: starts the program, waits until its window is shown (start-up has then
# ended), saves a screenshot, and keeps the program running until it is closed or interrupted.
# Usage: xvfb-session.sh PROGRAM SCREENSHOT [SECONDS_TO_KEEP_RUNNING]
set -euo pipefail
program=$1
screenshot=$2
keep=${3:-}

"$program" &
pid=$!
trap 'kill "$pid" 2>/dev/null || true' EXIT INT TERM

for _ in $(seq 1 300); do
    if xwininfo -root -tree 2>/dev/null | grep -q 'Quillpod V1.0'; then
        break
    fi
    kill -0 "$pid" 2>/dev/null || { echo "Quillpod ended before its window was shown." >&2; exit 1; }
    sleep 0.1
done
# Let the first frames paint and the background track start
sleep 2
import -window root "$screenshot"
echo "Screenshot saved: $screenshot"

if [ -n "$keep" ]; then
    sleep "$keep"
else
    echo "Quillpod is running under Xvfb; press Ctrl-C to stop it."
    wait "$pid"
fi
