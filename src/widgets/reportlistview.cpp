#include "reportlistview.h"

#include "listtypeahead.h"
#include "reportrowpainter.h"
#include "rowmarks.h"

#include "common/failure.h"
#include "common/logging.h"
#include "songlist/songlistmodel.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QCursor>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>

#include <algorithm>
#include <limits>
#include <utility>

namespace {

// A slice is a few milliseconds of text measuring, so that measuring a whole catalogue again
// after a change of font does not stall the window
constexpr int kMeasureSlice = 256;

} // namespace

ReportListView::ReportListView(QWidget *parent)
    : QTableView(parent), m_showRows([this] { takeInStoredRows(); }),
      m_typeAhead(new ListTypeAhead(*this))
{
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setAlternatingRowColors(true);
    setShowGrid(false);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    setTabKeyNavigation(false);
    setTextElideMode(Qt::ElideNone);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    verticalHeader()->hide();
    verticalHeader()->setMinimumSectionSize(1);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setSectionsClickable(false);
    // The last column reaches the list's edge rather than leaving an empty header section
    horizontalHeader()->setStretchLastSection(true);
    horizontalHeader()->setSectionsMovable(false);

    m_measureTimer.setInterval(0);
    connect(&m_measureTimer, &QTimer::timeout, this, &ReportListView::measureSlice);
    connect(m_typeAhead, &ListTypeAhead::found, this, &ReportListView::makeFoundRowCurrent);
}

void ReportListView::setListModel(SongListModel &model)
{
    m_model = &model;
    setModel(m_model);
    for (int column = 0; column < m_model->columnCount(); ++column)
        setColumnWidth(column, kColumnWidth);
    drawMarks();
    connect(m_model, &SongListModel::rowsStored, this, &ReportListView::rowsStored);
    connect(m_model, &SongListModel::finished, this, &ReportListView::finishRun);
    connect(m_model, &QAbstractItemModel::modelReset, this, &ReportListView::remeasure);
    m_typeAhead->setRows(*m_model);
    remeasure();
}

void ReportListView::rowsStored()
{
    m_showRows.request();
    if (!m_measureTimer.isActive())
        m_measureTimer.start();
}

void ReportListView::finishRun()
{
    const int rows = m_model->size();
    if (rows == 0)
        return;
    // Finishing is cosmetic; the rows are in place whatever happens here
    if (const auto failure = failureOf([&] {
            selectRow(rows - 1);
            scrollToRow(rows - 1);
            for (int column = 0; column < m_model->columnCount(); ++column) {
                fitColumnToContent(column);
                refresh();
            }
        }))
        qCWarning(lcWidgets) << "List not finished:" << *failure;
}

void ReportListView::selectRow(int row)
{
    showStoredRows();
    if (row < 0 || row >= m_model->size())
        return;
    setCurrentIndex(m_model->index(row, 0));
}

int ReportListView::selectedRow() const
{
    const QModelIndexList rows = selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void ReportListView::scrollToRow(int row)
{
    showStoredRows();
    if (row < 0 || row >= m_model->size())
        return;
    scrollTo(m_model->index(row, 0));
}

void ReportListView::fitColumnToContent(int column)
{
    if (column < 0 || column >= m_model->columnCount())
        return;
    setColumnWidth(column, contentWidth(column));
}

void ReportListView::refresh()
{
    showStoredRows();
    viewport()->update();
}

int ReportListView::contentWidth(int column) const
{
    const int margin = 2 * (style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1);
    m_widths.measure(m_model->rows(), m_model->columnCount(), std::numeric_limits<int>::max());
    return m_widths.widest(column) + margin;
}

void ReportListView::mousePressEvent(QMouseEvent *event)
{
    m_clickPressed = event->button() == Qt::LeftButton;
    m_releaseEndsDoubleClick = false;
    // A press below the rows keeps the selection: the row handlers act on the selected row,
    // whichever part of the list was clicked
    if (!indexAt(event->position().toPoint()).isValid()) {
        setFocus(Qt::MouseFocusReason);
        event->accept();
        return;
    }
    QTableView::mousePressEvent(event);
}

void ReportListView::mouseDoubleClickEvent(QMouseEvent *event)
{
    // The double-click's handler may wait for the service, and the release that ends the
    // double-click arrives during that wait
    m_releaseEndsDoubleClick = true;
    m_clickPressed = false;
    QTableView::mouseDoubleClickEvent(event);
}

void ReportListView::showStoredRows()
{
    m_showRows.flush();
}

void ReportListView::takeInStoredRows()
{
    const int shown = m_model->rowCount();
    m_appendedOutOfView = shown > 0
        && rowViewportPosition(shown - 1) + rowHeight(shown - 1) >= viewport()->height();
    m_model->showStoredRows();
    if (shown == 0)
        fitRowHeight();
}

void ReportListView::doItemsLayout()
{
    if (std::exchange(m_appendedOutOfView, false))
        updateGeometries();
    else
        QTableView::doItemsLayout();
}

void ReportListView::mouseReleaseEvent(QMouseEvent *event)
{
    const bool pressed = std::exchange(m_clickPressed, false);
    const bool endsDoubleClick = std::exchange(m_releaseEndsDoubleClick, false);
    const bool click = pressed && !endsDoubleClick && event->button() == Qt::LeftButton
        && viewport()->rect().contains(event->position().toPoint());
    QTableView::mouseReleaseEvent(event);
    if (click)
        emit rowClicked();
    emit mouseReleased(event->button(), event->modifiers(), event->position().toPoint());
}

void ReportListView::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        emit playRequested();
        return;
    case Qt::Key_Space:
        emit showRequested();
        return;
    default:
        QTableView::keyPressEvent(event);
    }
}

