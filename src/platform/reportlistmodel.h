#pragma once

#include "reportlist.h"

#include <QAbstractTableModel>
#include <QStringList>

// The rows and column headers of the report list. Rows are kept as the list's users gave them.
class ReportListModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    explicit ReportListModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    void appendRows(const QList<ReportRow> &rows);
    void clearRows();
    // 0-based
    const ReportRow &row(int row) const { return m_rows.at(row); }

    void addColumn(const QString &header);
    void clearColumns();

private:
    QList<ReportRow> m_rows;
    QStringList m_headers;
};
