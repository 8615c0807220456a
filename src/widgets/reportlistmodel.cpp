#include "reportlistmodel.h"

#include "common/failure.h"

using namespace Qt::StringLiterals;

namespace {

constexpr int kColumns = 3;
// The top bit of a cell's start marks the cell as padded; the text offsets use the rest
constexpr quint32 kPaddedBit = 0x8000'0000u;
constexpr qsizetype kMaxText = kPaddedBit - 1;

bool isPadded(QStringView cell)
{
    return cell.endsWith(kCellPadding);
}

QStringView unpadded(QStringView cell)
{
    return isPadded(cell) ? cell.chopped(kCellPadding.size()) : cell;
}

} // namespace

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
    if (!index.isValid() || index.row() >= m_shownRows || index.column() >= kColumns)
        return {};
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)
        return cellText(index.row(), index.column());
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

ReportListModel::StoredCell ReportListModel::storedCell(int row, int column) const
{
    const StoredRow &stored = m_rows.at(row);
    const quint32 start = stored.starts[column] & ~kPaddedBit;
    const quint32 end = column + 1 < kColumns ? stored.starts[column + 1] & ~kPaddedBit
        : row + 1 < m_rows.size()             ? m_rows.at(row + 1).starts[0] & ~kPaddedBit
                                              : quint32(m_text.size());
    return {QStringView(m_text).sliced(start, end - start),
            (stored.starts[column] & kPaddedBit) != 0};
}

QString ReportListModel::cellText(int row, int column) const
{
    const StoredCell cell = storedCell(row, column);
    if (!cell.padded)
        return cell.text.toString();
    QString text(cell.text.size() + kCellPadding.size(), Qt::Uninitialized);
    QChar *const out = std::copy(cell.text.begin(), cell.text.end(), text.data());
    std::copy(kCellPadding.begin(), kCellPadding.end(), out);
    return text;
}

ReportRow ReportListModel::row(int row) const
{
    return {cellText(row, 0), cellText(row, 1), cellText(row, 2)};
}

void ReportListModel::appendRows(const QList<ReportRow> &rows)
{
    qsizetype added = 0;
    for (const ReportRow &row : rows) {
        for (int column = 0; column < kColumns; ++column)
            added += unpadded(row.SubItems(column)).size();
    }
    if (added > kMaxText - m_text.size())
        throw Failure(u"列表已满，放不下更多的歌曲"_s);

    // Appending grows both by doubling; reserving a page's worth at a time would copy the whole
    // list for every page
    for (const ReportRow &row : rows) {
        StoredRow stored;
        for (int column = 0; column < kColumns; ++column) {
            const QStringView cell = row.SubItems(column);
            stored.starts[column] = quint32(m_text.size()) | (isPadded(cell) ? kPaddedBit : 0);
            m_text.append(unpadded(cell));
        }
        m_rows.append(stored);
    }
}

void ReportListModel::showStoredRows()
{
    if (m_shownRows == m_rows.size())
        return;
    beginInsertRows({}, m_shownRows, int(m_rows.size()) - 1);
    m_shownRows = int(m_rows.size());
    endInsertRows();
}

void ReportListModel::clearRows()
{
    if (m_rows.isEmpty())
        return;
    beginResetModel();
    m_rows.clear();
    m_rows.squeeze();
    m_text.clear();
    m_text.squeeze();
    m_shownRows = 0;
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
