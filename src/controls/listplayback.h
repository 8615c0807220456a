#pragma once

#include "playmode.h"

class QString;

// What the desktop's media controls and the command line ask of the window beyond the player's
// own controls: going through the list, the order it goes in, and a stop after which the list
// does not go on.
class ListPlayback {
public:
    virtual ~ListPlayback() = default;
    // Whether the list has rows to go to
    virtual bool hasRows() const = 0;
    // The row after the one that plays, as a double-click on that row would play and show it
    virtual void playNext() = 0;
    // The row before, or the same song from its start when some of it has played
    virtual void playPrevious() = 0;
    virtual void stopPlayback() = 0;
    // Plays an address opened from outside. It is no row: its failure marks none.
    virtual void playAddress(const QString &address) = 0;
    // How the list goes on, and where next and previous go
    virtual PlayMode playMode() const = 0;
    virtual void setPlayMode(PlayMode mode) = 0;
};
