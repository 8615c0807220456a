# Sourced by the scripts that start the program's code: the Qt media backend it runs on, unless
# QT_MEDIA_BACKEND names one. GStreamer where Qt has it (Debian 12, whose Qt 6.4 FFmpeg backend
# crashes without an audio device), else FFmpeg (Debian 13's Qt 6.8 ships no other).
if [ -z "${QT_MEDIA_BACKEND:-}" ]; then
    if compgen -G '/usr/lib/*/qt6/plugins/multimedia/libgstreamermediaplugin.so' >/dev/null; then
        export QT_MEDIA_BACKEND=gstreamer
    else
        export QT_MEDIA_BACKEND=ffmpeg
    fi
fi
