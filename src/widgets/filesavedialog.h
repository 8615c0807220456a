#pragma once

#include "controls/savedialog.h"

class QWidget;

// Asks where to save a download with a file dialog, window-modal over `parent`: the program goes
// on while it is open, and the answer comes when the user closes it. The dialog itself asks
// before an existing file is replaced.
class FileSaveDialog : public SaveDialog {
public:
    explicit FileSaveDialog(QWidget &parent) : m_parent(parent) { }

    void askSavePath(const QString &suggestedPath, Answer answer) override;

private:
    QWidget &m_parent;
};
