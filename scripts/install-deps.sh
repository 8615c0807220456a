#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the program need, if any is missing, for
# the Debian release it runs on (12 or 13).
# Usage: scripts/install-deps.sh [extra-package ...]
set -euo pipefail

# Debian 12's Qt 6.4 plays through GStreamer, whose plugins decode WAV, Ogg, MP3 and AAC; Debian
# 13's Qt 6.8 has only its FFmpeg backend, which comes with libqt6multimedia6 and its libraries.
media_packages=()
release=$(. /etc/os-release && echo "${VERSION_ID:-}")
if [ "$release" = 12 ]; then
    media_packages=(gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-libav)
fi

packages=(
    cmake g++ make pkg-config
    qt6-base-dev qt6-multimedia-dev qt6-translations-l10n
    "${media_packages[@]}"
    libqt6sql6-sqlite libcpp-httplib-dev libicu-dev libsqlite3-dev
    xvfb xauth x11-utils fonts-wqy-microhei
    dbus dbus-bin
    desktop-file-utils appstream
    dpkg-dev lintian iproute2
    "$@"
)

missing=()
for package in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${db:Status-Status}' "$package" 2>/dev/null || true)
    [ "$status" = installed ] || missing+=("$package")
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
