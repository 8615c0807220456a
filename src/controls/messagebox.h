#pragma once

#include <QString>
#include <functional>

// A modal message box. It returns at once; `closed` runs once the user has closed the box.
class MessageBox {
public:
    enum class Icon { Information, Warning, Critical };
    enum class Buttons { Ok };

    virtual ~MessageBox() = default;
    virtual void show(const QString &text, const QString &title, Icon icon, Buttons buttons,
                      std::function<void()> closed)
        = 0;
};
