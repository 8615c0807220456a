#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>

class QAbstractItemView;
class QKeyEvent;
class SongListModel;
class TypeAheadBox;

// Finding a row of the song list by typing its title, the title's pinyin or initials, its serial
// or its identifier (songlist/typeahead.h). It sits beside the view, which only hands it the text
// typed: the box that shows that text, the keys that go on to the next row found and what closes
// the box are its own. While the box is shown, Down and Up (F3 and Shift+F3) go to the next and
// previous row the text finds, and Escape closes the box.
class ListTypeAhead : public QObject {
    Q_OBJECT

public:
    explicit ListTypeAhead(QAbstractItemView &view);

    // The rows searched, which it does not own
    void setRows(const SongListModel &model);
    // Keys typed within the application's keyboard input interval of each other make one text;
    // a new text starts below the current row, a longer one at it
    void search(const QString &text);
    const TypeAheadBox &box() const { return *m_box; }

signals:
    // The text typed finds `row` (0-based): the view makes it current as the arrow keys do
    void found(int row);

protected:
    // The view's keys, its losing the focus and a press in its rows
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // The keys that go from one row the text finds to the next while the box is shown; false for
    // any other key
    bool stepKey(const QKeyEvent &event);
    // Finds the row from `start` on, going by `step`; the selection stays when it finds none
    void find(int start, int step);
    int currentRow() const;

    QAbstractItemView &m_view;
    const SongListModel *m_model = nullptr;
    TypeAheadBox *m_box;
    QString m_typed;
    QElapsedTimer m_sinceTyped;
};
