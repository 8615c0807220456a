#pragma once

#include "controls/commandcaption.h"

class QAbstractButton;

// The caption of a push button
class ButtonCaption : public CommandCaption {
public:
    explicit ButtonCaption(QAbstractButton &button) : m_button(button) { }
    QString caption() const override;
    void setCaption(const QString &caption) override;

private:
    QAbstractButton &m_button;
};
