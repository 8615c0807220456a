#pragma once

#include "playstate.h"

#include <QString>

// The embedded media player `playerStrip` as the handlers use it. Its event
// playStateChanged is a Qt signal of the player that implements it.
class MediaPlayer {
public:
    virtual ~MediaPlayer() = default;
    // Assigning an address starts playing it.
    virtual void setUrl(const QString &url) = 0;
    virtual QString url() const = 0;
    // The song's name for the desktop's media controls. Assigning a URL forgets it, so it is
    // given after the URL; a player that shows no names may ignore it.
    virtual void setTitle(const QString &title) { Q_UNUSED(title) }
    virtual PlayState playState() const = 0;
    // Why the current address cannot be played; empty while it can
    virtual QString failure() const = 0;
    // Stops as the player's own stop button does
    virtual void stop() = 0;
    // Plays the current address again, from `milliseconds` where the media can seek, else from
    // its start, keeping the song's name
    virtual void replay(qint64 milliseconds)
    {
        Q_UNUSED(milliseconds)
        const QString address = url();
        setUrl(address);
    }
    // Loads `url` paused at `milliseconds`, for a song that is to go on where it was left; a
    // player that cannot wait paused plays it
    virtual void cue(const QString &url, qint64 milliseconds)
    {
        Q_UNUSED(milliseconds)
        setUrl(url);
    }
    // In milliseconds from the start of the song
    virtual qint64 position() const = 0;
    virtual void setPosition(qint64 milliseconds) = 0;
    // What the player is doing, in words for the status bar
    virtual QString statusText() const = 0;
    // settings.volume, 0 to 100
    virtual int volume() const = 0;
    virtual void setVolume(int volume) = 0;
};
