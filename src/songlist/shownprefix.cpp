#include "shownprefix.h"

#include "songlist/songrowstore.h"

#include <QChar>

using namespace Qt::StringLiterals;

namespace {

const QString kEllipsis = u"…"_s;

// The prefix's length, short of a surrogate pair that it would cut in two
qsizetype prefixLength(char16_t last)
{
    return QChar::isHighSurrogate(last) ? ShownPrefix::kLength - 1 : ShownPrefix::kLength;
}

} // namespace

QString ShownPrefix::of(QStringView text)
{
    if (text.size() <= kLength)
        return text.toString();
    return text.first(prefixLength(text.at(kLength - 1).unicode())).toString() + kEllipsis;
}

void ShownPrefix::appendCell(const SongRowStore &rows, int row, int column, QString &text)
{
    const FindingCells cells = rows.cells(row);
    const CellText cell = column == 0 ? cells.title : column == 1 ? cells.serial : cells.id;
    if (cell.size() <= kLength) {
        rows.appendCellText(row, column, text);
        return;
    }
    const qsizetype length = prefixLength(cell.at(kLength - 1));
    text.reserve(text.size() + length + kEllipsis.size());
    for (qsizetype i = 0; i < length; ++i)
        text.append(QChar(cell.at(i)));
    text.append(kEllipsis);
}
