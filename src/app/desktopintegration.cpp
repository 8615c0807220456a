#include "desktopintegration.h"

#include "singleinstance.h"

#include "common/logging.h"
#include "controls/listplayback.h"
#include "mpris/mprisservice.h"
#include "player/audioplayer.h"
#include "player/songnotifier.h"
#include "widgets/windowfront.h"

#include <QWidget>

DesktopIntegration::DesktopIntegration(QWidget &window, AudioPlayer &player, ListPlayback &list,
                                       const QDBusConnection &bus, PlaylistChoice *playlists)
    : m_window(window), m_player(player), m_list(list)
{
    if (!bus.isConnected()) {
        qCInfo(lcApp) << "No session bus: media keys, the sound menu and notifications are not"
                         " offered";
        return;
    }
    m_mediaControls = std::make_unique<MprisService>(window, player, bus, &list, playlists);
    m_notifier = std::make_unique<SongNotifier>(bus);
}

DesktopIntegration::~DesktopIntegration() = default;

void DesktopIntegration::serve(SingleInstance &instance)
{
    connect(&instance, &SingleInstance::commandReceived, this, &DesktopIntegration::run);
    instance.startServing();
}

void DesktopIntegration::listChanged()
{
    if (m_mediaControls)
        m_mediaControls->listChanged();
}

void DesktopIntegration::playModeChanged()
{
    if (m_mediaControls)
        m_mediaControls->playModeChanged();
}

void DesktopIntegration::announceSong(const QString &title)
{
    if (m_notifier)
        m_notifier->notify(title);
}

void DesktopIntegration::run(InstanceCommand command)
{
    // The same as the media keys: the desktop's stop stays a stop
    switch (command) {
    case InstanceCommand::Raise:
        bringToFront(m_window);
        break;
    case InstanceCommand::PlayPause:
        m_player.togglePlayPause();
        break;
    case InstanceCommand::Next:
        m_list.playNext();
        break;
    case InstanceCommand::Previous:
        m_list.playPrevious();
        break;
    case InstanceCommand::Stop:
        m_list.stopPlayback();
        break;
    }
}
