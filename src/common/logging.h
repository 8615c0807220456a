#pragma once

#include <QLoggingCategory>

// One category per part of the program, named "quillpod.<folder>", so that QT_LOGGING_RULES can
// turn each part's lines on and off. They record what would otherwise pass silently: a failure
// the program works around, never a page or a tick.
Q_DECLARE_LOGGING_CATEGORY(lcApp)
Q_DECLARE_LOGGING_CATEGORY(lcSongList)
Q_DECLARE_LOGGING_CATEGORY(lcLinks)
Q_DECLARE_LOGGING_CATEGORY(lcNet)
Q_DECLARE_LOGGING_CATEGORY(lcWidgets)
Q_DECLARE_LOGGING_CATEGORY(lcPlayer)
Q_DECLARE_LOGGING_CATEGORY(lcPlayback)
Q_DECLARE_LOGGING_CATEGORY(lcMpris)
Q_DECLARE_LOGGING_CATEGORY(lcDownloads)
Q_DECLARE_LOGGING_CATEGORY(lcSkin)
Q_DECLARE_LOGGING_CATEGORY(lcSettings)
Q_DECLARE_LOGGING_CATEGORY(lcLibrary)
