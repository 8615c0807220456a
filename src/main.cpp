#include "app/form1.h"
#include "mpris/mprisservice.h"

#include <QApplication>
#include <QDBusConnection>

#include <optional>

using namespace Qt::StringLiterals;

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(u"quillpod"_s);
    QApplication::setApplicationDisplayName(u"Quillpod"_s);
    QApplication::setDesktopFileName(u"org.quillpod.Quillpod"_s);

    Form1 window;
    window.Form_Load();
    window.show();

    // The desktop's sound menu and media keys, where there is a session to offer them to
    std::optional<MprisService> mediaControls;
    if (const QDBusConnection bus = QDBusConnection::sessionBus(); bus.isConnected())
        mediaControls.emplace(window, window.mediaPlayer(), bus);
    return app.exec();
}
