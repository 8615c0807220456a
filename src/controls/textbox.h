#pragma once

#include <QString>

// A text box as the handlers use it.
class TextBox {
public:
    virtual ~TextBox() = default;
    virtual QString text() const = 0;
    virtual void setText(const QString &text) = 0;
    virtual void setFocus() = 0;
};
