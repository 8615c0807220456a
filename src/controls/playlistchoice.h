#pragma once

#include <QStringList>

// The lists that the desktop may start, beside the song list: the favourites and the history
class PlaylistChoice {
public:
    virtual ~PlaylistChoice() = default;
    virtual QStringList playlistNames() const = 0;
    // The list the song that plays was started from; -1 for none of them
    virtual int activePlaylist() const = 0;
    // Shows list `index` and plays its first song
    virtual void activatePlaylist(int index) = 0;
};
