#pragma once

#include "shuffleorder.h"

#include "controls/playmode.h"

#include <QList>
#include <QtGlobal>
#include <chrono>
#include <optional>

// The order in which the list is played: after a song ends, the desktop's next and previous, and
// going past songs that cannot be played, each by the play mode. Rows are 1-based; 0 is no row
// (the background track, or a row of a list that has since been refilled). No requests, no clock.
class PlayOrder {
public:
    // How long a failed song stays on screen before the next row is tried. It is also the
    // closest that two tries can follow each other, so a failing network is never flooded.
    static constexpr std::chrono::milliseconds kSkipDelay {2000};
    // Consecutive failures after which no further row is tried
    static constexpr int kFailureLimit = 5;
    // Past this much of a song, "previous" starts it over instead
    static constexpr qint64 kRestartAfterMs = 3000;

    // The row after `current`, row 1 after the last row or after no row; 0 for an empty list
    static int nextRow(int current, int count);
    // The row before `current`, the last row before row 1 or no row; 0 for an empty list
    static int previousRow(int current, int count);
    static bool restartsInstead(qint64 positionMs) { return positionMs > kRestartAfterMs; }

    PlayMode mode() const { return m_mode; }
    // A shuffle begins a new round, `current` of `count` rows played in it
    void setMode(PlayMode mode, int current, int count);

    // The song of row `playIndex` ended, `current` the row that played (0 for none): the row that
    // plays next, or 0 when the list stops here
    int afterEnd(int playIndex, int current, int count);
    // The desktop's next and previous from `current`; 0 for none
    int next(int current, int count);
    int previous(int current, int count);
    // Row `row` of `count` went to the player, whoever chose it
    void loaded(int row, int count);
    // The list was filled anew
    void listReplaced();

    // The song from `row` could not be played. Returns the row to try next, or 0 when the
    // failures have reached the limit or have gone once round the whole list.
    int failed(int row, int count);
    // The song from `row` began to play. Counting starts over once another row fails: a song
    // that fails right after it began never played, and must not give a dead row another try,
    // nor make the row after it start the count over.
    void playing(int row);
    // The user chose a song: counting starts over
    void reset();
    int failures() const { return m_failures; }

    // What the shuffle keeps, for the benchmark's figure
    qsizetype shuffleBytes() const { return m_shuffle.bytes(); }

private:
    // The row after `current` when the list goes on by itself, past the end or a dead song
    int following(int current, int count);

    PlayMode m_mode = PlayMode::Default;
    ShuffleOrder m_shuffle;
    int m_failures = 0;
    // The rows that failed since the count last started over
    QList<int> m_failedRows;
    std::optional<int> m_playingRow;
};
