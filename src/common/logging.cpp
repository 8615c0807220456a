#include "logging.h"

Q_LOGGING_CATEGORY(lcApp, "quillpod.app")
Q_LOGGING_CATEGORY(lcSongList, "quillpod.songlist")
Q_LOGGING_CATEGORY(lcLinks, "quillpod.links")
Q_LOGGING_CATEGORY(lcNet, "quillpod.net")
Q_LOGGING_CATEGORY(lcWidgets, "quillpod.widgets")
Q_LOGGING_CATEGORY(lcPlayer, "quillpod.player")
Q_LOGGING_CATEGORY(lcPlayback, "quillpod.playback")
Q_LOGGING_CATEGORY(lcMpris, "quillpod.mpris")
Q_LOGGING_CATEGORY(lcDownloads, "quillpod.downloads")
Q_LOGGING_CATEGORY(lcSkin, "quillpod.skin")
Q_LOGGING_CATEGORY(lcSettings, "quillpod.settings")
Q_LOGGING_CATEGORY(lcLibrary, "quillpod.library")
