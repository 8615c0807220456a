#pragma once

#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QVariantMap>

class ListPlayback;
class AudioPlayer;

// The MPRIS 2 player interface over `playerStrip`. Play, pause and seeking go through the
// player's own controls. Next, previous, stop and opening an address go to the window's list:
// the desktop's stop stays a stop, where the player's stop button lets the list go on. So do the
// loop and shuffle settings, which are the list's play mode. Property
// changes are announced with PropertiesChanged, which QtDBus does not send by itself.
class MprisPlayerAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_PROPERTY(QString PlaybackStatus READ playbackStatus)
    Q_PROPERTY(double Rate READ rate WRITE setRate)
    Q_PROPERTY(double MinimumRate READ rate)
    Q_PROPERTY(double MaximumRate READ rate)
    Q_PROPERTY(QVariantMap Metadata READ metadata)
    Q_PROPERTY(double Volume READ volume WRITE setVolume)
    Q_PROPERTY(qlonglong Position READ position)
    Q_PROPERTY(bool CanGoNext READ canGoNext)
    Q_PROPERTY(bool CanGoPrevious READ canGoPrevious)
    Q_PROPERTY(bool CanPlay READ canPlay)
    Q_PROPERTY(bool CanPause READ canPause)
    Q_PROPERTY(bool CanSeek READ canSeek)
    Q_PROPERTY(bool CanControl READ canControl)
    Q_PROPERTY(QString LoopStatus READ loopStatus WRITE setLoopStatus)
    Q_PROPERTY(bool Shuffle READ shuffle WRITE setShuffle)

public:
    // `service` is the object registered at `objectPath` on `connection`. Without a list there
    // is no next or previous, and stop is the player's.
    MprisPlayerAdaptor(AudioPlayer &player, ListPlayback *list, const QDBusConnection &connection,
                       const QString &objectPath, QObject *service);

    QString playbackStatus() const;
    // Only the normal rate is offered
    double rate() const { return 1.0; }
    void setRate(double rate) { Q_UNUSED(rate) }
    QVariantMap metadata() const;
    double volume() const;
    void setVolume(double volume);
    // Microseconds
    qlonglong position() const;
    bool canGoNext() const;
    bool canGoPrevious() const { return canGoNext(); }
    bool canPlay() const;
    bool canPause() const;
    bool canSeek() const;
    bool canControl() const { return true; }
    // The list's play mode, as the desktop names it: a loop of the track, of the list, or none,
    // and a shuffle. Each name that is set chooses one mode; the default mode shows as a loop of
    // the track, as its songs that end play again on every row but the last.
    QString loopStatus() const;
    void setLoopStatus(const QString &status);
    bool shuffle() const;
    void setShuffle(bool on);

public slots:
    void Next();
    void Previous();
    void Pause();
    void PlayPause();
    void Stop();
    void Play();
    void Seek(qlonglong Offset);
    void SetPosition(const QDBusObjectPath &TrackId, qlonglong Position);
    void OpenUri(const QString &Uri);

public:
    // Tells clients of what has changed, once the current event has been handled. Not a slot:
    // only the interface's own methods are offered on the bus.
    void scheduleAnnouncement();

signals:
    void Seeked(qlonglong Position);

private:
    QDBusObjectPath trackId() const;
    void trackChanged();
    void noteTrack();
    QVariantMap announcedProperties() const;
    void announceChanges();

    AudioPlayer &m_player;
    ListPlayback *const m_list;
    QDBusConnection m_connection;
    const QString m_objectPath;
    // Numbers the addresses the player is given, for the track ids
    QString m_trackUrl;
    quint64 m_trackNumber = 0;
    // The values clients were last told of
    QVariantMap m_announced;
    bool m_announcementPending = false;
};
