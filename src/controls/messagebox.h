#pragma once

#include <QString>
#include <functional>

// A modal message box. It returns at once; `closed` runs once the user has closed the box.
class MessageBox {
public:
    // The classic message-box type values
    enum class Style { ExclamationOk = 48 };

    virtual ~MessageBox() = default;
    virtual void show(const QString &text, const QString &title, Style style,
                      std::function<void()> closed)
        = 0;
};
