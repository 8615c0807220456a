#pragma once

#include "controls/shell.h"

// Opens addresses with the desktop's default handler.
class DesktopShell : public Shell {
public:
    void openAddress(const QString &address) override;
};
