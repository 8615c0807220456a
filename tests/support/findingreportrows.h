#pragma once

#include "controls/reportlist.h"
#include "songlist/findingrows.h"
#include "songlist/titleinitialsstore.h"

#include <QList>

// Rows for typing to search, kept as the list's users give them, with their initials stored as a
// list keeps them. What a search reads of a row is worked out once, as a list has it at hand.
class FindingReportRows : public FindingRows {
public:
    explicit FindingReportRows(QList<ReportRow> rows) : m_rows(std::move(rows))
    {
        for (const ReportRow &row : std::as_const(m_rows))
            m_initials.append(CellText::ofCell(row.text));
        for (qsizetype i = 0; i < m_rows.size(); ++i) {
            const ReportRow &row = m_rows.at(i);
            m_cells.append({CellText::ofCell(row.text), CellText::ofCell(row.subItem1),
                            CellText::ofCell(row.subItem2), m_initials.at(int(i))});
        }
    }
    FindingReportRows(const FindingReportRows &) = delete;
    FindingReportRows &operator=(const FindingReportRows &) = delete;

    int count() const override { return int(m_rows.size()); }
    FindingCells cells(int row) const override { return m_cells.at(row); }
    const TitleInitialsStore &initials() const { return m_initials; }

private:
    QList<ReportRow> m_rows;
    TitleInitialsStore m_initials;
    QList<FindingCells> m_cells;
};
