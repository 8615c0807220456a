#include "reportlistmodel.h"

ReportListModel::ReportListModel(QObject *parent) : QAbstractTableModel(parent) { }

int ReportListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int ReportListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_headers.size());
}

QVariant ReportListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size() || index.column() > 2)
        return {};
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)
        return m_rows.at(index.row()).SubItems(index.column());
    return {};
}

QVariant ReportListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0
        && section < m_headers.size())
        return m_headers.at(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

void ReportListModel::appendRows(const QList<ReportRow> &rows)
{
    if (rows.isEmpty())
        return;
    const int first = int(m_rows.size());
    beginInsertRows({}, first, first + int(rows.size()) - 1);
    m_rows.append(rows);
    endInsertRows();
}

void ReportListModel::clearRows()
{
    if (m_rows.isEmpty())
        return;
    beginResetModel();
    m_rows.clear();
    m_rows.squeeze();
    endResetModel();
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
