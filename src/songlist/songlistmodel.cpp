#include "songlistmodel.h"

#include "shownprefix.h"

#include <utility>

using namespace Qt::StringLiterals;

SongListModel::SongListModel(QObject *parent)
    : QAbstractTableModel(parent), m_headers({u"歌曲名称："_s, u"歌曲编号："_s, u"歌曲ID："_s})
{
}

int SongListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_shownRows;
}

int SongListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_headers.size());
}

QModelIndex SongListModel::index(int row, int column, const QModelIndex &parent) const
{
    if (parent.isValid() || row < 0 || column < 0 || row >= m_shownRows
        || column >= m_headers.size())
        return {};
    return createIndex(row, column);
}

Qt::ItemFlags SongListModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemNeverHasChildren;
}

QVariant SongListModel::data(const QModelIndex &index, int role) const
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

QVariant SongListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    // Rows have no headers: a list does not number its rows
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0
        && section < m_headers.size())
        return m_headers.at(section);
    return {};
}

SongRow SongListModel::row(int row) const
{
    if (row < 0 || row >= size())
        return {};
    return m_rows.row(row);
}

void SongListModel::appendRows(const QList<SongRow> &rows)
{
    if (rows.isEmpty())
        return;
    m_rows.append(rows);
    emit rowsStored();
}

void SongListModel::showStoredRows()
{
    if (m_shownRows == m_rows.size())
        return;
    beginInsertRows({}, m_shownRows, m_rows.size() - 1);
    m_shownRows = m_rows.size();
    endInsertRows();
}

void SongListModel::finish()
{
    emit finished();
}

void SongListModel::clear()
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

void SongListModel::setMarkDecorations(const QVariant &playing, const QVariant &failed)
{
    m_playDecoration = playing;
    m_errorDecoration = failed;
}

void SongListModel::setPlayMark(int row)
{
    if (row < 0 || row >= size())
        row = -1;
    const int previous = std::exchange(m_playRow, row);
    markChanged(previous);
    markChanged(row);
}

void SongListModel::setErrorMark(int row, const QString &reason)
{
    if (row < 0 || row >= size())
        return;
    m_errorReasons.insert(row, reason);
    markChanged(row);
}

void SongListModel::markChanged(int row)
{
    // Rows the views do not know of yet get their marks when they are shown
    if (row < 0 || row >= m_shownRows || m_headers.isEmpty())
        return;
    const QModelIndex cell = index(row, 0);
    emit dataChanged(cell, cell, {Qt::DecorationRole, Qt::ToolTipRole});
}
