#include "keptplaylists.h"

#include "librarytabs.h"
#include "playback/songhandlers.h"

#include <QTabBar>

namespace {

// The playlists are the tabs after the song list's
constexpr int kFirstTab = LibraryTabs::FavouritesTab;
constexpr int kPlaylists = 2;

} // namespace

QStringList KeptPlaylists::playlistNames() const
{
    QStringList names;
    for (int index = 0; index < kPlaylists; ++index)
        names.append(m_tabs.tabBar().tabText(kFirstTab + index));
    return names;
}

int KeptPlaylists::activePlaylist() const
{
    return m_tabs.tabOf(m_songs.playingList()) - kFirstTab;
}

void KeptPlaylists::activatePlaylist(int index)
{
    m_tabs.setCurrentTab(LibraryTabs::Tab(kFirstTab + index));
    m_songs.songActivated(1);
}
