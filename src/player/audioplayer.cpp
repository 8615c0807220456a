#include "audioplayer.h"

#include "common/logging.h"
#include "common/urlfilename.h"

#include <QAudioOutput>
#include <QMediaMetaData>
#include <QScopeGuard>

#include <utility>

using namespace Qt::StringLiterals;

namespace {

// An address comes from the service and can be of any length; the log takes its start
constexpr qsizetype kLoggedAddressLength = 200;

// Qt's terms in the rules' own; the one place where the two meet
PlayStateRules::Playback inRules(QMediaPlayer::PlaybackState state)
{
    switch (state) {
    case QMediaPlayer::PlayingState:
        return PlayStateRules::Playback::Playing;
    case QMediaPlayer::PausedState:
        return PlayStateRules::Playback::Paused;
    case QMediaPlayer::StoppedState:
        break;
    }
    return PlayStateRules::Playback::Stopped;
}

PlayStateRules::Media inRules(QMediaPlayer::MediaStatus status)
{
    using Media = PlayStateRules::Media;
    switch (status) {
    case QMediaPlayer::LoadingMedia:
        return Media::Loading;
    case QMediaPlayer::LoadedMedia:
        return Media::Loaded;
    case QMediaPlayer::StalledMedia:
        return Media::Stalled;
    case QMediaPlayer::BufferingMedia:
        return Media::Buffering;
    case QMediaPlayer::BufferedMedia:
        return Media::Buffered;
    case QMediaPlayer::EndOfMedia:
        return Media::EndOfMedia;
    case QMediaPlayer::InvalidMedia:
        return Media::Invalid;
    case QMediaPlayer::NoMedia:
        break;
    }
    return Media::NoMedia;
}

PlayStateRules::Error inRules(QMediaPlayer::Error error)
{
    using Error = PlayStateRules::Error;
    switch (error) {
    case QMediaPlayer::ResourceError:
        return Error::Resource;
    case QMediaPlayer::FormatError:
        return Error::Format;
    case QMediaPlayer::NetworkError:
        return Error::Network;
    case QMediaPlayer::AccessDeniedError:
        return Error::AccessDenied;
    case QMediaPlayer::NoError:
        break;
    }
    return Error::None;
}

bool isPlayableAddress(const QUrl &address)
{
    const QString scheme = address.scheme();
    return address.isValid() && !address.host().isEmpty()
        && (scheme == "http"_L1 || scheme == "https"_L1);
}

} // namespace

AudioPlayer::AudioPlayer(QObject *parent)
    : QObject(parent), m_player(new QMediaPlayer(this)), m_audioOutput(new QAudioOutput(this))
{
    m_player->setAudioOutput(m_audioOutput);
    m_statusText = m_rules.statusText(QString());

    connect(m_player, &QMediaPlayer::playbackStateChanged, this, &AudioPlayer::refresh);
    connect(m_player, &QMediaPlayer::mediaStatusChanged, this, &AudioPlayer::refresh);
    connect(m_player, &QMediaPlayer::metaDataChanged, this, &AudioPlayer::refresh);
    connect(m_player, &QMediaPlayer::errorOccurred, this, &AudioPlayer::handleError);
    connect(m_player, &QMediaPlayer::metaDataChanged, this, &AudioPlayer::metadataChanged);
    connect(m_player, &QMediaPlayer::durationChanged, this, &AudioPlayer::durationChanged);
    connect(m_player, &QMediaPlayer::durationChanged, this, &AudioPlayer::metadataChanged);
    connect(m_player, &QMediaPlayer::positionChanged, this,
            [this](qint64 milliseconds) { m_rules.notePosition(milliseconds); });
    connect(m_player, &QMediaPlayer::positionChanged, this, &AudioPlayer::positionChanged);
    connect(m_player, &QMediaPlayer::seekableChanged, this, &AudioPlayer::seekWhenReady);
    connect(m_player, &QMediaPlayer::durationChanged, this, &AudioPlayer::seekWhenReady);
    connect(m_player, &QMediaPlayer::mediaStatusChanged, this, &AudioPlayer::seekWhenReady);
    setVolume(m_volume);
}

AudioPlayer::~AudioPlayer()
{
    // Qt's player outlives this part of the object and still signals while it shuts down.
    m_player->disconnect(this);
}

void AudioPlayer::setUrl(const QString &url)
{
    // A title belongs to the song it was given for
    m_title.clear();
    start(url);
    emit metadataChanged();
}

void AudioPlayer::start(const QString &url, Begin begin)
{
    m_resumeAt = 0;
    m_url = url;
    m_failureReported = false;
    const QUrl address(url);
    // Only web addresses: the player is not a way into the local file system.
    const bool refused = !url.isEmpty() && !isPlayableAddress(address);
    m_rules.assign(url, refused ? u"不支持的地址"_s : QString());
    if (refused)
        qCWarning(lcPlayer) << "Address refused:" << url.left(kLoggedAddressLength);
    load(refused ? QUrl() : address, begin);
    refresh();
}

QString AudioPlayer::url() const
{
    return m_url;
}

PlayState AudioPlayer::playState() const
{
    return m_rules.state();
}

QString AudioPlayer::statusText() const
{
    return m_statusText;
}

int AudioPlayer::volume() const
{
    return m_volume;
}

