# Sourced by the scripts that run the program's code without a display: Qt's offscreen platform,
# the media backend of scripts/media-backend.sh and a private runtime folder, removed when the
# script exits. Sets the script's EXIT trap.
export QT_QPA_PLATFORM=offscreen
source "$(dirname "${BASH_SOURCE[0]}")/media-backend.sh"
# Without a sound server GStreamer's automatic sink falls through to JACK, whose client library
# keeps a lock in /dev/shm: a test killed inside it leaves the lock held, and every later start
# hangs on it. Headless runs have no use for JACK.
export GST_PLUGIN_FEATURE_RANK=${GST_PLUGIN_FEATURE_RANK:+$GST_PLUGIN_FEATURE_RANK,}jackaudiosink:NONE
runtime_dir=$(mktemp -d /tmp/quillpod-runtime.XXXXXX)
chmod 700 "$runtime_dir"
export XDG_RUNTIME_DIR=$runtime_dir
trap 'rm -rf "$runtime_dir"' EXIT
