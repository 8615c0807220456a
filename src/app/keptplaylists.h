#pragma once

#include "controls/playlistchoice.h"

class LibraryTabs;
class SongHandlers;

// The favourites and the history as the desktop starts them: through their tabs, as a person
// would, so that the window shows the list that plays
class KeptPlaylists : public PlaylistChoice {
public:
    KeptPlaylists(LibraryTabs &tabs, SongHandlers &songs) : m_tabs(tabs), m_songs(songs) { }

    QStringList playlistNames() const override;
    int activePlaylist() const override;
    void activatePlaylist(int index) override;

private:
    LibraryTabs &m_tabs;
    SongHandlers &m_songs;
};
