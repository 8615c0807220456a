#include "lineedittextbox.h"

#include <QLineEdit>

QString LineEditTextBox::text() const
{
    return m_edit.text();
}

void LineEditTextBox::setText(const QString &text)
{
    m_edit.setText(text);
    // Long links should show their beginning, where the host is
    m_edit.setCursorPosition(0);
}

void LineEditTextBox::setFocus()
{
    m_edit.setFocus(Qt::OtherFocusReason);
}
