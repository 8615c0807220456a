#pragma once

#include <QString>
#include <QStringView>

// What every cell of a result row ends with: twelve blanks, which make each column as much wider
// than its longest value when the columns are sized to their content
inline constexpr QStringView kCellPadding = u"            ";

// One row of the song list: the title and, as its two further cells, the serial and the
// identifier, each as the page gave it.
struct SongRow {
    QString text;
    QString subItem1;
    QString subItem2;

    // subItem(i) of the row: 0 is the title itself
    const QString &subItem(int i) const { return i == 1 ? subItem1 : i == 2 ? subItem2 : text; }
    bool operator==(const SongRow &) const = default;
};
