#include "columnwidths.h"

#include "songlist/shownprefix.h"

#include "songlist/songrowstore.h"

#include <QGlyphRun>
#include <QTextLayout>

#include <algorithm>

namespace {

// Widths remembered per column; when full, the memory starts over. A catalogue has a few hundred
// different titles, and a few thousand widths cost little memory.
constexpr qsizetype kKnownWidths = 2048;

enum Pair : quint8 { Unknown, AddsUp, Kerns, Joins };

bool isPlainAscii(char16_t character)
{
    return character >= u' ' && character <= u'~';
}

qsizetype glyphCount(const QString &text, const QFont &font)
{
    QTextLayout layout(text, font);
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    qsizetype glyphs = 0;
    for (const QGlyphRun &run : layout.glyphRuns())
        glyphs += run.glyphIndexes().size();
    return glyphs;
}

} // namespace

void ColumnWidths::reset(const QFont &font, int columns)
{
    m_font = font;
    m_metrics = QFontMetrics(font);
    m_exactMetrics = QFontMetricsF(font);
    m_widest.fill(0, columns);
    m_known = QList<QHash<QString, int>>(columns);
    m_advances.fill(-1);
    m_pairs.fill(Unknown);
    m_kerning.clear();
    m_measured = 0;
}

void ColumnWidths::measure(const SongRowStore &rows, int columnCount, int limit)
{
    // A kept list's time column is not in the store, and is always as wide
    const int columns = std::min({int(m_widest.size()), columnCount, SongRowStore::kColumns});
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
    // Advances and kerning are multiples of 1/64 pixel, which a double adds up exactly; the font
    // rounds the sum as it rounds a shaped text's width
    qreal width = 0;
    char16_t previous = 0;
    for (const QChar character : text) {
        const char16_t code = character.unicode();
        if (!isPlainAscii(code) || (previous && !addPair(previous, code, width)))
            return std::nullopt;
        width += advance(code);
        previous = code;
    }
    return qRound(width);
}

bool ColumnWidths::addPair(char16_t left, char16_t right, qreal &width)
{
    const quint16 key = left * 128 + right;
    quint8 &pair = m_pairs[key];
    if (pair == Unknown) {
        const QChar characters[] = {QChar(left), QChar(right)};
        const QString both(characters, 2);
        const qreal kerning
            = m_exactMetrics.horizontalAdvance(both) - advance(left) - advance(right);
        // A ligature is as wide as it is only where the font forms it, a kerned pair anywhere
        pair = kerning == 0 ? AddsUp : glyphCount(both, m_font) == 2 ? Kerns : Joins;
        if (pair == Kerns)
            m_kerning.insert(key, kerning);
    }
    if (pair == Kerns)
        width += m_kerning.value(key);
    return pair != Joins;
}

qreal ColumnWidths::advance(char16_t character)
{
    qreal &advance = m_advances[character];
    if (advance < 0)
        advance = m_exactMetrics.horizontalAdvance(QChar(character));
    return advance;
}
