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

int PlayOrder::failed(int row, int count)
{
    // A song that played in between starts the count over; one that began and failed did not
    // play, and neither row plays now
    if (std::exchange(m_playingRow, std::nullopt).value_or(row) != row)
        reset();
    ++m_failures;
    m_failedRows.append(row);
    const int next = nextRow(row, count);
    if (next == 0 || m_failures >= kFailureLimit || m_failedRows.contains(next))
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
