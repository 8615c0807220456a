#include "songlistmodel.h"

#include "celltext.h"
#include "shownprefix.h"

#include <QDateTime>

#include <algorithm>
#include <utility>

using namespace Qt::StringLiterals;

SongListModel::SongListModel(QObject *parent)
    : QAbstractTableModel(parent), m_headers({u"歌曲名称："_s, u"歌曲编号："_s, u"歌曲ID："_s})
{
}

SongListModel::SongListModel(const QString &timeHeader, QObject *parent)
    : QAbstractTableModel(parent),
      m_headers({u"歌曲名称："_s, u"歌曲编号："_s, u"歌曲ID："_s, timeHeader})
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
    if (!index.isValid() || index.row() >= m_shownRows)
        return {};
    if (index.column() >= SongRowStore::kColumns)
        return timeData(index.row(), role);
    if (role == Qt::DisplayRole) {
        QString shown;
        ShownPrefix::appendCell(m_rows, index.row(), index.column(), shown);
        return shown;
    }
    if (role == Qt::AccessibleTextRole)
        return m_rows.cellText(index.row(), index.column());
    if (index.column() != 0)
        return {};
    if (role == FavouriteRole)
        return m_favourites && m_favourites->isMarked(m_rows.cellText(index.row(), 2));
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

void SongListModel::appendRows(const QList<SongRow> &rows, const QList<qint64> &times)
{
    if (rows.isEmpty())
        return;
    m_rows.append(rows);
    m_times.append(times);
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
    m_times.clear();
    endResetModel();
}

QVariant SongListModel::timeData(int row, int role) const
{
    if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole)
        return {};
    return QDateTime::fromMSecsSinceEpoch(m_times.value(row)).toString(u"yyyy-MM-dd HH:mm"_s);
}

void SongListModel::insertSong(int at, const SongRow &row, qint64 time)
{
    // Rows stored but not shown yet come first: a kept list shows every row at once
    showStoredRows();
    at = std::clamp(at, 0, size());
    beginInsertRows({}, at, at);
    m_rows.insert(at, row);
    m_times.insert(at, time);
    ++m_shownRows;
    shiftMarks(at, 1);
    endInsertRows();
}

void SongListModel::removeSong(int at)
{
    if (at < 0 || at >= m_shownRows)
        return;
    beginRemoveRows({}, at, at);
    m_rows.remove(at);
    if (at < m_times.size())
        m_times.remove(at);
    --m_shownRows;
    if (m_playRow == at)
        m_playRow = -1;
    m_errorReasons.remove(at);
    shiftMarks(at + 1, -1);
    endRemoveRows();
}

void SongListModel::shiftMarks(int from, int by)
{
    if (m_playRow >= from)
        m_playRow += by;
    QHash<int, QString> reasons;
    for (auto reason = m_errorReasons.cbegin(); reason != m_errorReasons.cend(); ++reason)
        reasons.insert(reason.key() >= from ? reason.key() + by : reason.key(), reason.value());
    m_errorReasons = std::move(reasons);
}

int SongListModel::findSong(const QString &id) const
{
    const CellText wanted = CellText::ofCell(id);
    for (int row = 0; row < size(); ++row) {
        const CellText found = m_rows.cells(row).id;
        if (found.size() != wanted.size())
            continue;
        qsizetype i = 0;
        while (i < found.size() && found.at(i) == wanted.at(i))
            ++i;
        if (i == found.size() && m_rows.cellText(row, 2) == id)
            return row;
    }
    return -1;
}

void SongListModel::favouritesChanged()
{
    if (m_shownRows > 0)
        emit dataChanged(index(0, 0), index(m_shownRows - 1, 0), {FavouriteRole});
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
