#pragma once

#include <QString>
#include <QStringView>

class SongRowStore;

// What the window shows of a text that may come from the service: at most its first kLength code
// units, and "…" after them when there are more. Shaping a text costs in proportion to its length,
// and a title of millions of characters would stall every paint, measure or tooltip of its row;
// no cell, panel or tooltip can show more than the prefix anyway.
namespace ShownPrefix {

inline constexpr qsizetype kLength = 1000;

QString of(QStringView text);
// Appends what a cell shows of its text to `text`, reading no more of the row store than that
void appendCell(const SongRowStore &rows, int row, int column, QString &text);

} // namespace ShownPrefix
