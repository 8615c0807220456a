#pragma once

#include <QDialog>

class QTableWidget;

// "键盘快捷键": every action of `window` that has keys, read from the actions each time it
// opens, so that the list says what the keys do now
class ShortcutsDialog : public QDialog {
    Q_OBJECT

public:
    explicit ShortcutsDialog(QWidget &window);

    void bringUp();

private:
    void list();

    QWidget &m_window;
    QTableWidget *m_table = nullptr;
};
