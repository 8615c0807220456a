#include "app/application.h"
#include "app/commandline.h"
#include "app/programidentity.h"
#include "app/singleinstance.h"
#include "player/soundservernotice.h"

#include <QApplication>
#include <QDBusConnection>

int main(int argc, char *argv[])
{
    // Read before anything of the GUI starts: help, the version, a mistake and the switches for
    // the running window need no display
    if (CommandLine::wantsNoWindow(argc, argv)) {
        const QCoreApplication app(argc, argv);
        setProgramIdentity();
        installQtTranslations();
        return SingleInstance::send(CommandLine::parse(app));
    }

    QApplication app(argc, argv);
    sayOnceWhenNoSoundServer();
    setProgramIdentity();
    // Every window's, the downloads window and the dialogs too
    QApplication::setWindowIcon(programIcon());
    // A second start brings the running window to the front instead
    SingleInstance instance;
    if (!instance.claim())
        return SingleInstance::send(InstanceCommand::Raise);
    installQtTranslations();
    followSystemProxy();

    Environment environment;
    environment.serviceBase = catalogueServiceBase();
    Application program(std::move(environment));
    program.showOnDesktop(instance, QDBusConnection::sessionBus());
    program.start();
    return app.exec();
}
