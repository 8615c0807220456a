#pragma once

#include "controls/messagebox.h"

class QWidget;

// The message box, shown modal over the window with the icon and buttons asked for.
class MessageBoxDialog : public MessageBox {
public:
    explicit MessageBoxDialog(QWidget *parent) : m_parent(parent) { }
    void show(const QString &text, const QString &title, Icon icon, Buttons buttons,
              std::function<void()> closed) override;

private:
    QWidget *m_parent;
};