void ReportListView::keyboardSearch(const QString &search)
{
    m_typeAhead->search(search);
}

const TypeAheadBox &ReportListView::typeAheadBox() const
{
    return m_typeAhead->box();
}

void ReportListView::makeFoundRowCurrent(int row)
{
    showStoredRows();
    const QModelIndex index = m_model->index(row, std::max(currentIndex().column(), 0));
    selectionModel()->setCurrentIndex(index, selectionCommand(index));
}

void ReportListView::contextMenuEvent(QContextMenuEvent *event)
{
    // The mouse's popup opens on the button's release; this is the keyboard's way
    if (event->reason() == QContextMenuEvent::Keyboard)
        emit menuRequested();
}

void ReportListView::changeEvent(QEvent *event)
{
    QTableView::changeEvent(event);
    if (!m_model)
        return;
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
        remeasure();
        fitRowHeight();
    }
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange)
        drawMarks();
}

void ReportListView::drawMarks()
{
    m_favouriteMark = RowMarks::favourite(*this);
    if (m_model)
        m_model->setMarkDecorations(RowMarks::playing(*this), RowMarks::failed(*this));
}

void ReportListView::measureSlice()
{
    m_widths.measure(m_model->rows(), m_model->columnCount(), kMeasureSlice);
    if (m_widths.isComplete(m_model->rows()))
        m_measureTimer.stop();
}

void ReportListView::remeasure()
{
    // Whatever changed, the next layout is a whole one
    m_appendedOutOfView = false;
    m_hoverRow = -1;
    m_widths.reset(font(), m_model->columnCount());
    if (m_model->size() > 0)
        m_measureTimer.start();
    else
        m_measureTimer.stop();
}

void ReportListView::fitRowHeight()
{
    if (m_model->rowCount() == 0)
        return;
    QStyleOptionViewItem option;
    QAbstractItemView::initViewItemOption(&option);
    option.rect.setWidth(-1);
    int height = 0;
    for (int column = 0; column < m_model->columnCount(); ++column) {
        const QModelIndex index = m_model->index(0, column);
        height = std::max(height, itemDelegateForIndex(index)->sizeHint(option, index).height());
    }
    verticalHeader()->setDefaultSectionSize(height);
}

bool ReportListView::viewportEvent(QEvent *event)
{
    switch (event->type()) {
    case QEvent::HoverEnter:
    case QEvent::HoverMove:
        hoverAt(static_cast<QHoverEvent *>(event)->position().toPoint());
        break;
    case QEvent::HoverLeave:
        m_hoverRow = -1;
        break;
    default:
        break;
    }
    return QTableView::viewportEvent(event);
}

void ReportListView::hoverAt(QPoint position)
{
    m_hoverRow = rowAt(position.y());
}

void ReportListView::verticalScrollbarValueChanged(int value)
{
    QTableView::verticalScrollbarValueChanged(value);
    // The rows moved under the pointer
    const QPoint pointer = viewport()->mapFromGlobal(QCursor::pos());
    if (viewport()->rect().contains(pointer))
        hoverAt(pointer);
}

void ReportListView::scrollContentsBy(int dx, int dy)
{
    QTableView::scrollContentsBy(dx, dy);
    keepTopRowWhole();
}

void ReportListView::updateGeometries()
{
    QTableView::updateGeometries();
    keepTopRowWhole();
}

void ReportListView::keepTopRowWhole()
{
    if (!m_model || verticalScrollMode() != ScrollPerItem || m_model->rowCount() == 0)
        return;
    const int top = verticalHeader()->sectionPosition(verticalScrollBar()->value());
    if (top >= 0 && verticalHeader()->offset() != top) {
        verticalHeader()->setOffset(top);
        viewport()->update();
    }
}

void ReportListView::paintEvent(QPaintEvent *event)
{
    if (!m_model)
        return;
    QPainter painter(viewport());
    QStyleOptionViewItem option;
    QAbstractItemView::initViewItemOption(&option);
    ReportRowPainter(*this).paint(painter, option, event->rect(), m_hoverRow);
}

QModelIndex ReportListView::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers)
{
    const QModelIndex current = currentIndex();
    const int rows = m_model ? m_model->rowCount() : 0;
    if (rows == 0)
        return {};
    if (!current.isValid())
        return m_model->index(0, 0);
    const int column = current.column();
    switch (cursorAction) {
    case MoveHome:
        return m_model->index(0, column);
    case MoveEnd:
        return m_model->index(rows - 1, column);
    case MovePageUp:
        return m_model->index(pageRow(current.row(), -viewport()->height()), column);
    case MovePageDown:
        return m_model->index(pageRow(current.row(), viewport()->height()), column);
    case MoveLeft:
        return scrolledSideways(-1);
    case MoveRight:
        return scrolledSideways(1);
    default:
        return QTableView::moveCursor(cursorAction, modifiers);
    }
}

int ReportListView::pageRow(int row, int distance) const
{
    const int target = rowAt(rowViewportPosition(row) + distance);
    if (target >= 0)
        return target;
    return distance < 0 ? 0 : m_model->rowCount() - 1;
}

QModelIndex ReportListView::scrolledSideways(int direction)
{
    QScrollBar *const bar = horizontalScrollBar();
    bar->setValue(bar->value() + direction * bar->singleStep());
    return currentIndex();
}
