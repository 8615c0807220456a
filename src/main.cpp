#include "app/commandline.h"
#include "app/desktopintegration.h"
#include "app/form1.h"
#include "app/programidentity.h"
#include "app/singleinstance.h"
#include "app/startup.h"
#include "player/soundservernotice.h"

#include <QApplication>
#include <QDBusConnection>

int main(int argc, char *argv[])
{
    // Help, the version and the switches for the running window need no window of their own
    if (CommandLine::wantsNoWindow(argc, argv)) {
        const QCoreApplication app(argc, argv);
        setProgramIdentity();
        installQtTranslations();
        return SingleInstance::send(CommandLine::parse(app));
    }

    QApplication app(argc, argv);
    sayOnceWhenNoSoundServer();
    setProgramIdentity();
    CommandLine::parse(app);
    // A second start brings the running window to the front instead
    SingleInstance instance;
    if (!instance.claim())
        return SingleInstance::send(InstanceCommand::Raise);
    installQtTranslations();
    followSystemProxy();

    FormEnvironment environment;
    environment.serviceBase = catalogueServiceBase();
    Form1 window(environment);
    openMainWindow(window);

    DesktopIntegration desktop(window, QDBusConnection::sessionBus());
    desktop.serve(instance);
    return app.exec();
}
