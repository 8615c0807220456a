#pragma once

#include "instancecommand.h"

#include <QDBusConnection>
#include <QObject>
#include <memory>

class AudioPlayer;
class ListPlayback;
class MprisService;
class PlaylistChoice;
class QWidget;
class SingleInstance;
class SongNotifier;

// The window's place on the desktop: the media controls of the sound menu and the media keys
// (MPRIS), notifications of songs that begin while the user looks elsewhere, and the commands
// of later starts of the program. Without a session bus only the last of these remains.
class DesktopIntegration : public QObject {
    Q_OBJECT

public:
    // `playlists` are offered to the desktop to be started, when there are some
    DesktopIntegration(QWidget &window, AudioPlayer &player, ListPlayback &list,
                       const QDBusConnection &bus, PlaylistChoice *playlists = nullptr);
    ~DesktopIntegration() override;

    // Takes the commands that later starts hand to `instance`
    void serve(SingleInstance &instance);
    void run(InstanceCommand command);

    // The list was emptied or filled: whether there is a next and a previous may have changed
    void listChanged();
    // The list's play mode changed
    void playModeChanged();
    // A song from the list began while the user was looking at another window
    void announceSong(const QString &title);

private:
    QWidget &m_window;
    AudioPlayer &m_player;
    ListPlayback &m_list;
    std::unique_ptr<MprisService> m_mediaControls;
    std::unique_ptr<SongNotifier> m_notifier;
};
