#pragma once

#include <QString>
#include <functional>

// Asks the user where to save a file. The answer never comes from within askSavePath(): the
// question stays open while the program goes on, and `answer` is called once, later, with the
// chosen path, or with an empty one when the user declines.
class SaveDialog {
public:
    using Answer = std::function<void(const QString &path)>;

    virtual ~SaveDialog() = default;
    // `suggestedPath` names the folder the dialog opens in and the file name it proposes
    virtual void askSavePath(const QString &suggestedPath, Answer answer) = 0;
};
