#include "app/form1.h"
#include "app/programidentity.h"
#include "common/logging.h"
#include "downloads/downloadmanager.h"
#include "mpris/mprisservice.h"

#include <QApplication>
#include <QDBusConnection>

#include <optional>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    setProgramIdentity();
    installQtTranslations();
    followSystemProxy();

    Form1 window;
    window.Form_Load();
    window.show();
    window.downloads().restoreUnfinished();

    // The desktop's sound menu and media keys, where there is a session to offer them to
    std::optional<MprisService> mediaControls;
    if (const QDBusConnection bus = QDBusConnection::sessionBus(); bus.isConnected())
        mediaControls.emplace(window, window.mediaPlayer(), bus);
    else
        qCInfo(lcApp) << "No session bus: media keys and the sound menu are not offered";
    return app.exec();
}
