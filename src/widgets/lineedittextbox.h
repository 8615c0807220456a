#pragma once

#include "controls/textbox.h"

class QLineEdit;

// A QLineEdit as a text box of the handlers.
class LineEditTextBox : public TextBox {
public:
    explicit LineEditTextBox(QLineEdit &edit) : m_edit(edit) { }
    QString text() const override;
    void setText(const QString &text) override;
    void setFocus() override;

private:
    QLineEdit &m_edit;
};
