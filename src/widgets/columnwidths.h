#pragma once

#include <QFontMetrics>
#include <QHash>
#include <QList>
#include <QString>

class ReportListModel;

// The widest cell text of each column of a report list, over its rows from the first on, measured
// a slice at a time as rows arrive. Rows are only ever appended or all removed, so the rows still
// to measure are always the last ones. Titles repeat a lot in a catalogue: the width of a text
// already measured is remembered, which is far cheaper than shaping it again.
class ColumnWidths {
public:
    // Starts over, for a new font or new columns, or when the rows are gone
    void reset(const QFontMetrics &metrics, int columns);
    // Measures up to `limit` of the stored rows not measured yet
    void measure(const ReportListModel &model, int limit);
    bool isComplete(const ReportListModel &model) const;
    // The widest text of a 0-based column over the rows measured so far
    int widest(int column) const { return m_widest.value(column); }

private:
    int width(int column, QStringView text, bool padded);

    QFontMetrics m_metrics {QFont()};
    QList<int> m_widest;
    int m_measured = 0;
    // One memory per column, so that identifiers, which never repeat, do not crowd out titles
    QList<QHash<QString, int>> m_known;
    // The text being measured, kept to spare an allocation per cell
    QString m_text;
};
