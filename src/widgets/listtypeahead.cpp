#include "listtypeahead.h"

#include "typeaheadbox.h"

#include "common/failure.h"
#include "common/logging.h"
#include "songlist/songlistmodel.h"
#include "songlist/typeahead.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QKeyEvent>

#include <algorithm>

// A child of the viewport made before the box, so that it goes before the box does
ListTypeAhead::ListTypeAhead(QAbstractItemView &view)
    : QObject(view.viewport()), m_view(view), m_box(new TypeAheadBox(view.viewport()))
{
    view.installEventFilter(this);
    view.viewport()->installEventFilter(this);
}

void ListTypeAhead::setRows(const SongListModel &model)
{
    m_model = &model;
    // A text typed for the rows that are gone finds nothing in the new ones
    connect(m_model, &QAbstractItemModel::modelReset, m_box, &QWidget::hide);
}

void ListTypeAhead::search(const QString &text)
{
    const bool goesOn = m_box->isVisible() && m_sinceTyped.isValid()
        && m_sinceTyped.elapsed() <= QApplication::keyboardInputInterval();
    m_typed = goesOn ? m_typed + text : text;
    const int current = currentRow();
    find(goesOn || current < 0 ? std::max(current, 0) : current + 1, 1);
    // From the end of the search, so that a long list does not eat up the interval
    m_sinceTyped.start();
}

bool ListTypeAhead::eventFilter(QObject *watched, QEvent *event)
{
    const bool onView = watched == &m_view;
    if (onView && event->type() == QEvent::KeyPress && m_box->isVisible())
        return stepKey(static_cast<const QKeyEvent &>(*event));
    if ((onView && event->type() == QEvent::FocusOut)
        || (!onView && event->type() == QEvent::MouseButtonPress))
        m_box->hide();
    return false;
}

bool ListTypeAhead::stepKey(const QKeyEvent &event)
{
    const int current = currentRow();
    const Qt::KeyboardModifiers modifiers = event.modifiers() & ~Qt::KeypadModifier;
    if (event.key() == Qt::Key_Escape && modifiers == Qt::NoModifier)
        m_box->hide();
    else if ((event.key() == Qt::Key_Down || event.key() == Qt::Key_F3)
             && modifiers == Qt::NoModifier)
        find(current + 1, 1);
    else if ((event.key() == Qt::Key_Up && modifiers == Qt::NoModifier)
             || (event.key() == Qt::Key_F3 && modifiers == Qt::ShiftModifier))
        find(current - 1, -1);
    else
        return false;
    return true;
}

void ListTypeAhead::find(int start, int step)
{
    if (!m_model)
        return;
    int row = -1;
    // Memory running out ends the step of a key press, not the program; the selection stays
    if (const auto failure
        = failureOf([&] { row = TypeAheadText(m_typed).findRow(m_model->rows(), start, step); })) {
        qCWarning(lcWidgets) << "Typing found no row:" << *failure;
        return;
    }
    m_box->showTyped(m_typed, row >= 0);
    if (row >= 0)
        emit found(row);
}

int ListTypeAhead::currentRow() const
{
    return m_view.currentIndex().row();
}
