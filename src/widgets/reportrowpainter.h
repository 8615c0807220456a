#pragma once

#include <QStyleOptionViewItem>

#include <utility>

class QPainter;
class ReportListView;

// Paints the rows of a ReportListView as a list paints them, whole, rather than as a table's
// cells: the selection and the focus frame cover every cell of a row from edge to edge.
class ReportRowPainter {
public:
    explicit ReportRowPainter(const ReportListView &view) : m_view(view) { }

    // The rows that meet `area`, and below the last row the empty rows some styles carry on with
    void paint(QPainter &painter, const QStyleOptionViewItem &option, const QRect &area,
               int hoverRow) const;

private:
    void paintRow(QPainter &painter, const QStyleOptionViewItem &option, int row,
                  std::pair<int, int> columns, int hoverRow) const;
    void paintFavouriteMark(QPainter &painter, const QStyleOptionViewItem &cell) const;
    void paintRowFocus(QPainter &painter, const QStyleOptionViewItem &option, int row) const;
    void paintEmptyRows(QPainter &painter, QStyleOptionViewItem option, int row, int y,
                        int bottom) const;

    const ReportListView &m_view;
};
