#pragma once

#include <QDBusAbstractAdaptor>
#include <QDBusArgument>
#include <QDBusObjectPath>
#include <QList>

class PlaylistChoice;

// A playlist as MPRIS gives it: (oss), its path, name and icon
struct MprisPlaylist {
    QDBusObjectPath id;
    QString name;
    QString icon;
};
// (b(oss)): whether a playlist is active, and which
struct MprisMaybePlaylist {
    bool valid = false;
    MprisPlaylist playlist;
};
Q_DECLARE_METATYPE(MprisPlaylist)
Q_DECLARE_METATYPE(MprisMaybePlaylist)

QDBusArgument &operator<<(QDBusArgument &argument, const MprisPlaylist &playlist);
const QDBusArgument &operator>>(const QDBusArgument &argument, MprisPlaylist &playlist);
QDBusArgument &operator<<(QDBusArgument &argument, const MprisMaybePlaylist &playlist);
const QDBusArgument &operator>>(const QDBusArgument &argument, MprisMaybePlaylist &playlist);

// The MPRIS 2 playlists interface: the favourites and the history, which a desktop's media menu
// can start. They are only ever in the program's own order.
class MprisPlaylistsAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Playlists")
    Q_PROPERTY(uint PlaylistCount READ playlistCount)
    Q_PROPERTY(QStringList Orderings READ orderings)
    Q_PROPERTY(MprisMaybePlaylist ActivePlaylist READ activePlaylist)

public:
    // Registers the types above with D-Bus; before the first adaptor
    static void registerTypes();

    MprisPlaylistsAdaptor(PlaylistChoice &playlists, QObject *service);

    uint playlistCount() const;
    QStringList orderings() const;
    MprisMaybePlaylist activePlaylist() const;

public slots:
    void ActivatePlaylist(const QDBusObjectPath &PlaylistId);
    QList<MprisPlaylist> GetPlaylists(uint Index, uint MaxCount, const QString &Order,
                                      bool ReverseOrder);

signals:
    void PlaylistChanged(const MprisPlaylist &Playlist);

private:
    MprisPlaylist playlist(int index) const;

    PlaylistChoice &m_playlists;
};
