#pragma once

#include "columnwidths.h"
#include "framethrottle.h"

#include <QIcon>
#include <QTableView>
#include <QTimer>

class SongListModel;
class ListTypeAhead;
class TypeAheadBox;

// The song list's view: a table view over the song list (SongListModel), looking and behaving as a
// flat list of rows with three columns. A table's layout does not grow with its rows, where a
// tree view lays out every row again whenever rows arrive.
//
// Rows are stored as they are appended, but the view takes them in at most once per frame: a
// long run appends far more pages than a screen can show. Selecting, scrolling to a row and
// refreshing take them in first. When a run ends, the view selects the last row, scrolls to it
// and sizes every column to its content. The widest item text of every column is kept as rows
// arrive, so that sizing a column to its content does not measure every cell again; new rows are
// measured when the event loop has nothing else to do, which during a list run is while the next
// page is on its way.
//
// Typing finds a row (ListTypeAhead, beside the view), and the view selects it as the arrow keys
// would.
class ReportListView : public QTableView {
    Q_OBJECT

public:
    // Every column is this wide until a run has ended
    static constexpr int kColumnWidth = 200;

    explicit ReportListView(QWidget *parent = nullptr);

    // The rows shown, which the view does not own
    void setListModel(SongListModel &model);
    SongListModel &listModel() const { return *m_model; }

    // Makes `row` the current and only selected row, as a click on it would; -1 when none is
    void selectRow(int row);
    int selectedRow() const;
    void scrollToRow(int row);
    // Makes a 0-based column as wide as its widest item text; the header does not count
    void fitColumnToContent(int column);
    // Takes in the stored rows and repaints
    void refresh();

    // The width that fitColumnToContent() gives a column; measures the rows not yet measured
    int contentWidth(int column) const;
    // Takes in the rows appended since the view last did, now rather than at the end of the frame
    void showStoredRows();

    // Hands the text typed to the type-ahead
    void keyboardSearch(const QString &search) override;
    const TypeAheadBox &typeAheadBox() const;
    // The heart at the end of a favourite's title, in the list's colours
    const QIcon &favouriteMark() const { return m_favouriteMark; }

signals:
    // A left click anywhere in the list, on a row or below the rows. The release that completes
    // a double-click is not one.
    void rowClicked();
    // A mouse button was released over the list (the popup menu opens on the right button)
    void mouseReleased(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint position);
    // Keyboard users' equivalents: Space shows the current row, Return plays it, and the menu
    // key asks for the popup menu
    void showRequested();
    void playRequested();
    void menuRequested();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void changeEvent(QEvent *event) override;
    bool viewportEvent(QEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;
    void updateGeometries() override;
    // Rows appended below the rows in view change only the scroll bar: nothing in view repaints
    void doItemsLayout() override;
    void verticalScrollbarValueChanged(int value) override;
    // Rows are painted as a list paints them, whole, rather than as a table's cells
    void paintEvent(QPaintEvent *event) override;
    // The keys move as in a list: Home and End go to the first and last row, Left and Right
    // scroll sideways
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;

private:
    void rowsStored();
    // A run ended: its last row is selected and in view, and the columns fit their content
    void finishRun();
    void takeInStoredRows();
    // In the colours of the list's texts, which a skin sets
    void drawMarks();
    void hoverAt(QPoint position);
    void measureSlice();
    // Starts over, for a new font or new columns, or when the rows are gone
    void remeasure();
    // Rows are as high as the first row's texts need, as in a list
    void fitRowHeight();
    // Scrolled to its end, a table lines its last row up with the bottom edge and cuts the top
    // row; a list keeps the top row whole
    void keepTopRowWhole();
    int pageRow(int row, int distance) const;
    QModelIndex scrolledSideways(int direction);
    // Makes the row that typing found current as the arrow keys do
    void makeFoundRowCurrent(int row);

    SongListModel *m_model = nullptr;
    // A left press began a click in the list
    bool m_clickPressed = false;
    // The next release completes a double-click
    bool m_releaseEndsDoubleClick = false;
    FrameThrottle m_showRows;
    // The row under the pointer, which is shown hovered as a whole; -1 for none
    int m_hoverRow = -1;
    // The rows last taken in all lie below the rows in view
    bool m_appendedOutOfView = false;
    mutable ColumnWidths m_widths;
    // Measures a slice of the rows not measured yet whenever the event loop is idle
    QTimer m_measureTimer;
    ListTypeAhead *m_typeAhead;
    QIcon m_favouriteMark;
};
