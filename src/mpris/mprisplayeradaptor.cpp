#include "mprisplayeradaptor.h"

#include "common/logging.h"
#include "controls/listplayback.h"
#include "player/audioplayer.h"

#include <QDBusMessage>
#include <QUrl>

#include <cmath>

using namespace Qt::StringLiterals;

namespace {

constexpr qint64 kMicrosecondsPerMillisecond = 1000;

// The names of LoopStatus
const QString kLoopNone = u"None"_s;
const QString kLoopTrack = u"Track"_s;
const QString kLoopPlaylist = u"Playlist"_s;

} // namespace

MprisPlayerAdaptor::MprisPlayerAdaptor(AudioPlayer &player, ListPlayback *list,
                                       const QDBusConnection &connection, const QString &objectPath,
                                       QObject *service)
    : QDBusAbstractAdaptor(service), m_player(player), m_list(list), m_connection(connection),
      m_objectPath(objectPath)
{
    noteTrack();
    m_announced = announcedProperties();

    connect(&m_player, &AudioPlayer::playStateChanged, this,
            &MprisPlayerAdaptor::scheduleAnnouncement);
    connect(&m_player, &AudioPlayer::volumeChanged, this,
            &MprisPlayerAdaptor::scheduleAnnouncement);
    connect(&m_player, &AudioPlayer::metadataChanged, this, &MprisPlayerAdaptor::trackChanged);
    connect(&m_player, &AudioPlayer::seeked, this, [this](qint64 milliseconds) {
        emit Seeked(milliseconds * kMicrosecondsPerMillisecond);
    });
}

void MprisPlayerAdaptor::trackChanged()
{
    noteTrack();
    scheduleAnnouncement();
}

QString MprisPlayerAdaptor::playbackStatus() const
{
    switch (m_player.playState()) {
    case PlayState::Playing:
    case PlayState::Buffering:
        return u"Playing"_s;
    case PlayState::Paused:
        return u"Paused"_s;
    default:
        return u"Stopped"_s;
    }
}

QVariantMap MprisPlayerAdaptor::metadata() const
{
    QVariantMap metadata {{u"mpris:trackid"_s, QVariant::fromValue(trackId())}};
    if (m_player.url().isEmpty())
        return metadata;
    metadata.insert(u"xesam:title"_s, m_player.title());
    metadata.insert(u"xesam:url"_s, m_player.url());
    if (const qint64 duration = m_player.duration(); duration > 0)
        metadata.insert(u"mpris:length"_s, qlonglong(duration * kMicrosecondsPerMillisecond));
    return metadata;
}

double MprisPlayerAdaptor::volume() const
{
    return m_player.volume() / 100.0;
}

void MprisPlayerAdaptor::setVolume(double volume)
{
    if (std::isfinite(volume))
        m_player.setVolume(int(std::lround(qBound(0.0, volume, 1.0) * 100.0)));
}

qlonglong MprisPlayerAdaptor::position() const
{
    return m_player.position() * kMicrosecondsPerMillisecond;
}

bool MprisPlayerAdaptor::canGoNext() const
{
    return m_list && m_list->hasRows();
}

bool MprisPlayerAdaptor::canPlay() const
{
    return !m_player.url().isEmpty();
}

bool MprisPlayerAdaptor::canPause() const
{
    return canPlay();
}

bool MprisPlayerAdaptor::canSeek() const
{
    return m_player.duration() > 0;
}

QString MprisPlayerAdaptor::loopStatus() const
{
    switch (m_list ? m_list->playMode() : PlayMode::Sequential) {
    case PlayMode::Sequential:
        break;
    case PlayMode::Default:
    case PlayMode::TrackLoop:
        return kLoopTrack;
    case PlayMode::ListLoop:
    case PlayMode::Shuffle:
        // A shuffle goes on with a new round once every row has played
        return kLoopPlaylist;
    }
    return kLoopNone;
}

void MprisPlayerAdaptor::setLoopStatus(const QString &status)
{
    // A shuffle already loops the list
    if (!m_list || (status == kLoopPlaylist && shuffle()))
        return;
    if (status == kLoopNone)
        m_list->setPlayMode(PlayMode::Sequential);
    else if (status == kLoopTrack)
        m_list->setPlayMode(PlayMode::TrackLoop);
    else if (status == kLoopPlaylist)
        m_list->setPlayMode(PlayMode::ListLoop);
    else
        qCInfo(lcMpris) << "LoopStatus not set: no such status" << status;
}

