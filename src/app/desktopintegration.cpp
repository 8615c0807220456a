#include "desktopintegration.h"

#include "form1.h"

#include "common/logging.h"
#include "mpris/mprisservice.h"
#include "player/mediaplayerwidget.h"
#include "player/songnotifier.h"

DesktopIntegration::DesktopIntegration(Form1 &window, const QDBusConnection &bus)
{
    if (!bus.isConnected()) {
        qCInfo(lcApp) << "No session bus: media keys, the sound menu and notifications are not"
                         " offered";
        return;
    }
    m_mediaControls = std::make_unique<MprisService>(window, window.mediaPlayer(), bus, &window);
    QObject::connect(&window, &Form1::listChanged, m_mediaControls.get(),
                     &MprisService::listChanged);
    m_notifier = std::make_unique<SongNotifier>(bus);
    QObject::connect(&window, &Form1::songStartedUnseen, m_notifier.get(), &SongNotifier::notify);
}

DesktopIntegration::~DesktopIntegration() = default;
