#pragma once

#include "controls/playstate.h"

#include <QString>

// The rules by which the embedded player reports its play state, kept apart from the widget
// that shows it.
//
// The window's continue-playback handler plays the next song whenever the player reports
// stopped, so Stopped means that playback really ended: at the end of the media or by the
// user's stop. The brief stop Qt goes through while it changes over to a new address is not an
// end, and media that cannot be opened or decoded is a failure, shown as ready with its reason:
// as a stop, a broken link would be requested again and again.
class PlayStateRules {
public:
    // What Qt's player says of its playback, of the media and of an error (QMediaPlayer's
    // PlaybackState, MediaStatus and Error), named here so that the rules need no Qt Multimedia
    enum class Playback { Stopped, Playing, Paused };
    enum class Media {
        NoMedia,
        Loading,
        Loaded,
        Stalled,
        Buffering,
        Buffered,
        EndOfMedia,
        Invalid
    };
    enum class Error { None, Resource, Format, Network, AccessDenied };

    // What Qt's player reports at one moment
    struct Observation {
        Playback playback = Playback::Stopped;
        Media media = Media::NoMedia;
        qint64 duration = 0;
        qint64 position = 0;
    };

    // A new address (empty for none) is being handed to Qt; `refusal` says why it will not be
    // played at all. Forgets the previous address's failure and stop.
    void assign(const QString &url, const QString &refusal = {});
    // The user stopped playback
    void requestStop() { m_stopRequested = true; }
    // While Qt changes over to a new source, its reports belong to the old one
    void setChangingSource(bool changing) { m_changingSource = changing; }
    bool changingSource() const { return m_changingSource; }

    // Takes an error of Qt's player; only the first error of an address counts, the others
    // follow from it. Returns whether this one was taken.
    bool takeError(Error error, Media media);
    // Brings the play state up to date with what Qt reports; returns whether it changed
    bool update(const Observation &now);
    // Qt reported the position `milliseconds` while playing, or the user moved it there
    void notePosition(qint64 milliseconds);
    void noteSeek(qint64 milliseconds);

    PlayState state() const { return m_state; }
    // Why the current address cannot be played; empty while it can
    const QString &failure() const { return m_failure; }
    bool active() const;
    // What the player is doing, in words; `title` names the song that plays
    QString statusText(const QString &title) const;

private:
    void noticeBrokenMedia(const Observation &now);
    bool brokeOff(qint64 duration) const;
    PlayState derivedState(const Observation &now) const;

    bool m_hasAddress = false;
    PlayState m_state = PlayState::Undefined;
    Media m_media = Media::NoMedia;
    QString m_failure;
    // The last two positions Qt reported
    qint64 m_position = 0;
    qint64 m_previousPosition = 0;
    bool m_changingSource = false;
    bool m_stopRequested = false;
};