bool MprisPlayerAdaptor::shuffle() const
{
    return m_list && m_list->playMode() == PlayMode::Shuffle;
}

void MprisPlayerAdaptor::setShuffle(bool on)
{
    // Shuffle off keeps the shuffle's loop of the list
    if (m_list && on != shuffle())
        m_list->setPlayMode(on ? PlayMode::Shuffle : PlayMode::ListLoop);
}

void MprisPlayerAdaptor::Pause()
{
    m_player.pause();
}

void MprisPlayerAdaptor::PlayPause()
{
    if (playbackStatus() == u"Playing"_s)
        m_player.pause();
    else
        m_player.play();
}

void MprisPlayerAdaptor::Next()
{
    if (m_list)
        m_list->playNext();
}

void MprisPlayerAdaptor::Previous()
{
    if (m_list)
        m_list->playPrevious();
}

void MprisPlayerAdaptor::Stop()
{
    if (m_list)
        m_list->stopPlayback();
    else
        m_player.stop();
}

void MprisPlayerAdaptor::Play()
{
    m_player.play();
}

void MprisPlayerAdaptor::Seek(qlonglong Offset)
{
    if (!canSeek())
        return;
    // Past the end the song simply ends, and the list goes on as it does after any song
    const qint64 target = m_player.position() + Offset / kMicrosecondsPerMillisecond;
    m_player.setPosition(qMax<qint64>(0, target));
}

void MprisPlayerAdaptor::SetPosition(const QDBusObjectPath &TrackId, qlonglong Position)
{
    // A request meant for a song that has since given way to another is stale
    if (!canSeek() || TrackId != trackId() || Position < 0
        || Position > m_player.duration() * kMicrosecondsPerMillisecond)
        return;
    m_player.setPosition(Position / kMicrosecondsPerMillisecond);
}

void MprisPlayerAdaptor::OpenUri(const QString &Uri)
{
    const QString scheme = QUrl(Uri).scheme();
    if (scheme != u"http"_s && scheme != u"https"_s)
        return;
    if (m_list)
        m_list->playAddress(Uri);
    else
        m_player.setUrl(Uri);
}

QDBusObjectPath MprisPlayerAdaptor::trackId() const
{
    if (m_player.url().isEmpty())
        return QDBusObjectPath(u"/org/mpris/MediaPlayer2/TrackList/NoTrack"_s);
    return QDBusObjectPath(u"/org/quillpod/track/%1"_s.arg(m_trackNumber));
}

void MprisPlayerAdaptor::noteTrack()
{
    if (m_player.url() == m_trackUrl)
        return;
    m_trackUrl = m_player.url();
    ++m_trackNumber;
}

QVariantMap MprisPlayerAdaptor::announcedProperties() const
{
    return {
        {u"PlaybackStatus"_s, playbackStatus()},
        {u"Metadata"_s, metadata()},
        {u"Volume"_s, volume()},
        {u"CanPlay"_s, canPlay()},
        {u"CanPause"_s, canPause()},
        {u"CanSeek"_s, canSeek()},
        {u"CanGoNext"_s, canGoNext()},
        {u"CanGoPrevious"_s, canGoPrevious()},
        {u"LoopStatus"_s, loopStatus()},
        {u"Shuffle"_s, shuffle()},
    };
}

void MprisPlayerAdaptor::scheduleAnnouncement()
{
    // A new song changes its address, title and duration one after another: told at once
    if (std::exchange(m_announcementPending, true))
        return;
    QMetaObject::invokeMethod(this, &MprisPlayerAdaptor::announceChanges, Qt::QueuedConnection);
}

void MprisPlayerAdaptor::announceChanges()
{
    m_announcementPending = false;
    const QVariantMap current = announcedProperties();
    QVariantMap changed;
    for (auto property = current.cbegin(); property != current.cend(); ++property) {
        if (m_announced.value(property.key()) != property.value())
            changed.insert(property.key(), property.value());
    }
    m_announced = current;
    if (changed.isEmpty())
        return;

    QDBusMessage signal = QDBusMessage::createSignal(
        m_objectPath, u"org.freedesktop.DBus.Properties"_s, u"PropertiesChanged"_s);
    signal << u"org.mpris.MediaPlayer2.Player"_s << changed << QStringList();
    m_connection.send(signal);
}
