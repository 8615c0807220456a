#pragma once

#include "controls/reportlist.h"
#include "songlist/songrowstore.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QStringList>

// The rows and column headers of the report list, over a compact row store.
//
// Appending stores rows at once; the views learn of them only at showStoredRows(), so that a view
// lays itself out once for many pages rather than once per page. rowCount() counts the rows the
// views know of, storedRowCount() all of them.
//
// A cell displays what the window can show of it (ShownPrefix); a screen reader reads it whole.
class ReportListModel : public QAbstractTableModel {
    Q_OBJECT

public:
    explicit ReportListModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    // The views ask for the index and flags of many rows at a time; the general versions ask the
    // row and column counts again for each, through virtual calls.
    QModelIndex index(int row, int column, const QModelIndex &parent = {}) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    int storedRowCount() const { return m_rows.size(); }
    const SongRowStore &rows() const { return m_rows; }
    // Raises Failure when the list cannot hold the rows; then none of them is stored.
    void appendRows(const QList<ReportRow> &rows);
    // Tells the views of the rows appended since they last learnt of rows
    void showStoredRows();
    void clearRows();
    // 0-based, any stored row
    ReportRow row(int row) const { return m_rows.row(row); }

    // The marks beside a 0-based row's first cell: the playing row (-1 for none) and the rows
    // that could not be played. Clearing the rows removes them.
    void setPlayMark(int row);
    int playMark() const { return m_playRow; }
    void setErrorMark(int row, const QString &reason);
    // What the marks look like is the view's to say; the model itself needs nothing of the GUI
    void setMarkDecorations(const QVariant &playing, const QVariant &failed);

    void addColumn(const QString &header);
    void clearColumns();

private:
    void markChanged(int row);

    SongRowStore m_rows;
    int m_shownRows = 0;
    QStringList m_headers;
    // Marks are few, so they are kept apart from the rows
    int m_playRow = -1;
    QHash<int, QString> m_errorReasons;
    QVariant m_playDecoration;
    QVariant m_errorDecoration;
};
