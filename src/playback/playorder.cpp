#include "playorder.h"

#include <utility>

int PlayOrder::nextRow(int current, int count)
{
    if (count <= 0)
        return 0;
    return current >= 1 && current < count ? current + 1 : 1;
}

int PlayOrder::previousRow(int current, int count)
{
    if (count <= 0)
        return 0;
    return current > 1 && current <= count ? current - 1 : count;
}

void PlayOrder::setMode(PlayMode mode, int current, int count)
{
    m_mode = mode;
    // Another mode keeps nothing of a shuffle, and a new shuffle starts with the row that plays
    m_shuffle.clear();
    if (mode == PlayMode::Shuffle)
        m_shuffle.played(current, count);
}

int PlayOrder::afterEnd(int playIndex, int current, int count)
{
    if (count <= 0)
        return 0;
    switch (m_mode) {
    case PlayMode::Default:
        // Rows between the first and the last play again; the last and the first go on with
        // row 1
        return playIndex >= count || playIndex <= 1 ? 1 : playIndex;
    case PlayMode::TrackLoop:
        return current >= 1 && current <= count ? current : 1;
    case PlayMode::Sequential:
    case PlayMode::ListLoop:
    case PlayMode::Shuffle:
        break;
    }
    return following(current, count);
}

int PlayOrder::next(int current, int count)
{
    switch (m_mode) {
    case PlayMode::Sequential:
    case PlayMode::Shuffle:
        return following(current, count);
    case PlayMode::Default:
    case PlayMode::ListLoop:
    case PlayMode::TrackLoop:
        break;
    }
    return nextRow(current, count);
}

int PlayOrder::previous(int current, int count)
{
    switch (m_mode) {
    case PlayMode::Sequential:
        return current == 1 ? 0 : previousRow(current, count);
    case PlayMode::Shuffle:
        return m_shuffle.previous();
    case PlayMode::Default:
    case PlayMode::ListLoop:
    case PlayMode::TrackLoop:
        break;
    }
    return previousRow(current, count);
}

int PlayOrder::following(int current, int count)
{
    switch (m_mode) {
    case PlayMode::Sequential:
        return current >= 0 && current < count ? current + 1 : 0;
    case PlayMode::Shuffle:
        return m_shuffle.next(count);
    case PlayMode::Default:
    case PlayMode::ListLoop:
    case PlayMode::TrackLoop:
        // A dead song is gone past in a loop of one song too
        break;
    }
    return nextRow(current, count);
}

void PlayOrder::loaded(int row, int count)
{
    if (m_mode == PlayMode::Shuffle)
        m_shuffle.played(row, count);
}

void PlayOrder::listReplaced()
{
    m_shuffle.clear();
}

int PlayOrder::failed(int row, int count)
{
    // A song that played in between starts the count over; one that began and failed did not
    // play, and neither row plays now
    if (std::exchange(m_playingRow, std::nullopt).value_or(row) != row)
        reset();
    ++m_failures;
    m_failedRows.append(row);
    // Before the next row is chosen: choosing moves a shuffle on
    if (m_failures >= kFailureLimit)
        return 0;
    const int next = following(row, count);
    if (next == 0 || m_failedRows.contains(next))
        return 0;
    return next;
}

void PlayOrder::playing(int row)
{
    m_playingRow = row;
}

void PlayOrder::reset()
{
    m_failures = 0;
    m_failedRows.clear();
    m_playingRow.reset();
}
