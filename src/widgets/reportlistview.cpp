#include "reportlistview.h"

#include "reportlistmodel.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyle>

#include <algorithm>
#include <limits>

namespace {
constexpr int kTwipsPerPixel = 15;
constexpr int kMeasureSlice = 256;
} // namespace

ReportListView::ReportListView(QWidget *parent)
    : QTreeView(parent), m_model(new ReportListModel(this))
{
    setModel(m_model);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setTextElideMode(Qt::ElideNone);
    header()->setStretchLastSection(false);
    header()->setSectionsMovable(false);

    // A slice is a few milliseconds of text measuring, so that measuring a whole catalogue again
    // after a change of font does not stall the window
    m_measureTimer.setInterval(0);
    connect(&m_measureTimer, &QTimer::timeout, this, [this] {
        measurePending(kMeasureSlice);
        if (m_measured >= count())
            m_measureTimer.stop();
    });
    connect(m_model, &QAbstractItemModel::rowsInserted, this, [this] { m_measureTimer.start(); });
    connect(m_model, &QAbstractItemModel::modelReset, this, [this] { remeasure(); });
    connect(m_model, &QAbstractItemModel::columnsInserted, this, [this] { remeasure(); });
    connect(m_model, &QAbstractItemModel::columnsRemoved, this, [this] { remeasure(); });
}

int ReportListView::count() const
{
    return m_model->rowCount();
}

void ReportListView::clear()
{
    m_model->clearRows();
}

void ReportListView::addRows(const QList<ReportRow> &rows)
{
    m_model->appendRows(rows);
    m_model->showStoredRows();
}

ReportRow ReportListView::item(int index) const
{
    if (index < 1 || index > count())
        return {};
    return m_model->row(index - 1);
}

void ReportListView::select(int index)
{
    if (index < 1 || index > count())
        return;
    setCurrentIndex(m_model->index(index - 1, 0));
}

void ReportListView::ensureVisible(int index)
{
    if (index < 1 || index > count())
        return;
    scrollTo(m_model->index(index - 1, 0));
}

int ReportListView::selectedIndex() const
{
    const QModelIndexList rows = selectionModel()->selectedRows();
    return rows.isEmpty() ? 0 : rows.first().row() + 1;
}

int ReportListView::columnCount() const
{
    return m_model->columnCount();
}

void ReportListView::addColumn(const QString &header, int widthTwips)
{
    m_model->addColumn(header);
    setColumnWidth(m_model->columnCount() - 1, widthTwips / kTwipsPerPixel);
}

void ReportListView::clearColumns()
{
    m_model->clearColumns();
}

void ReportListView::setReportView()
{
    // A tree view without expandable items already shows rows and columns under headers
    setHeaderHidden(false);
}

void ReportListView::setFullRowSelect(bool on)
{
    setSelectionBehavior(on ? QAbstractItemView::SelectRows : QAbstractItemView::SelectItems);
}

void ReportListView::setGridLines(bool on)
{
    setAlternatingRowColors(on);
}

void ReportListView::setManualLabelEdit()
{
    setEditTriggers(QAbstractItemView::NoEditTriggers);
}

void ReportListView::setMultiSelect(bool on)
{
    setSelectionMode(on ? QAbstractItemView::ExtendedSelection
                        : QAbstractItemView::SingleSelection);
}

void ReportListView::autoSizeColumn(int column)
{
    if (column < 1 || column > columnCount())
        return;
    setColumnWidth(column - 1, contentWidth(column - 1));
}

int ReportListView::contentWidth(int column) const
{
    const int margin = 2 * (style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1);
    measurePending(std::numeric_limits<int>::max());
    return m_widest.value(column) + margin;
}

void ReportListView::refresh()
{
    viewport()->update();
}

void ReportListView::mouseReleaseEvent(QMouseEvent *event)
{
    QTreeView::mouseReleaseEvent(event);
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
        QTreeView::keyPressEvent(event);
    }
}

void ReportListView::contextMenuEvent(QContextMenuEvent *event)
{
    // The mouse's popup opens on the button's release; this is the keyboard's way
    if (event->reason() == QContextMenuEvent::Keyboard)
        emit menuRequested();
}

void ReportListView::changeEvent(QEvent *event)
{
    QTreeView::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        remeasure();
}

void ReportListView::measurePending(int limit) const
{
    const int columns = std::min(m_model->columnCount(), 3);
    if (m_widest.size() < columns)
        m_widest.resize(columns, 0);
    const int last = int(std::min<qint64>(count(), qint64(m_measured) + limit));
    const QFontMetrics metrics = fontMetrics();
    for (int row = m_measured; row < last; ++row) {
        for (int column = 0; column < columns; ++column) {
            const ReportListModel::StoredCell cell = m_model->storedCell(row, column);
            QString text = cell.text.toString();
            if (cell.padded)
                text.append(kCellPadding);
            m_widest[column] = std::max(m_widest[column], metrics.horizontalAdvance(text));
        }
    }
    m_measured = last;
}

void ReportListView::remeasure()
{
    m_widest.fill(0, m_model->columnCount());
    m_measured = 0;
    if (count() > 0)
        m_measureTimer.start();
    else
        m_measureTimer.stop();
}
