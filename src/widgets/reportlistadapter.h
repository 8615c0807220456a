#pragma once

#include "controls/reportlist.h"

class ReportListView;

// The song list view as the logic sees it: rows counted from 1, column widths in twips, and the
// display options that start-up sets.
class ReportListAdapter : public ReportList {
public:
    explicit ReportListAdapter(ReportListView &view) : m_view(view) { }

    int count() const override;
    void clear() override;
    void addRows(const QList<ReportRow> &rows) override;
    ReportRow item(int index) const override;
    void select(int index) override;
    void ensureVisible(int index) override;
    int selectedIndex() const override;
    int columnCount() const override;
    void addColumn(const QString &header, int widthTwips) override;
    void clearColumns() override;
    void setReportView() override;
    void setFullRowSelect(bool on) override;
    void setAlternatingRowColors(bool on) override;
    void setManualLabelEdit() override;
    void setMultiSelect(bool on) override;
    void setPlayMark(int index) override;
    int playMark() const override;
    void setErrorMark(int index, const QString &reason) override;
    void autoSizeColumn(int column) override;
    void refresh() override;

private:
    ReportListView &m_view;
};
