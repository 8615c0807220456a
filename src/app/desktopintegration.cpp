#include "desktopintegration.h"

#include "form1.h"
#include "singleinstance.h"

#include "common/logging.h"
#include "mpris/mprisservice.h"
#include "player/audioplayer.h"
#include "player/songnotifier.h"
#include "widgets/windowfront.h"

DesktopIntegration::DesktopIntegration(Form1 &window, const QDBusConnection &bus) : m_window(window)
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

void DesktopIntegration::serve(SingleInstance &instance)
{
    QObject::connect(&instance, &SingleInstance::commandReceived, &m_window,
                     [this](InstanceCommand command) { run(command); });
    instance.startServing();
}

void DesktopIntegration::run(InstanceCommand command)
{
    // The same as the media keys: the desktop's stop stays a stop
    switch (command) {
    case InstanceCommand::Raise:
        bringToFront(m_window);
        break;
    case InstanceCommand::PlayPause:
        m_window.mediaPlayer().togglePlayPause();
        break;
    case InstanceCommand::Next:
        m_window.playNext();
        break;
    case InstanceCommand::Previous:
        m_window.playPrevious();
        break;
    case InstanceCommand::Stop:
        m_window.stopPlayback();
        break;
    }
}
