#pragma once

#include <QString>

// A modal message box. `style` is the classic message-box type value: 48 is one OK button with
// the exclamation icon.
class MessageBox {
public:
    virtual ~MessageBox() = default;
    virtual void show(const QString &text, const QString &title, int style) = 0;
};
