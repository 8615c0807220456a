#include "reportrowpainter.h"

#include "reportlistview.h"
#include "songlist/songlistmodel.h"

#include <QHeaderView>
#include <QPainter>
#include <QStyle>

#include <algorithm>

namespace {

QStyleOptionViewItem::ViewItemPosition positionInRow(int column, int columns)
{
    if (columns == 1)
        return QStyleOptionViewItem::OnlyOne;
    if (column == 0)
        return QStyleOptionViewItem::Beginning;
    return column + 1 == columns ? QStyleOptionViewItem::End : QStyleOptionViewItem::Middle;
}

} // namespace

void ReportRowPainter::paint(QPainter &painter, const QStyleOptionViewItem &option,
                             const QRect &area, int hoverRow) const
{
    const SongListModel &model = m_view.listModel();
    const int left = m_view.columnAt(area.left());
    const int right = m_view.columnAt(area.right());
    const std::pair columns {std::max(left, 0), right < 0 ? model.columnCount() - 1 : right};

    const int rows = model.rowCount();
    const int first = m_view.rowAt(area.top());
    int row = first < 0 ? rows : first;
    for (; row < rows && m_view.rowViewportPosition(row) <= area.bottom(); ++row)
        paintRow(painter, option, row, columns, hoverRow);
    const int y = row > 0 ? m_view.rowViewportPosition(row - 1) + m_view.rowHeight(row - 1) : 0;
    if (y <= area.bottom())
        paintEmptyRows(painter, option, row, y, area.bottom());
}

void ReportRowPainter::paintRow(QPainter &painter, const QStyleOptionViewItem &option, int row,
                                std::pair<int, int> columns, int hoverRow) const
{
    const SongListModel &model = m_view.listModel();
    QStyleOptionViewItem cell = option;
    // Whole rows are selected: the selection covers every cell from edge to edge
    cell.showDecorationSelected = true;
    QStyle::State state = option.state;
    state.setFlag(QStyle::State_Sibling, row + 1 < model.rowCount());
    state.setFlag(QStyle::State_MouseOver, row == hoverRow);
    cell.features.setFlag(QStyleOptionViewItem::Alternate,
                          m_view.alternatingRowColors() && (row & 1));
    cell.palette.setCurrentColorGroup(state & QStyle::State_Active ? QPalette::Active
                                                                   : QPalette::Inactive);
    const int y = m_view.rowViewportPosition(row);
    for (int column = columns.first; column <= columns.second; ++column) {
        const QModelIndex index = model.index(row, column);
        cell.state = state;
        cell.state.setFlag(QStyle::State_Selected, m_view.selectionModel()->isSelected(index));
        cell.viewItemPosition = positionInRow(column, model.columnCount());
        cell.rect = QRect(m_view.columnViewportPosition(column), y, m_view.columnWidth(column),
                          m_view.rowHeight(row));
        // The row's own background, alternating; the item paints the selection over it
        QStyleOptionViewItem background = cell;
        background.state &= ~QStyle::State_Selected;
        m_view.style()->drawPrimitive(QStyle::PE_PanelItemViewRow, &background, &painter, &m_view);
        m_view.itemDelegateForIndex(index)->paint(&painter, cell, index);
        if (column == 0 && model.data(index, SongListModel::FavouriteRole).toBool())
            paintFavouriteMark(painter, cell);
    }
    if (m_view.hasFocus() && m_view.currentIndex().row() == row)
        paintRowFocus(painter, option, row);
}

void ReportRowPainter::paintFavouriteMark(QPainter &painter, const QStyleOptionViewItem &cell) const
{
    // At the end of the title's cell, in the blanks that every title ends with
    const int size = m_view.style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, &m_view);
    const QRect place(cell.rect.right() - size - 2, cell.rect.center().y() - size / 2, size, size);
    m_view.favouriteMark().paint(&painter, place, Qt::AlignCenter,
                                 cell.state & QStyle::State_Selected ? QIcon::Selected
                                                                     : QIcon::Normal);
}

void ReportRowPainter::paintRowFocus(QPainter &painter, const QStyleOptionViewItem &option,
                                     int row) const
{
    // One frame around the whole row, whatever cell is current
    QStyleOptionFocusRect focus;
    focus.QStyleOption::operator=(option);
    focus.state |= QStyle::State_KeyboardFocusChange;
    const QPalette::ColorGroup group
        = option.state & QStyle::State_Enabled ? QPalette::Normal : QPalette::Disabled;
    const bool selected = m_view.selectionModel()->isRowSelected(row);
    focus.backgroundColor
        = option.palette.color(group, selected ? QPalette::Highlight : QPalette::Window);
    const QHeaderView &header = *m_view.horizontalHeader();
    const QRect rect(-header.offset(), m_view.rowViewportPosition(row), header.length(),
                     m_view.rowHeight(row));
    focus.rect
        = m_view.style()->visualRect(m_view.layoutDirection(), m_view.viewport()->rect(), rect);
    m_view.style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter);
}

void ReportRowPainter::paintEmptyRows(QPainter &painter, QStyleOptionViewItem option, int row,
                                      int y, int bottom) const
{
    // Some styles carry the alternating rows on below the last one
    if (!m_view.alternatingRowColors()
        || !m_view.style()->styleHint(QStyle::SH_ItemView_PaintAlternatingRowColorsForEmptyArea,
                                      &option, &m_view))
        return;
    const int height = m_view.verticalHeader()->defaultSectionSize();
    for (; y <= bottom; y += height, ++row) {
        option.rect = QRect(0, y, m_view.viewport()->width(), height);
        option.features.setFlag(QStyleOptionViewItem::Alternate, row & 1);
        m_view.style()->drawPrimitive(QStyle::PE_PanelItemViewRow, &option, &painter, &m_view);
    }
}
