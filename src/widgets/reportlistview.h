#pragma once

#include "controls/reportlist.h"

#include <QList>
#include <QTimer>
#include <QTreeView>

class ReportListModel;

// The report list `ListView1`: a flat tree view over a ReportListModel. It keeps
// the widest item text of every column as rows arrive, so that sizing a column to its content
// does not measure every cell again. New rows are measured when the event loop has nothing else
// to do, which during a list run is while the next page is on its way.
class ReportListView : public QTreeView, public ReportList {
    Q_OBJECT

public:
    explicit ReportListView(QWidget *parent = nullptr);

    ReportListModel &listModel() const { return *m_model; }

    // ReportList
    int count() const override;
    void clear() override;
    void addRows(const QList<ReportRow> &rows) override;
    ReportRow item(int index) const override;
    void select(int index) override;
    void ensureVisible(int index) override;
    int selectedIndex() const override;
    int columnCount() const override;
    void addColumn(const QString &header, int widthTwips) override;
    void clearColumns() override;
    void setReportView() override;
    void setFullRowSelect(bool on) override;
    void setGridLines(bool on) override;
    void setManualLabelEdit() override;
    void setMultiSelect(bool on) override;
    void autoSizeColumn(int column) override;
    void refresh() override;

    // The width that autoSizeColumn() gives a 0-based column; measures the rows not yet measured
    int contentWidth(int column) const;

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

private:
    // Measures up to `limit` of the rows not measured yet
    void measurePending(int limit) const;
    // Starts over, for a new font or new columns, or when the rows are gone
    void remeasure();

    ReportListModel *m_model;
    // A left press began a click in the list
    bool m_clickPressed = false;
    // The next release completes a double-click
    bool m_releaseEndsDoubleClick = false;
    // The widest text of each column over the rows before m_measured: rows are only ever
    // appended or all removed, so the rows still to measure are always the last ones.
    mutable QList<int> m_widest;
    mutable int m_measured = 0;
    // Measures a slice of the pending rows whenever the event loop is idle
    QTimer m_measureTimer;
};
