#!/usr/bin/env bash
# The main window as an X11 desktop sees it: its class is the one the desktop entry names (so
# that docks match the window with its launcher), it carries the program's icon, and its title
# is the caption alone.
# Usage: window_identity_check.sh QUILLPOD DESKTOP_ENTRY   (runs itself under xvfb-run)
set -euo pipefail
program=$1
entry=$2
caption='Quillpod V1.0 听见每一首好歌'

if [ -z "${QUILLPOD_UNDER_XVFB:-}" ]; then
    QUILLPOD_UNDER_XVFB=1 exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
fi

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

runtime=$(mktemp -d /tmp/quillpod-identity.XXXXXX)
chmod 700 "$runtime"
# Nothing listens on port 1: start-up ends at once with the list failed, and the window shows
QUILLPOD_SERVICE_BASE=http://127.0.0.1:1 QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR=$runtime \
    DBUS_SESSION_BUS_ADDRESS=unix:path=$runtime/no-bus XDG_CONFIG_HOME=$runtime \
    XDG_CACHE_HOME=$runtime "$program" >"$runtime/log" 2>&1 &
pid=$!
trap 'kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; rm -rf "$runtime"' EXIT

window=
for _ in $(seq 1 300); do
    window=$(xwininfo -root -tree 2>/dev/null | sed -n "s/^ *\(0x[0-9a-f]*\) \"$caption.*/\1/p" \
        | head -n 1)
    [ -n "$window" ] && break
    kill -0 "$pid" 2>/dev/null || { cat "$runtime/log" >&2; fail "the program ended early"; }
    sleep 0.1
done
[ -n "$window" ] || fail "no window titled '$caption'"

wm_class=$(xprop -id "$window" WM_CLASS | sed -n 's/.*= ".*", "\(.*\)"/\1/p')
startup_class=$(sed -n 's/^StartupWMClass=//p' "$entry")
[ "$wm_class" = "$startup_class" ] \
    || fail "the window's class is '$wm_class', the desktop entry says '$startup_class'"

title=$(xprop -id "$window" _NET_WM_NAME | sed -n 's/.*= "\(.*\)"$/\1/p')
[ "$title" = "$caption" ] || fail "the title reads '$title', not '$caption'"

xprop -id "$window" _NET_WM_ICON | grep -q '^_NET_WM_ICON(CARDINAL) = ' \
    || fail "the window has no icon"
echo "class $wm_class, title '$title', with an icon"
