#pragma once

#include <QList>
#include <QString>
#include <QStringView>

// What every cell of a result row ends with: twelve blanks, which make each column as much wider
// than its longest value when the columns are sized to their content
inline constexpr QStringView kCellPadding = u"            ";

// One row of the report list: the item's text and its two sub-items.
struct ReportRow {
    QString text;
    QString subItem1;
    QString subItem2;

    // subItem(i) of the row: 0 is the item text itself
    const QString &subItem(int i) const { return i == 1 ? subItem1 : i == 2 ? subItem2 : text; }
    bool operator==(const ReportRow &) const = default;
};

// What the list logic needs of the report list `songList`. Positions are 1-based, as the
// list's users count them. The Qt implementation is a model under a table view; tests use fakes.
class ReportList {
public:
    virtual ~ReportList() = default;

    // ListItems
    virtual int count() const = 0;
    virtual void clear() = 0;
    // Appends rows after the existing ones, in order; a page of rows is one insertion.
    virtual void addRows(const QList<ReportRow> &rows) = 0;
    virtual ReportRow item(int index) const = 0;
    virtual void select(int index) = 0;
    virtual void ensureVisible(int index) = 0;
    // SelectedItem: the 1-based position of the selected row, 0 when none is selected
    virtual int selectedIndex() const = 0;

    // ColumnHeaders
    virtual int columnCount() const = 0;
    virtual void addColumn(const QString &header, int widthTwips) = 0;
    virtual void clearColumns() = 0;

    // Display options set at start-up
    virtual void setReportView() = 0;
    virtual void setFullRowSelect(bool on) = 0;
    virtual void setAlternatingRowColors(bool on) = 0;
    virtual void setManualLabelEdit() = 0;
    virtual void setMultiSelect(bool on) = 0;

    // Marks beside a row's first cell. They belong to the rows: clearing the list removes them.
    // The row whose song the player has; 0 for none
    virtual void setPlayMark(int index) = 0;
    virtual int playMark() const = 0;
    // A row whose song could not be played, with the reason as its tooltip
    virtual void setErrorMark(int index, const QString &reason) = 0;

    // Makes a column (1-based) as wide as its widest item text; the header does not count.
    virtual void autoSizeColumn(int column) = 0;
    virtual void refresh() = 0;
};
