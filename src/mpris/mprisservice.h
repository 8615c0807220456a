#pragma once

#include <QDBusConnection>
#include <QObject>

class ListPlayback;
class AudioPlayer;
class MprisPlayerAdaptor;
class PlaylistChoice;
class QWidget;

// Offers the window and its player to the desktop's sound menu, media keys and lock screen,
// as an MPRIS 2 media player on D-Bus, for as long as it exists.
class MprisService : public QObject {
    Q_OBJECT

public:
    static constexpr const char *kServiceName = "org.mpris.MediaPlayer2.quillpod";
    static constexpr const char *kObjectPath = "/org/mpris/MediaPlayer2";

    // Registers at once. When another instance holds the name, this one takes a name of its
    // own, as MPRIS asks; if the bus refuses that too, it stays unregistered. `list`, when
    // there is one, takes next, previous and stop; `playlists`, when there are some, are offered
    // to be started.
    MprisService(QWidget &window, AudioPlayer &player, const QDBusConnection &connection,
                 ListPlayback *list = nullptr, PlaylistChoice *playlists = nullptr,
                 QObject *parent = nullptr);
    ~MprisService() override;

    // The list was emptied or filled: whether there is a next and a previous may have changed
    void listChanged();
    // The list's play mode changed: its loop status and shuffle are told
    void playModeChanged();

    // The bus name taken; empty when registering failed
    QString serviceName() const { return m_serviceName; }

private:
    QDBusConnection m_connection;
    MprisPlayerAdaptor *m_player = nullptr;
    bool m_objectRegistered = false;
    QString m_serviceName;
};
