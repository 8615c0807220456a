#pragma once

#include "controls/reportlist.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QStringList>

// The rows and column headers of the report list. Rows are kept as the list's users gave them.
class ReportListModel : public QAbstractTableModel {
    Q_OBJECT

public:
    explicit ReportListModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    // The tree view asks for the index and flags of every row whenever rows are appended; the
    // general versions ask the row and column counts again for each, through virtual calls.
    QModelIndex index(int row, int column, const QModelIndex &parent = {}) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    void appendRows(const QList<ReportRow> &rows);
    void clearRows();
    // 0-based
    ReportRow row(int row) const;
    // One cell of a 0-based row without copying it; valid until the rows change
    QStringView cell(int row, int column) const { return m_rows.at(row).cell(column); }

    // The marks beside a 0-based row's first cell: the playing row (-1 for none) and the rows
    // that could not be played. Clearing the rows removes them.
    void setPlayMark(int row);
    int playMark() const { return m_playRow; }
    void setErrorMark(int row, const QString &reason);
    // What the marks look like is the view's to say; the model itself needs nothing of the GUI
    void setMarkDecorations(const QVariant &playing, const QVariant &failed);

    void addColumn(const QString &header);
    void clearColumns();

    // A row as kept: its three cells one after the other in one string. A list can hold a
    // whole catalogue, and one allocation per row instead of three keeps it a third smaller.
    struct StoredRow {
        QString cells;
        int subItem1Start = 0;
        int subItem2Start = 0;

        QStringView cell(int column) const;
    };

private:
    void markChanged(int row);

    QList<StoredRow> m_rows;
    QStringList m_headers;
    // Marks are few, so they are kept apart from the rows
    int m_playRow = -1;
    QHash<int, QString> m_errorReasons;
    QVariant m_playDecoration;
    QVariant m_errorDecoration;
};

// Rows move by plain copy when the list grows, rather than being copied and then freed, which
// would briefly need the list twice.
Q_DECLARE_TYPEINFO(ReportListModel::StoredRow, Q_RELOCATABLE_TYPE);
