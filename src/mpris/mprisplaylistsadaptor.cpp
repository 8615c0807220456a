#include "mprisplaylistsadaptor.h"

#include "controls/playlistchoice.h"

#include <QDBusMetaType>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

constexpr auto kPathPrefix = "/org/quillpod/Quillpod/playlists/"_L1;
// The one order there is: the lists' own, newest first
const QString kOrdering = u"UserDefined"_s;

} // namespace

QDBusArgument &operator<<(QDBusArgument &argument, const MprisPlaylist &playlist)
{
    argument.beginStructure();
    argument << playlist.id << playlist.name << playlist.icon;
    argument.endStructure();
    return argument;
}

const QDBusArgument &operator>>(const QDBusArgument &argument, MprisPlaylist &playlist)
{
    argument.beginStructure();
    argument >> playlist.id >> playlist.name >> playlist.icon;
    argument.endStructure();
    return argument;
}

QDBusArgument &operator<<(QDBusArgument &argument, const MprisMaybePlaylist &playlist)
{
    argument.beginStructure();
    argument << playlist.valid << playlist.playlist;
    argument.endStructure();
    return argument;
}

const QDBusArgument &operator>>(const QDBusArgument &argument, MprisMaybePlaylist &playlist)
{
    argument.beginStructure();
    argument >> playlist.valid >> playlist.playlist;
    argument.endStructure();
    return argument;
}

void MprisPlaylistsAdaptor::registerTypes()
{
    qDBusRegisterMetaType<MprisPlaylist>();
    qDBusRegisterMetaType<QList<MprisPlaylist>>();
    qDBusRegisterMetaType<MprisMaybePlaylist>();
}

MprisPlaylistsAdaptor::MprisPlaylistsAdaptor(PlaylistChoice &playlists, QObject *service)
    : QDBusAbstractAdaptor(service), m_playlists(playlists)
{
}

uint MprisPlaylistsAdaptor::playlistCount() const
{
    return uint(m_playlists.playlistNames().size());
}

QStringList MprisPlaylistsAdaptor::orderings() const
{
    return {kOrdering};
}

MprisPlaylist MprisPlaylistsAdaptor::playlist(int index) const
{
    return {QDBusObjectPath(kPathPrefix + QString::number(index)),
            m_playlists.playlistNames().value(index), QString()};
}

MprisMaybePlaylist MprisPlaylistsAdaptor::activePlaylist() const
{
    const int active = m_playlists.activePlaylist();
    // Without one, a playlist all the same, as the interface asks, that is not valid
    return active < 0 ? MprisMaybePlaylist {false, {QDBusObjectPath(u"/"_s), {}, {}}}
                      : MprisMaybePlaylist {true, playlist(active)};
}

void MprisPlaylistsAdaptor::ActivatePlaylist(const QDBusObjectPath &PlaylistId)
{
    const QString path = PlaylistId.path();
    if (!path.startsWith(kPathPrefix))
        return;
    bool ok = false;
    const int index = path.mid(kPathPrefix.size()).toInt(&ok);
    if (ok && index >= 0 && index < int(playlistCount()))
        m_playlists.activatePlaylist(index);
}

QList<MprisPlaylist> MprisPlaylistsAdaptor::GetPlaylists(uint Index, uint MaxCount,
                                                         const QString &Order, bool ReverseOrder)
{
    Q_UNUSED(Order)
    QList<MprisPlaylist> found;
    for (int index = 0; index < int(playlistCount()); ++index)
        found.append(playlist(index));
    if (ReverseOrder)
        std::reverse(found.begin(), found.end());
    return found.mid(std::min<qsizetype>(Index, found.size()), MaxCount);
}
