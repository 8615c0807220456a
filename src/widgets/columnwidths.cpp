#include "columnwidths.h"

#include "shownprefix.h"

#include "songlist/songrowstore.h"

#include <algorithm>

namespace {

// Widths remembered per column; when full, the memory starts over. A catalogue has a few hundred
// different titles, and a few thousand widths cost little memory.
constexpr qsizetype kKnownWidths = 2048;

enum Pair : quint8 { Unknown, AddsUp, Shaped };

bool isPlainAscii(char16_t character)
{
    return character >= u' ' && character <= u'~';
}

} // namespace

void ColumnWidths::reset(const QFont &font, int columns)
{
    m_metrics = QFontMetrics(font);
    m_exactMetrics = QFontMetricsF(font);
    m_widest.fill(0, columns);
    m_known = QList<QHash<QString, int>>(columns);
    m_advances.fill(-1);
    m_pairs.fill(Unknown);
    m_measured = 0;
}

void ColumnWidths::measure(const SongRowStore &rows, int columnCount, int limit)
{
    const int columns = int(std::min<qsizetype>(m_widest.size(), columnCount));
    const int last = int(std::min<qint64>(rows.size(), qint64(m_measured) + limit));
    for (int row = m_measured; row < last; ++row) {
        for (int column = 0; column < columns; ++column) {
            m_text.resize(0);
            ShownPrefix::appendCell(rows, row, column, m_text);
            m_widest[column] = std::max(m_widest[column], width(column));
        }
    }
    m_measured = last;
}

bool ColumnWidths::isComplete(const SongRowStore &rows) const
{
    return m_measured >= rows.size();
}

int ColumnWidths::width(int column)
{
    if (const std::optional<int> added = addedWidth(m_text))
        return *added;
    QHash<QString, int> &known = m_known[column];
    if (const auto found = known.constFind(m_text); found != known.cend())
        return *found;
    if (known.size() >= kKnownWidths)
        known.clear();
    const int width = m_metrics.horizontalAdvance(m_text);
    known.insert(QString(m_text.constData(), m_text.size()), width);
    return width;
}

std::optional<int> ColumnWidths::addedWidth(QStringView text)
{
    // Advances are multiples of 1/64 pixel, which a double adds up exactly; the font rounds the
    // sum as it rounds a shaped text's width
    qreal width = 0;
    char16_t previous = 0;
    for (const QChar character : text) {
        const char16_t code = character.unicode();
        if (!isPlainAscii(code) || (previous && !addsUp(previous, code)))
            return std::nullopt;
        width += advance(code);
        previous = code;
    }
    return qRound(width);
}

bool ColumnWidths::addsUp(char16_t left, char16_t right)
{
    quint8 &pair = m_pairs[left * 128 + right];
    if (pair == Unknown) {
        const QChar both[] = {QChar(left), QChar(right)};
        const qreal shaped = m_exactMetrics.horizontalAdvance(QString(both, 2));
        pair = shaped == advance(left) + advance(right) ? AddsUp : Shaped;
    }
    return pair == AddsUp;
}

qreal ColumnWidths::advance(char16_t character)
{
    qreal &advance = m_advances[character];
    if (advance < 0)
        advance = m_exactMetrics.horizontalAdvance(QChar(character));
    return advance;
}
