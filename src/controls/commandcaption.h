#pragma once

#include <QString>

// The caption of a push button, which for `Command1` is also the state of the search command.
class CommandCaption {
public:
    virtual ~CommandCaption() = default;
    virtual QString caption() const = 0;
    virtual void setCaption(const QString &caption) = 0;
};
