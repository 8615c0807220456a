#pragma once

#include "songlist/findingrows.h"
#include "songlist/songrow.h"

#include <QByteArray>
#include <QList>
#include <QString>

// The rows of the song list, kept compactly: a list can hold a whole catalogue. Rows are read
// back exactly as they were given, but a row's text costs a third of what it would as three
// strings with their padding. Rows are mostly appended or all removed. Each row also keeps its
// title's first initials, for finding it by typing (songlist/typeahead.h). A row can also be
// put in or taken out anywhere, at the cost of moving the rows after it.
class SongRowStore : public FindingRows {
public:
    static constexpr int kColumns = 3;

    int size() const override { return int(m_rowStarts.size()); }
    bool isEmpty() const { return m_rowStarts.isEmpty(); }
    // Raises Failure when the store cannot hold the rows, and std::bad_alloc when memory runs out;
    // either way none of them is stored.
    void append(const QList<SongRow> &rows);
    // 0-based; the rows from `at` on move down one, or up one
    void insert(int at, const SongRow &row);
    void remove(int at);
    // Removes every row and gives their memory back
    void clear();

    // 0-based
    SongRow row(int row) const;
    QString cellText(int row, int column) const;
    // Appends the text of a cell to `text`, as cellText() gives it, without a new string
    void appendCellText(int row, int column, QString &text) const;
    // The cells in place, without their padding, and the title's initials
    FindingCells cells(int row) const override;

private:
    void appendRow(const SongRow &row);
    qsizetype cellStart(int row, int column) const;
    qsizetype rowEnd(int row) const;
    // Moves the starts of the rows from `from` on by `bytes`
    void shiftStarts(int from, qsizetype bytes);

    // Every cell of every row, one after the other, each a header then the cell's text without
    // the twelve blanks nearly all cells end with. The header says whether the blanks were
    // there, whether the text is Latin-1, as identifiers and serials are, or UTF-16, and how
    // long it is. After the three cells of a row come its initials, with a header of their own.
    QByteArray m_cells;
    // Where each row's first cell starts in m_cells
    QList<quint32> m_rowStarts;
};
