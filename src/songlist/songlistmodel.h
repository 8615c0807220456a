#pragma once

#include "songlist/songmarks.h"
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
//
// A kept list (favourites, history) has a fourth column, the time of each row, and its rows are
// put in and taken out one at a time.
class SongListModel : public QAbstractTableModel {
    Q_OBJECT

public:
    // Whether a row of the list is a favourite (bool), beside the title
    static constexpr int FavouriteRole = Qt::UserRole + 1;

    explicit SongListModel(QObject *parent = nullptr);
    // A list whose fourth column, headed `timeHeader`, shows the time of each row
    explicit SongListModel(const QString &timeHeader, QObject *parent = nullptr);

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
    // rows is one insertion. A kept list gives each row's time too.
    void appendRows(const QList<SongRow> &rows, const QList<qint64> &times = {});
    // Tells the views of the rows appended since they last learnt of rows
    void showStoredRows();
    void clear();
    // A row of a kept list, `time` in milliseconds since the epoch; shown at once
    void insertSong(int at, const SongRow &row, qint64 time);
    void removeSong(int at);
    // The first row of the song `id`, or -1
    int findSong(const QString &id) const;
    qint64 time(int row) const { return m_times.value(row); }
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
    // The songs marked as favourites, which outlive the model
    void setFavourites(const SongMarks &favourites) { m_favourites = &favourites; }
    // The favourites changed: every row's mark is asked again
    void favouritesChanged();

signals:
    // Rows were stored that the views do not know of yet
    void rowsStored();
    // A run ended with these rows in the list
    void finished();

private:
    void markChanged(int row);
    QVariant timeData(int row, int role) const;
    // The marks of the rows from `from` on move by `by`
    void shiftMarks(int from, int by);

    SongRowStore m_rows;
    int m_shownRows = 0;
    const QStringList m_headers;
    // Marks are few, so they are kept apart from the rows
    int m_playRow = -1;
    QHash<int, QString> m_errorReasons;
    QVariant m_playDecoration;
    QVariant m_errorDecoration;
    const SongMarks *m_favourites = nullptr;
    QList<qint64> m_times;
};
