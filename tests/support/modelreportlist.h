#pragma once

#include "controls/reportlist.h"
#include "widgets/reportlistmodel.h"

// The report list the window uses, minus the view: rows go straight into the Qt model, and the
// list counts what it was given, so that page cutting can be checked and timed without a window.
class ModelReportList : public ReportList {
public:
    explicit ModelReportList(ReportListModel &model) : m_model(model) { }

    int count() const override { return m_model.storedRowCount(); }
    void clear() override { m_model.clearRows(); }
    void addRows(const QList<ReportRow> &rows) override
    {
        m_model.appendRows(rows);
        m_model.showStoredRows();
        m_added += rows.size();
        ++m_insertions;
    }
    ReportRow item(int index) const override { return m_model.row(index - 1); }
    void select(int) override { }
    void ensureVisible(int) override { }
    int selectedIndex() const override { return 0; }

    int columnCount() const override { return m_model.columnCount(); }
    void addColumn(const QString &header, int) override { m_model.addColumn(header); }
    void clearColumns() override { m_model.clearColumns(); }

    void setReportView() override { }
    void setFullRowSelect(bool) override { }
    void setAlternatingRowColors(bool) override { }
    void setManualLabelEdit() override { }
    void setMultiSelect(bool) override { }
    void setPlayMark(int index) override { m_model.setPlayMark(index - 1); }
    int playMark() const override { return m_model.playMark() + 1; }
    void setErrorMark(int index, const QString &reason) override
    {
        m_model.setErrorMark(index - 1, reason);
    }
    void autoSizeColumn(int) override { }
    void refresh() override { }

    // Rows and insertions handed to the list since it was made
    qsizetype added() const { return m_added; }
    int insertions() const { return m_insertions; }

private:
    ReportListModel &m_model;
    qsizetype m_added = 0;
    int m_insertions = 0;
};
