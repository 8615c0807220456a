#include "columnwidths.h"

#include "reportlistmodel.h"

#include <algorithm>

namespace {
// Widths remembered per column; when full, the memory starts over. A catalogue has a few hundred
// different titles, and a few thousand widths cost little memory.
constexpr qsizetype kKnownWidths = 2048;
} // namespace

void ColumnWidths::reset(const QFontMetrics &metrics, int columns)
{
    m_metrics = metrics;
    m_widest.fill(0, columns);
    m_known = QList<QHash<QString, int>>(columns);
    m_measured = 0;
}

void ColumnWidths::measure(const ReportListModel &model, int limit)
{
    const int columns = int(std::min<qsizetype>(m_widest.size(), model.columnCount()));
    const int last = int(std::min<qint64>(model.storedRowCount(), qint64(m_measured) + limit));
    for (int row = m_measured; row < last; ++row) {
        for (int column = 0; column < columns; ++column) {
            const ReportListModel::StoredCell cell = model.storedCell(row, column);
            m_widest[column] = std::max(m_widest[column], width(column, cell.text, cell.padded));
        }
    }
    m_measured = last;
}

bool ColumnWidths::isComplete(const ReportListModel &model) const
{
    return m_measured >= model.storedRowCount();
}

int ColumnWidths::width(int column, QStringView text, bool padded)
{
    m_text.resize(0);
    m_text.append(text);
    if (padded)
        m_text.append(kCellPadding);
    QHash<QString, int> &known = m_known[column];
    if (const auto found = known.constFind(m_text); found != known.cend())
        return *found;
    if (known.size() >= kKnownWidths)
        known.clear();
    const int width = m_metrics.horizontalAdvance(m_text);
    known.insert(QString(m_text.constData(), m_text.size()), width);
    return width;
}
