#include "desktopshell.h"

#include "common/logging.h"

#include <QDesktopServices>
#include <QUrl>

void DesktopShell::openAddress(const QString &address)
{
    // Without a browser the program goes on all the same
    if (!QDesktopServices::openUrl(QUrl(address)))
        qCWarning(lcWidgets) << "No program opened" << address;
}