void AudioPlayer::setVolume(int volume)
{
    const int previous = std::exchange(m_volume, qBound(0, volume, 100));
    m_audioOutput->setVolume(float(m_volume) / 100.0f);
    if (m_volume != previous)
        emit volumeChanged(m_volume);
}

bool AudioPlayer::isMuted() const
{
    return m_audioOutput->isMuted();
}

void AudioPlayer::setMuted(bool muted)
{
    if (muted == isMuted())
        return;
    m_audioOutput->setMuted(muted);
    emit mutedChanged(muted);
}

void AudioPlayer::play()
{
    if (!m_rules.active())
        togglePlayPause();
}

void AudioPlayer::pause()
{
    if (m_rules.active())
        togglePlayPause();
}

qint64 AudioPlayer::position() const
{
    return m_player->position();
}

qint64 AudioPlayer::duration() const
{
    return m_player->duration();
}

void AudioPlayer::setTitle(const QString &title)
{
    if (title == m_title)
        return;
    m_title = title;
    emit metadataChanged();
}

QString AudioPlayer::title() const
{
    return m_title.isEmpty() ? mediaTitle() : m_title;
}

void AudioPlayer::load(const QUrl &address, Begin begin)
{
    m_rules.setChangingSource(true);
    const auto changed = qScopeGuard([this] { m_rules.setChangingSource(false); });
    // Qt ignores a source equal to the current one, and playing that again would need a seek
    // back, which not every server allows: the same song again is fetched afresh.
    if (!address.isEmpty() && m_player->source() == address)
        m_player->setSource(QUrl());
    m_player->setSource(address);
    if (address.isEmpty())
        return;
    if (begin == Begin::Paused)
        m_player->pause();
    else
        m_player->play();
}

void AudioPlayer::togglePlayPause()
{
    switch (m_rules.state()) {
    case PlayState::Playing:
    case PlayState::Buffering:
        m_player->pause();
        break;
    case PlayState::Paused:
        m_player->play();
        break;
    default:
        // After an end, a stop or a failure, start the address over from its beginning.
        if (!m_url.isEmpty())
            start(m_url);
        break;
    }
}

void AudioPlayer::stop()
{
    if (!m_rules.active() && m_rules.state() != PlayState::Paused)
        return;
    m_rules.requestStop();
    m_player->stop();
    refresh();
}

void AudioPlayer::replay(qint64 milliseconds)
{
    start(m_url);
    m_resumeAt = qMax<qint64>(0, milliseconds);
    seekWhenReady();
}

void AudioPlayer::cue(const QString &url, qint64 milliseconds)
{
    m_title.clear();
    start(url, Begin::Paused);
    m_resumeAt = qMax<qint64>(0, milliseconds);
    seekWhenReady();
    emit metadataChanged();
}

void AudioPlayer::seekWhenReady()
{
    // Media that cannot seek plays from its start; Qt says so once it knows the media. FFmpeg's
    // player says so while still loading, and drops a seek made then.
    if (m_resumeAt == 0 || !m_player->isSeekable() || m_player->duration() <= 0
        || m_player->mediaStatus() == QMediaPlayer::LoadingMedia)
        return;
    m_player->setPosition(qMin(std::exchange(m_resumeAt, 0), m_player->duration()));
}

void AudioPlayer::setPosition(qint64 milliseconds)
{
    // The duration of some streams is only estimated at first and grows as they play.
    const qint64 duration = m_player->duration();
    if (duration <= 0)
        return;
    const qint64 position = qBound<qint64>(0, milliseconds, duration);
    m_rules.noteSeek(position);
    m_player->setPosition(position);
    emit seeked(position);
}

void AudioPlayer::handleError(QMediaPlayer::Error error)
{
    if (!m_rules.takeError(inRules(error), inRules(m_player->mediaStatus())))
        return;
    qCWarning(lcPlayer) << "Cannot play" << m_url.left(kLoggedAddressLength) << m_rules.failure()
                        << m_player->errorString();
    refresh();
}

void AudioPlayer::refresh()
{
    if (m_rules.changingSource())
        return;
    const bool stateChanged = m_rules.update(observation());
    // The status is up to date before anyone hears of the state, and a handler that assigns a
    // new address from within the signal leaves that address's own state and failure behind
    const QString status = m_rules.statusText(mediaTitle());
    if (status != std::exchange(m_statusText, status))
        emit statusTextChanged();
    if (stateChanged)
        showPlayState();
    if (!m_rules.failure().isEmpty() && !std::exchange(m_failureReported, true))
        emit mediaFailed();
}

PlayStateRules::Observation AudioPlayer::observation() const
{
    return {inRules(m_player->playbackState()), inRules(m_player->mediaStatus()),
            m_player->duration(), m_player->position()};
}

QString AudioPlayer::mediaTitle() const
{
    const QString title = m_player->metaData().stringValue(QMediaMetaData::Title);
    if (!title.isEmpty())
        return title;
    // The program's links escape their names in GBK; show the name as the user would read it
    const QUrl url(m_url);
    return url.fileName().isEmpty() ? m_url : downloadNameFromUrl(url);
}

void AudioPlayer::showPlayState()
{
    emit activeChanged(m_rules.active());
    emit playStateChanged(m_rules.state());
}
