#include "app/desktopintegration.h"
#include "app/form1.h"
#include "app/programidentity.h"

#include <QApplication>
#include <QDBusConnection>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    setProgramIdentity();

    Form1 window;
    window.Form_Load();
    window.show();

    const DesktopIntegration desktop(window, QDBusConnection::sessionBus());
    return app.exec();
}
