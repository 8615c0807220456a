#include "buttoncaption.h"

#include <QAbstractButton>

QString ButtonCaption::caption() const
{
    return m_button.text();
}

void ButtonCaption::setCaption(const QString &caption)
{
    m_button.setText(caption);
}
