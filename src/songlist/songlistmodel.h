#pragma once

#include "songlist/songrow.h"
#include "songlist/songrowstore.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QStringList>

// The song list: its rows over a compact row store, its three column headers, and the marks of
// the row that plays and of the rows that could not be played. Rows are counted from 0.
//
// Appending stores rows at once; the views learn of them only at showStoredRows(), so that a view
// lays itself out once for many pages rather than once per page. rowCount() counts the rows the
// views know of, size() all of them.
//
// A cell displays what the window can show of it (ShownPrefix); a screen reader reads it whole.
class SongListModel : public QAbstractTableModel {
    Q_OBJECT

public:
    explicit SongListModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    // The views ask for the index and flags of many rows at a time; the general versions ask the
    // row and column counts again for each, through virtual calls.
    QModelIndex index(int row, int column, const QModelIndex &parent = {}) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // Every stored row, shown or not
    int size() const { return m_rows.size(); }
    bool isEmpty() const { return m_rows.isEmpty(); }
    const SongRowStore &rows() const { return m_rows; }
    // Any stored row; an empty row outside the list
    SongRow row(int row) const;
    // Raises Failure when the list cannot hold the rows; then none of them is stored. A page of
    // rows is one insertion.
    void appendRows(const QList<SongRow> &rows);
    // Tells the views of the rows appended since they last learnt of rows
    void showStoredRows();
    void clear();
    // The run that filled the list ended: the views show its last row and fit their columns
    void finish();

    // The marks beside a row's first cell: the playing row (-1 for none) and the rows that could
    // not be played. Clearing the rows removes them.
    void setPlayMark(int row);
    int playMark() const { return m_playRow; }
    void setErrorMark(int row, const QString &reason);
    // Why the row could not be played; empty when it could
    QString errorReason(int row) const { return m_errorReasons.value(row); }
    // What the marks look like is the view's to say; the model itself needs nothing of the GUI
    void setMarkDecorations(const QVariant &playing, const QVariant &failed);

signals:
    // Rows were stored that the views do not know of yet
    void rowsStored();
    // A run ended with these rows in the list
    void finished();

private:
    void markChanged(int row);

    SongRowStore m_rows;
    int m_shownRows = 0;
    const QStringList m_headers;
    // Marks are few, so they are kept apart from the rows
    int m_playRow = -1;
    QHash<int, QString> m_errorReasons;
    QVariant m_playDecoration;
    QVariant m_errorDecoration;
};
