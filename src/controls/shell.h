#pragma once

#include <QString>

// Opens an address with the desktop's default handler (the web browser for http addresses).
class Shell {
public:
    virtual ~Shell() = default;
    virtual void openAddress(const QString &address) = 0;
};
