#include "reportlistmodel.h"

#include "shownprefix.h"

#include <utility>

ReportListModel::ReportListModel(QObject *parent) : QAbstractTableModel(parent) { }

int ReportListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_shownRows;
}

int ReportListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_headers.size());
}

QModelIndex ReportListModel::index(int row, int column, const QModelIndex &parent) const
{
    if (parent.isValid() || row < 0 || column < 0 || row >= m_shownRows
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
    if (!index.isValid() || index.row() >= m_shownRows || index.column() >= SongRowStore::kColumns)
        return {};
    if (role == Qt::DisplayRole) {
        QString shown;
        ShownPrefix::appendCell(m_rows, index.row(), index.column(), shown);
        return shown;
    }
    if (role == Qt::AccessibleTextRole)
        return m_rows.cellText(index.row(), index.column());
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
    // Rows have no headers: a list does not number its rows
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0
        && section < m_headers.size())
        return m_headers.at(section);
    return {};
}

void ReportListModel::appendRows(const QList<ReportRow> &rows)
{
    m_rows.append(rows);
}

void ReportListModel::showStoredRows()
{
    if (m_shownRows == m_rows.size())
        return;
    beginInsertRows({}, m_shownRows, m_rows.size() - 1);
    m_shownRows = m_rows.size();
    endInsertRows();
}

void ReportListModel::clearRows()
{
    if (m_rows.isEmpty())
        return;
    beginResetModel();
    m_rows.clear();
    m_shownRows = 0;
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
    if (row < 0 || row >= storedRowCount())
        row = -1;
    const int previous = std::exchange(m_playRow, row);
    markChanged(previous);
    markChanged(row);
}

void ReportListModel::setErrorMark(int row, const QString &reason)
{
    if (row < 0 || row >= storedRowCount())
        return;
    m_errorReasons.insert(row, reason);
    markChanged(row);
}

void ReportListModel::markChanged(int row)
{
    // Rows the views do not know of yet get their marks when they are shown
    if (row < 0 || row >= m_shownRows || m_headers.isEmpty())
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
