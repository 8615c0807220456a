#include "desktopshell.h"

#include <QDesktopServices>
#include <QUrl>

void DesktopShell::openAddress(const QString &address)
{
    // The result is of no consequence: without a browser the program goes on all the same
    QDesktopServices::openUrl(QUrl(address));
}
