#!/usr/bin/env bash
# Runs a command of this repository as root inside a fresh Debian 13 (trixie): by default the
# README's test command. The base system is made by debootstrap from this machine's Debian archive
# and kept as a tarball in $TRIXIE_CACHE (default /var/cache/quillpod-trixie), made again once it
# is a week old; every run unpacks it anew and copies in a clean checkout of the current commit.
# The downloaded packages and the compiler cache stay in the same folder between runs.
# What the command leaves in the checkout's top folder as quillpod_*.deb comes back into
# build-trixie/, and bench/results/latest-trixie.csv into the same place here.
# Usage (as root): scripts/trixie.sh [--worktree] [command ...]
#   --worktree  copy the uncommitted changes to tracked files as well
set -euo pipefail
# Read whole before it runs, so that editing the script meanwhile does not change a run
{
cd "$(dirname "$0")/.."
repo=$PWD

[ "$(id -u)" -eq 0 ] || { echo "scripts/trixie.sh runs as root (namespaces, mounts)" >&2; exit 1; }
revision=HEAD
if [ "${1:-}" = --worktree ]; then
    revision=$(git stash create)
    revision=${revision:-HEAD}
    shift
fi
[ $# -gt 0 ] || set -- scripts/test.sh

cache=${TRIXIE_CACHE:-/var/cache/quillpod-trixie}
base=$cache/base.tar
root=$cache/root
inside=/root/quillpod
max_age_days=7
mkdir -p "$cache/apt-archives" "$cache/ccache"
# One run at a time uses the folder
exec 9>"$cache/lock"
flock 9

# Never removes through a mount into the machine's own folders
remove_root() {
    if grep -q " $root/" /proc/self/mountinfo; then
        echo "Still mounted under $root; not removing it" >&2
        exit 1
    fi
    rm -rf --one-file-system "$root"
}

if [ -z "$(find "$base" -mtime -"$max_age_days" 2>/dev/null)" ]; then
    mirror=$(awk '/^URIs:/ {print $2; exit}' /etc/apt/sources.list.d/debian.sources 2>/dev/null || true)
    [ -n "$mirror" ] || mirror=$(awk '/^deb / {print $2; exit}' /etc/apt/sources.list 2>/dev/null)
    [ -n "$mirror" ] || { echo "No Debian mirror in this machine's apt sources" >&2; exit 1; }
    command -v debootstrap >/dev/null || apt-get install -y -qq --no-install-recommends debootstrap
    echo "Making the Debian 13 base system from $mirror"
    remove_root
    debootstrap --variant=minbase trixie "$root" "$mirror" >"$cache/debootstrap.log" 2>&1 \
        || { tail -n 5 "$cache/debootstrap.log" >&2; exit 1; }
    tar -cf "$base.new" -C "$root" .
    mv "$base.new" "$base"
fi

remove_root
mkdir -p "$root"
tar -xf "$base" -C "$root"
# The same archive and suites as this machine, renamed for trixie
if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    sed 's/bookworm/trixie/g' /etc/apt/sources.list.d/debian.sources \
        >"$root/etc/apt/sources.list.d/debian.sources"
    : >"$root/etc/apt/sources.list"
fi
# A system thrown away after the run: dpkg need not wait for every file to reach the disk
echo force-unsafe-io >"$root/etc/dpkg/dpkg.cfg.d/unsafe-io"
# Packages set up inside start no services
printf '#!/bin/sh\nexit 101\n' >"$root/usr/sbin/policy-rc.d"
chmod 755 "$root/usr/sbin/policy-rc.d"
mkdir -p "$root/var/cache/ccache" "$root$inside"
git archive --format=tar "$revision" | tar -xf - -C "$root$inside"

# Each command runs in a mount namespace of its own, whose mounts (/proc, /sys, /dev with its pts
# and shm, the caches) end with it however the run ends. The Debian 13 system becomes its root by
# pivot_root rather than chroot: inside a chroot no user namespace can be made, which the
# full-disk test of the downloads needs.
enter='
set -e
root=$1 cache=$2
shift 2
mount --bind "$root" "$root"
mount -t proc proc "$root/proc"
mount -t sysfs sys "$root/sys"
mount --rbind /dev "$root/dev"
mount --bind "$cache/apt-archives" "$root/var/cache/apt/archives"
mount --bind "$cache/ccache" "$root/var/cache/ccache"
cd "$root"
mkdir -p .host
pivot_root . .host
cd /
umount -l /.host
exec "$@"'
# Built through ccache unless CMAKE_CXX_COMPILER_LAUNCHER is set empty, as CI sets it: a build
# that runs once from nothing goes faster with precompiled headers, which ccache would not cache
launcher=${CMAKE_CXX_COMPILER_LAUNCHER-ccache}
inroot() {
    unshare --mount --propagation private bash -c "$enter" enter "$root" "$cache" \
        env -i PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 DEBIAN_FRONTEND=noninteractive CCACHE_DIR=/var/cache/ccache \
        ${launcher:+CMAKE_CXX_COMPILER_LAUNCHER=$launcher} BUILD_ARGS="${BUILD_ARGS:-}" \
        ${BUILD_TYPE:+BUILD_TYPE=$BUILD_TYPE} \
        ${QUILLPOD_TIME_SCALE:+QUILLPOD_TIME_SCALE=$QUILLPOD_TIME_SCALE} "$@"
}
if [ -n "$launcher" ]; then
    inroot sh -c 'apt-get update -qq && apt-get install -y -qq --no-install-recommends ccache >/dev/null'
fi
status=0
inroot sh -c 'cd "$0" && exec "$@"' "$inside" "$@" || status=$?

# What the command made for the machine outside
for deb in "$root$inside"/quillpod_*.deb; do
    if [ -f "$deb" ]; then mkdir -p "$repo/build-trixie" && cp "$deb" "$repo/build-trixie/"; fi
done
results=$root$inside/bench/results/latest-trixie.csv
if [ -f "$results" ]; then cp "$results" "$repo/bench/results/"; fi
exit "$status"
}
