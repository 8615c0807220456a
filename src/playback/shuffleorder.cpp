#include "shuffleorder.h"

#include "common/logging.h"

#include <cstring>
#include <new>

namespace {

// `memory` of `size` entries grown to `newSize`, the new ones zero. Large blocks come straight
// from the system, zeroed, and grow by remapping: no entry is written here but the new ones.
quint32 *grown(quint32 *memory, quint32 size, quint32 newSize)
{
    if (!memory)
        return static_cast<quint32 *>(std::calloc(newSize, sizeof(quint32)));
    auto *const larger = static_cast<quint32 *>(std::realloc(memory, newSize * sizeof(quint32)));
    if (larger)
        std::memset(larger + size, 0, (newSize - size) * sizeof(quint32));
    return larger;
}

} // namespace

ShuffleOrder::ShuffleOrder(quint32 seed) : m_random(seed) { }

int ShuffleOrder::next(int count)
{
    fit(count);
    const quint32 size = m_size;
    if (size == 0)
        return 0;
    if (m_at < m_played)
        return standAt(m_at);
    quint32 end = size;
    if (m_played == size) {
        // A new round, which does not begin with the row that ended the last one
        m_played = 0;
        if (size > 1)
            end = size - 1;
    }
    // One step of Fisher–Yates: a row from the slots not played yet comes forward
    swapSlots(m_played, m_played + m_random.bounded(end - m_played));
    return standAt(m_played++);
}

int ShuffleOrder::previous()
{
    return m_at > 1 ? standAt(m_at - 2) : 0;
}

void ShuffleOrder::played(int row, int count)
{
    fit(count);
    if (row < 1 || quint32(row) > m_size)
        return;
    const quint32 slot = slotOf(quint32(row - 1));
    if (slot < m_played) {
        m_at = slot + 1;
        return;
    }
    swapSlots(m_played, slot);
    standAt(m_played++);
}

void ShuffleOrder::clear()
{
    m_rows.reset();
    m_slots.reset();
    m_size = 0;
    m_played = 0;
    m_at = 0;
}

qsizetype ShuffleOrder::bytes() const
{
    return qsizetype(2 * m_size * sizeof(quint32));
}

void ShuffleOrder::fit(int count)
{
    const auto size = quint32(qMax(count, 0));
    if (size == m_size)
        return;
    if (size < m_size) {
        // A list loses rows only when it is filled anew, which clear() is told of first
        qCInfo(lcPlayback) << "The shuffled list has fewer rows than before; a new round begins";
        clear();
    }
    // Exactly the list's size. A list that grows while it plays grows by pages, and the order
    // follows once a page, at the next row chosen.
    for (Slots *const memory : {&m_rows, &m_slots}) {
        quint32 *const larger = grown(memory->get(), m_size, size);
        if (!larger)
            throw std::bad_alloc();
        // realloc() has freed or kept the block that the pointer held
        memory->release();
        memory->reset(larger);
    }
    m_size = size;
}

quint32 ShuffleOrder::rowIn(quint32 slot) const
{
    const quint32 row = m_rows[slot];
    return row == 0 ? slot : row - 1;
}

quint32 ShuffleOrder::slotOf(quint32 row) const
{
    const quint32 slot = m_slots[row];
    return slot == 0 ? row : slot - 1;
}

void ShuffleOrder::swapSlots(quint32 first, quint32 second)
{
    const quint32 firstRow = rowIn(first);
    const quint32 secondRow = rowIn(second);
    m_rows[first] = secondRow + 1;
    m_rows[second] = firstRow + 1;
    m_slots[secondRow] = first + 1;
    m_slots[firstRow] = second + 1;
}

int ShuffleOrder::standAt(quint32 slot)
{
    m_at = slot + 1;
    return int(rowIn(slot)) + 1;
}
