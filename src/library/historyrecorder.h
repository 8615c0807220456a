#pragma once

#include "controls/playstate.h"
#include "songlist/songrow.h"

#include <QObject>
#include <QTimer>
#include <optional>

class Library;

// Puts a song from a list into the history once it has played Library::kPlayedSeconds, pauses
// and waits for data not counted
class HistoryRecorder : public QObject {
    Q_OBJECT

public:
    explicit HistoryRecorder(Library &library, QObject *parent = nullptr);

    // A song from a list began to play
    void songStarted(const SongRow &row);
    void playStateChanged(PlayState state);

private:
    void played();

    Library &m_library;
    QTimer m_timer;
    std::optional<SongRow> m_row;
    int m_remainingMs = 0;
};
