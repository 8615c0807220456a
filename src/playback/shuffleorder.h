#pragma once

#include <QRandomGenerator>
#include <QtGlobal>
#include <cstdlib>
#include <memory>

// The order of a shuffled list: each round plays every row once, in a random order, and the rows
// played so far in the round are what "previous" goes back through. Rows are 1-based; 0 is no
// row. Every step costs the same whatever the length of the list, and the order keeps 8 bytes a
// row: a permutation of the rows that fills as they play (its first slots are the round so far,
// in the order they played) and where each row is in it. Both begin as all zeros, meaning "each
// row in its own slot": a new order is memory the system hands over zeroed, and it is not
// written until rows play.
class ShuffleOrder {
public:
    explicit ShuffleOrder(quint32 seed = QRandomGenerator::global()->generate());

    // Of a list of `count` rows: after going back, forward again through the rows played; then a
    // row not played yet in this round, and a new round once every row has played. 0 for an
    // empty list. Rows appended since the last call join the round.
    int next(int count);
    // The row played before the one where the order stands; 0 when none was in this round
    int previous();
    // Row `row` of `count` plays, whoever chose it: it counts as played in this round, and the
    // order goes on from it
    void played(int row, int count);
    // The list was filled anew: no row has played
    void clear();

    // What the order keeps, for the benchmark's figure
    qsizetype bytes() const;

private:
    // Memory from calloc() and realloc(), which can grow in place
    struct Free {
        void operator()(quint32 *memory) const { std::free(memory); }
    };
    using Slots = std::unique_ptr<quint32[], Free>;

    void fit(int count);
    quint32 rowIn(quint32 slot) const;
    quint32 slotOf(quint32 row) const;
    void swapSlots(quint32 first, quint32 second);
    int standAt(quint32 slot);

    // Zero-based: the row in each slot and the slot of each row, plus 1; 0 for "the same"
    Slots m_rows;
    Slots m_slots;
    quint32 m_size = 0;
    // The slots before this one have played in this round
    quint32 m_played = 0;
    // The slot of the row where the order stands, plus 1; at most m_played
    quint32 m_at = 0;
    QRandomGenerator m_random;
};
