#pragma once

#include "reportlist.h"

#include <QList>
#include <QTreeView>

class ReportListModel;

// The report list `ListView1`: a flat tree view over a ReportListModel. It keeps the widest item
// text of every column as rows arrive, so that sizing a column to its content does not measure
// every cell again.
class ReportListView : public QTreeView, public ReportList
{
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

    // The width that autoSizeColumn() gives a 0-based column
    int contentWidth(int column) const;

signals:
    // A mouse button was released over the list (the popup menu opens on the right button)
    void mouseReleased(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint position);
    // Keyboard users' equivalents: Space shows the current row, Return plays it, and the menu
    // key asks for the popup menu
    void showRequested();
    void playRequested();
    void menuRequested();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void measureRows(int first, int last);
    void remeasure();

    ReportListModel *m_model;
    QList<int> m_widest;
};
