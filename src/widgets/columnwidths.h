#pragma once

#include <QFontMetrics>
#include <QHash>
#include <QList>
#include <QString>

#include <array>
#include <optional>

class SongRowStore;

// The widest cell text of each column of a report list, over its rows from the first on, measured
// a slice at a time as rows arrive. Rows are only ever appended or all removed, so the rows still
// to measure are always the last ones. What is measured of a cell is what it shows
// (ShownPrefix): a column never needs to be wider than that.
//
// Shaping a text to measure it is what costs. Titles repeat a lot in a catalogue, so the width of
// a text already measured is remembered. Identifiers and serials never repeat, but are plain
// ASCII: such a text is as wide as its characters' advances added up, with the kerning of each
// pair of neighbours, which the font is asked once per pair; only a pair that the font joins into
// one glyph has the text shaped.
class ColumnWidths {
public:
    // Starts over, for a new font or new columns, or when the rows are gone
    void reset(const QFont &font, int columns);
    // Measures up to `limit` of the rows not measured yet, in the first `columnCount` columns
    void measure(const SongRowStore &rows, int columnCount, int limit);
    bool isComplete(const SongRowStore &rows) const;
    // The widest text of a 0-based column over the rows measured so far
    int widest(int column) const { return m_widest.value(column); }

private:
    // The width of m_text, a cell of the column
    int width(int column);
    // The width from the characters' advances, or nothing when the text is not plain ASCII or
    // two of its neighbours do not simply add up
    std::optional<int> addedWidth(QStringView text);
    // Whether a pair of plain ASCII characters stays two glyphs; adds their kerning to `width`
    bool addPair(char16_t left, char16_t right, qreal &width);
    qreal advance(char16_t character);

    QFont m_font;
    QFontMetrics m_metrics {QFont()};
    QFontMetricsF m_exactMetrics {QFont()};
    QList<int> m_widest;
    int m_measured = 0;
    // One memory per column, so that identifiers, which never repeat, do not crowd out titles
    QList<QHash<QString, int>> m_known;
    // Per printable ASCII character and pair of them, learnt from the font when first met:
    // advances, negative until known; pairs 0 unknown, 1 adding up, 2 kerning, 3 joining; the
    // kerning of the few pairs that kern
    std::array<qreal, 128> m_advances {};
    std::array<quint8, 128 * 128> m_pairs {};
    QHash<quint16, qreal> m_kerning;
    // The text being measured, kept to spare an allocation per cell
    QString m_text;
};
