#include "reportlistadapter.h"

#include "reportlistmodel.h"
#include "reportlistview.h"

#include "common/twips.h"

#include <QHeaderView>

int ReportListAdapter::count() const
{
    return m_view.rowCount();
}

void ReportListAdapter::clear()
{
    m_view.clearRows();
}

void ReportListAdapter::addRows(const QList<ReportRow> &rows)
{
    m_view.appendRows(rows);
}

ReportRow ReportListAdapter::item(int index) const
{
    return m_view.row(index - 1);
}

void ReportListAdapter::select(int index)
{
    m_view.selectRow(index - 1);
}

void ReportListAdapter::ensureVisible(int index)
{
    m_view.scrollToRow(index - 1);
}

int ReportListAdapter::selectedIndex() const
{
    return m_view.selectedRow() + 1;
}

int ReportListAdapter::columnCount() const
{
    return m_view.listModel().columnCount();
}

void ReportListAdapter::addColumn(const QString &header, int widthTwips)
{
    m_view.addColumn(header, twipsToPixels(widthTwips));
}

void ReportListAdapter::clearColumns()
{
    m_view.clearColumns();
}

void ReportListAdapter::setReportView()
{
    m_view.horizontalHeader()->show();
}

void ReportListAdapter::setFullRowSelect(bool on)
{
    m_view.setSelectionBehavior(on ? QAbstractItemView::SelectRows
                                   : QAbstractItemView::SelectItems);
}

void ReportListAdapter::setAlternatingRowColors(bool on)
{
    m_view.setAlternatingRowColors(on);
}

void ReportListAdapter::setManualLabelEdit()
{
    m_view.setEditTriggers(QAbstractItemView::NoEditTriggers);
}

void ReportListAdapter::setMultiSelect(bool on)
{
    m_view.setSelectionMode(on ? QAbstractItemView::ExtendedSelection
                               : QAbstractItemView::SingleSelection);
}

void ReportListAdapter::setPlayMark(int index)
{
    m_view.setPlayMark(index - 1);
}

int ReportListAdapter::playMark() const
{
    return m_view.playMark() + 1;
}

void ReportListAdapter::setErrorMark(int index, const QString &reason)
{
    m_view.setErrorMark(index - 1, reason);
}

void ReportListAdapter::autoSizeColumn(int column)
{
    m_view.fitColumnToContent(column - 1);
}

void ReportListAdapter::refresh()
{
    m_view.refresh();
}
