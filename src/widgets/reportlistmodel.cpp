#include "reportlistmodel.h"

#include <utility>

namespace {

ReportListModel::StoredRow stored(const ReportRow &row)
{
    ReportListModel::StoredRow stored;
    stored.cells.reserve(row.text.size() + row.subItem1.size() + row.subItem2.size());
    stored.cells.append(row.text);
    stored.subItem1Start = int(stored.cells.size());
    stored.cells.append(row.subItem1);
    stored.subItem2Start = int(stored.cells.size());
    stored.cells.append(row.subItem2);
    return stored;
}

} // namespace

QStringView ReportListModel::StoredRow::cell(int column) const
{
    const QStringView all(cells);
    switch (column) {
    case 0:
        return all.first(subItem1Start);
    case 1:
        return all.sliced(subItem1Start, subItem2Start - subItem1Start);
    case 2:
        return all.sliced(subItem2Start);
    default:
        return {};
    }
}

ReportListModel::ReportListModel(QObject *parent) : QAbstractTableModel(parent) { }

int ReportListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int ReportListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_headers.size());
}

QModelIndex ReportListModel::index(int row, int column, const QModelIndex &parent) const
{
    if (parent.isValid() || row < 0 || column < 0 || row >= m_rows.size()
        || column >= m_headers.size())
        return {};
    return createIndex(row, column);
}

Qt::ItemFlags ReportListModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemNeverHasChildren;
}

QVariant ReportListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size() || index.column() > 2)
        return {};
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)
        return m_rows.at(index.row()).cell(index.column()).toString();
    if (index.column() != 0)
        return {};
    const auto error = m_errorReasons.constFind(index.row());
    if (role == Qt::ToolTipRole && error != m_errorReasons.cend())
        return *error;
    if (role != Qt::DecorationRole)
        return {};
    // A row that failed keeps its error mark when it is tried again
    if (error != m_errorReasons.cend())
        return m_errorDecoration;
    if (index.row() == m_playRow)
        return m_playDecoration;
    return {};
}

QVariant ReportListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0
        && section < m_headers.size())
        return m_headers.at(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

ReportRow ReportListModel::row(int row) const
{
    const StoredRow &stored = m_rows.at(row);
    return {stored.cell(0).toString(), stored.cell(1).toString(), stored.cell(2).toString()};
}

void ReportListModel::appendRows(const QList<ReportRow> &rows)
{
    if (rows.isEmpty())
        return;
    const int first = int(m_rows.size());
    beginInsertRows({}, first, first + int(rows.size()) - 1);
    for (const ReportRow &row : rows)
        m_rows.append(stored(row));
    endInsertRows();
}

void ReportListModel::clearRows()
{
    if (m_rows.isEmpty())
        return;
    beginResetModel();
    m_rows.clear();
    m_rows.squeeze();
    m_playRow = -1;
    m_errorReasons.clear();
    endResetModel();
}

void ReportListModel::setMarkDecorations(const QVariant &playing, const QVariant &failed)
{
    m_playDecoration = playing;
    m_errorDecoration = failed;
}

void ReportListModel::setPlayMark(int row)
{
    if (row < 0 || row >= m_rows.size())
        row = -1;
    const int previous = std::exchange(m_playRow, row);
    markChanged(previous);
    markChanged(row);
}

void ReportListModel::setErrorMark(int row, const QString &reason)
{
    if (row < 0 || row >= m_rows.size())
        return;
    m_errorReasons.insert(row, reason);
    markChanged(row);
}

void ReportListModel::markChanged(int row)
{
    if (row < 0 || m_headers.isEmpty())
        return;
    const QModelIndex cell = index(row, 0);
    emit dataChanged(cell, cell, {Qt::DecorationRole, Qt::ToolTipRole});
}

void ReportListModel::addColumn(const QString &header)
{
    const int column = int(m_headers.size());
    beginInsertColumns({}, column, column);
    m_headers.append(header);
    endInsertColumns();
}

void ReportListModel::clearColumns()
{
    if (m_headers.isEmpty())
        return;
    beginRemoveColumns({}, 0, int(m_headers.size()) - 1);
    m_headers.clear();
    endRemoveColumns();
}
