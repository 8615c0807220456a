#pragma once

#include "controls/reportlist.h"

#include <QAbstractTableModel>
#include <QStringList>

// The rows and column headers of the report list. Rows are read back as the list's users gave
// them, but are kept compactly: a list can hold a whole catalogue.
//
// Appending stores rows at once; the views learn of them only at showStoredRows(), so that a view
// lays itself out once for many pages rather than once per page. rowCount() counts the rows the
// views know of, storedRowCount() all of them.
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

    int storedRowCount() const { return int(m_rows.size()); }
    // Raises Failure when the list cannot hold the rows; then none of them is stored.
    void appendRows(const QList<ReportRow> &rows);
    // Tells the views of the rows appended since they last learnt of rows
    void showStoredRows();
    void clearRows();
    // 0-based, any stored row
    ReportRow row(int row) const;

    // One cell of a stored row as kept: its text without the trailing blanks that reading the
    // cell adds back when `padded` is set. Valid until the rows change.
    struct StoredCell {
        QStringView text;
        bool padded = false;
    };
    StoredCell storedCell(int row, int column) const;

    void addColumn(const QString &header);
    void clearColumns();

private:
    QString cellText(int row, int column) const;

    // Where a row's three cells start in m_text. A cell ends where the next one starts, the
    // last cell of a row where the next row starts. The top bit of a start marks a padded cell.
    struct StoredRow {
        quint32 starts[3];
    };

    // The text of every cell, one after the other, without the twelve blanks nearly all of
    // them end with: a row's text is a third of what it would be with the blanks.
    QString m_text;
    QList<StoredRow> m_rows;
    int m_shownRows = 0;
    QStringList m_headers;
};
