# Sourced by the scripts that run the program's code without a display: Qt's offscreen platform,
# the GStreamer media backend (the ffmpeg one crashes when there is no audio device) and a private
# runtime folder, removed when the script exits. Sets the script's EXIT trap.
export QT_QPA_PLATFORM=offscreen
export QT_MEDIA_BACKEND=gstreamer
runtime_dir=$(mktemp -d /tmp/quillpod-runtime.XXXXXX)
chmod 700 "$runtime_dir"
export XDG_RUNTIME_DIR=$runtime_dir
trap 'rm -rf "$runtime_dir"' EXIT
