#!/usr/bin/env bash
# Builds the Debian package from a build folder, checks it with lintian, unpacks it with
# dpkg-deb -x and starts the unpacked program offscreen against the stand-in service until its
# list is loaded.
# Usage: package_check.sh CPACK BUILD_DIR CATALOGUE_SERVICE SERVICE_BASE
# Exits 77 (skipped) when SERVICE_BASE is no loopback address that the stand-in could serve.
set -euo pipefail

# Every bound in seconds, stretched like the other tests' bounds
scale=${QUILLPOD_TIME_SCALE:-1}
case "$scale" in '' | *[!0-9]* | 0) scale=1 ;; esac

# Inside a private network namespace: serve the program's fixed address, start the unpacked
# program, and wait until the stand-in has seen the whole list run and the request that follows
# it (the background list).
if [ "${1:-}" = --inside ]; then
    root=$2 service=$3 port=$4 work=$5
    pids=()
    trap 'for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; done' EXIT
    ip link set lo up
    # Two pages of 20 songs
    "$service" --port "$port" --songs 40 --per-page 20 --log "$work/requests.log" \
        >"$work/service.out" 2>&1 &
    pids+=($!)
    for _ in $(seq 1 $((100 * scale))); do
        grep -q 'listening on' "$work/service.out" && break
        sleep 0.1
    done
    grep -q 'listening on' "$work/service.out" || { cat "$work/service.out"; exit 1; }

    mkdir -p "$work/config" "$work/runtime"
    chmod 700 "$work/runtime"
    # Its settings and runtime files in the test's folder, and no session bus to register on
    env -u DBUS_SESSION_BUS_ADDRESS QT_QPA_PLATFORM=offscreen QT_MEDIA_BACKEND="$QT_MEDIA_BACKEND" \
        XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime" \
        "$root/usr/bin/quillpod" >"$work/program.out" 2>&1 &
    program=$!
    pids+=("$program")
    for _ in $(seq 1 $((300 * scale))); do
        grep -q 'act=getbglist' "$work/requests.log" 2>/dev/null && break
        kill -0 "$program" 2>/dev/null || break
        sleep 0.1
    done
    if ! grep -q 'act=getbglist' "$work/requests.log" 2>/dev/null; then
        echo "FAIL: the unpacked program did not load its list. Its output:" >&2
        cat "$work/program.out" >&2
        exit 1
    fi
    pages=$(grep -c 'act=getmusiclist' "$work/requests.log")
    [ "$pages" -eq 2 ] || { echo "FAIL: $pages list pages requested, not 2" >&2; exit 1; }
    # Start-up goes on to the background track, which the player fetches; the program must
    # still be running then
    for _ in $(seq 1 $((100 * scale))); do
        grep -q '^/music/' "$work/requests.log" && break
        sleep 0.1
    done
    grep -q '^/music/' "$work/requests.log" || { echo "FAIL: no background track fetched" >&2; exit 1; }
    kill -0 "$program" 2>/dev/null || { echo "FAIL: the program ended" >&2; cat "$work/program.out" >&2; exit 1; }
    echo "The unpacked program loaded its list ($pages pages) from the stand-in"
    exit 0
fi

cpack=$1 build_dir=$2 service=$3 service_base=$4

work=$(mktemp -d /tmp/quillpod-package.XXXXXX)
trap 'rm -rf "$work"' EXIT

if ! (cd "$build_dir" && "$cpack" -G DEB -B "$work/out" >"$work/cpack.log" 2>&1); then
    cat "$work/cpack.log" >&2
    exit 1
fi
debs=("$work"/out/quillpod_*.deb)
deb=${debs[0]}
echo "Package: ${deb##*/}, $(stat -c %s "$deb") bytes"
dpkg-deb -f "$deb" Depends Recommends Suggests
# Every text of the window is Chinese: a font with its glyphs is a dependency, not a wish
if ! dpkg-deb -f "$deb" Depends | tr ',' '\n' \
    | grep -Eq '^ *fonts-(wqy-microhei|wqy-zenhei|noto-cjk)( |$)'; then
    echo "FAIL: the package does not depend on a font with Chinese glyphs" >&2
    exit 1
fi
# The favourites and the history are an SQLite file, read through Qt's driver plugin
if ! dpkg-deb -f "$deb" Depends | tr ',' '\n' | grep -Eq '^ *libqt6sql6-sqlite( |$)'; then
    echo "FAIL: the package does not depend on Qt's SQLite driver" >&2
    exit 1
fi

status=0
remarks=$(lintian --fail-on error,warning "$deb" 2>&1) || status=$?
remarks=$(printf '%s\n' "$remarks" | sed '/running with root privileges/d')
echo "lintian: ${remarks:-no remarks}"
[ "$status" -eq 0 ] || { echo "FAIL: lintian reports errors or warnings" >&2; exit 1; }

dpkg-deb -x "$deb" "$work/root"
for file in usr/bin/quillpod usr/bin/quillpod.she usr/share/applications/org.quillpod.Quillpod.desktop \
    usr/share/metainfo/org.quillpod.Quillpod.metainfo.xml usr/share/doc/quillpod/copyright \
    usr/share/man/man1/quillpod.1.gz usr/share/man/zh_CN/man1/quillpod.1.gz; do
    [ -e "$work/root/$file" ] || { echo "FAIL: $file is not in the package" >&2; exit 1; }
done
if find "$work/root" -name 'catalogue-service*' | grep -q .; then
    echo "FAIL: the stand-in service is in the package" >&2
    exit 1
fi

# The program's service address is fixed when it is built. A private network namespace gives
# the stand-in a loopback of its own, where it can take that address's port without meeting
# anything else on this machine.
authority=${service_base#http://}
authority=${authority%%/*}
host=${authority%:*}
port=${authority##*:}
if [ "$host" != 127.0.0.1 ] && [ "$host" != localhost ] || [ "$port" = "$authority" ]; then
    echo "SERVICE_BASE $service_base is not served on loopback here: the program is not started"
    exit 77
fi
unshare --net "$0" --inside "$work/root" "$service" "$port" "$work"
