#pragma once

#include "controls/playstate.h"
#include "songlist/songrow.h"

#include <QObject>
#include <QTimer>
#include <chrono>
#include <optional>

class Library;

// Puts a song from a list into the history once it has played long enough; pauses and waits for
// data do not count
class HistoryRecorder : public QObject {
    Q_OBJECT

public:
    // A song counts once it has played `playedLong`
    explicit HistoryRecorder(Library &library, std::chrono::milliseconds playedLong = kPlayedLong,
                             QObject *parent = nullptr);
    static constexpr std::chrono::milliseconds kPlayedLong {10000};

    // A song from a list went to the player
    void songLoaded(const SongRow &row);
    void playStateChanged(PlayState state);

private:
    void played();

    Library &m_library;
    QTimer m_timer;
    std::optional<SongRow> m_row;
    const std::chrono::milliseconds m_playedLong;
    int m_remainingMs = 0;
    // The song has been playing: a stop from now on is its own, not the song's before it
    bool m_started = false;
};
