#include "mediaplayerwidget.h"

#include "downloads/downloadfilename.h"

#include "playercontrols.h"

#include <QAudioOutput>
#include <QBoxLayout>
#include <QLabel>
#include <QMediaMetaData>
#include <QMouseEvent>
#include <QPointer>
#include <QScopedValueRollback>
#include <QShortcut>

#include <utility>

namespace {

bool isPlayableAddress(const QUrl &address)
{
    const QString scheme = address.scheme();
    return address.isValid() && !address.host().isEmpty()
        && (scheme == QLatin1String("http") || scheme == QLatin1String("https"));
}

// The classic player's numbering of mouse buttons and modifier keys
int classicButton(Qt::MouseButton button)
{
    switch (button) {
    case Qt::LeftButton:
        return 1;
    case Qt::RightButton:
        return 2;
    case Qt::MiddleButton:
        return 4;
    default:
        return 0;
    }
}

int classicShiftState(Qt::KeyboardModifiers modifiers)
{
    return (modifiers.testFlag(Qt::ShiftModifier) ? 1 : 0)
        | (modifiers.testFlag(Qt::ControlModifier) ? 2 : 0)
        | (modifiers.testFlag(Qt::AltModifier) ? 4 : 0);
}

} // namespace

MediaPlayerWidget::MediaPlayerWidget(QWidget *parent)
    : QWidget(parent), m_player(new QMediaPlayer(this)), m_audioOutput(new QAudioOutput(this)),
      m_controls(new PlayerControls(this))
{
    m_player->setAudioOutput(m_audioOutput);
    m_statusText = currentStatusText();

    auto *const layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_controls);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);

    connect(m_player, &QMediaPlayer::playbackStateChanged, this, &MediaPlayerWidget::refresh);
    connect(m_player, &QMediaPlayer::mediaStatusChanged, this, &MediaPlayerWidget::refresh);
    connect(m_player, &QMediaPlayer::metaDataChanged, this, &MediaPlayerWidget::refresh);
    connect(m_player, &QMediaPlayer::errorOccurred, this, &MediaPlayerWidget::handleError);
    connect(m_player, &QMediaPlayer::metaDataChanged, this, &MediaPlayerWidget::metadataChanged);
    connect(m_player, &QMediaPlayer::durationChanged, this, [this](qint64 duration) {
        for (PlayerControls *const controls : allControls())
            controls->setDuration(duration);
        emit metadataChanged();
    });
    connect(m_player, &QMediaPlayer::positionChanged, this, [this](qint64 position) {
        for (PlayerControls *const controls : allControls())
            controls->setPosition(position);
    });
    connectControls(m_controls);

    setVolume(m_volume);
}

MediaPlayerWidget::~MediaPlayerWidget()
{
    // The player outlives this part of the object and still signals while it shuts down.
    m_player->disconnect(this);
}

void MediaPlayerWidget::setURL(const QString &url)
{
    // A title belongs to the song it was given for
    m_title.clear();
    start(url);
    emit metadataChanged();
}

void MediaPlayerWidget::start(const QString &url)
{
    m_url = url;
    m_failure.clear();
    m_stopRequested = false;

    const QUrl address(url);
    if (url.isEmpty()) {
        load(QUrl());
    } else if (!isPlayableAddress(address)) {
        // Only web addresses: the player is not a way into the local file system.
        load(QUrl());
        m_failure = tr("不支持的地址");
    } else {
        load(address);
    }
    refresh();
}

QString MediaPlayerWidget::URL() const
{
    return m_url;
}

int MediaPlayerWidget::playState() const
{
    return m_playState;
}

QString MediaPlayerWidget::statusText() const
{
    return m_statusText;
}

int MediaPlayerWidget::volume() const
{
    return m_volume;
}

void MediaPlayerWidget::setVolume(int volume)
{
    const int previous = std::exchange(m_volume, qBound(0, volume, 100));
    m_audioOutput->setVolume(float(m_volume) / 100.0f);
    for (PlayerControls *const controls : allControls())
        controls->setVolume(m_volume);
    if (m_volume != previous)
        emit volumeChanged(m_volume);
}

bool MediaPlayerWidget::fullScreen() const
{
    return m_fullScreenView && m_fullScreenView->isVisible();
}

void MediaPlayerWidget::setFullScreen(bool on)
{
    if (on == fullScreen())
        return;
    if (!on) {
        m_fullScreenView->hide();
        return;
    }
    if (!m_fullScreenView)
        createFullScreenView();
    m_fullScreenView->showFullScreen();
    // Esc is a shortcut of this window, so it has to have the keyboard.
    m_fullScreenView->activateWindow();
}

QSize MediaPlayerWidget::sizeHint() const
{
    return {449, 44};
}

void MediaPlayerWidget::play()
{
    if (m_playState != Playing && m_playState != Buffering)
        togglePlayPause();
}

void MediaPlayerWidget::pause()
{
    if (m_playState == Playing || m_playState == Buffering)
        togglePlayPause();
}

qint64 MediaPlayerWidget::position() const
{
    return m_player->position();
}

qint64 MediaPlayerWidget::duration() const
{
    return m_player->duration();
}

void MediaPlayerWidget::setTitle(const QString &title)
{
    if (title == m_title)
        return;
    m_title = title;
    emit metadataChanged();
}

QString MediaPlayerWidget::title() const
{
    return m_title.isEmpty() ? mediaTitle() : m_title;
}

void MediaPlayerWidget::mouseDoubleClickEvent(QMouseEvent *event)
{
    const QPointF position = event->position();
    emit DoubleClick(classicButton(event->button()), classicShiftState(event->modifiers()),
                     position.x(), position.y());
    event->accept();
}

void MediaPlayerWidget::load(const QUrl &address)
{
    const QScopedValueRollback changing(m_changingSource, true);
    // Qt ignores a source equal to the current one, and playing that again would need a seek
    // back, which not every server allows: the same song again is fetched afresh.
    if (!address.isEmpty() && m_player->source() == address)
        m_player->setSource(QUrl());
    m_player->setSource(address);
    if (!address.isEmpty())
        m_player->play();
}

void MediaPlayerWidget::togglePlayPause()
{
    switch (m_playState) {
    case Playing:
    case Buffering:
        m_player->pause();
        break;
    case Paused:
        m_player->play();
        break;
    default:
        // After an end, a stop or a failure, start the address over from its beginning.
        if (!m_url.isEmpty())
            start(m_url);
        break;
    }
}

void MediaPlayerWidget::stop()
{
    if (m_playState != Playing && m_playState != Paused && m_playState != Buffering)
        return;
    m_stopRequested = true;
    m_player->stop();
    refresh();
}

void MediaPlayerWidget::setPosition(qint64 milliseconds)
{
    // The duration of some streams is only estimated at first and grows as they play.
    const qint64 duration = m_player->duration();
    if (duration <= 0)
        return;
    const qint64 position = qBound<qint64>(0, milliseconds, duration);
    m_player->setPosition(position);
    emit seeked(position);
}

void MediaPlayerWidget::setMuted(bool muted)
{
    m_audioOutput->setMuted(muted);
    for (PlayerControls *const controls : allControls())
        controls->setMuted(muted);
}

void MediaPlayerWidget::handleError(QMediaPlayer::Error error)
{
    // Errors during a change of source are the old source's last words; the first error of
    // a source is the telling one, later ones follow from it.
    if (m_changingSource || error == QMediaPlayer::NoError || m_url.isEmpty()
        || !m_failure.isEmpty())
        return;
    switch (error) {
    case QMediaPlayer::NetworkError:
        m_failure = tr("网络连接失败");
        break;
    case QMediaPlayer::FormatError:
        m_failure = tr("不支持的媒体格式");
        break;
    case QMediaPlayer::AccessDeniedError:
        m_failure = tr("没有访问该媒体的权限");
        break;
    default:
        // GStreamer reports nearly everything as a resource error: whether any data arrived
        // tells an unreachable address from an undecodable one.
        m_failure = m_player->mediaStatus() == QMediaPlayer::LoadingMedia ? tr("无法打开该地址")
                                                                          : tr("无法解码该媒体");
        break;
    }
    refresh();
}

void MediaPlayerWidget::refresh()
{
    if (m_changingSource)
        return;

    if (m_failure.isEmpty() && !m_url.isEmpty() && !m_stopRequested) {
        const QMediaPlayer::MediaStatus status = m_player->mediaStatus();
        if (status == QMediaPlayer::InvalidMedia) {
            m_failure = tr("无法播放该媒体");
        } else if (status == QMediaPlayer::EndOfMedia && m_player->duration() <= 0
                   && m_player->position() <= 0) {
            // An end with nothing played is a broken file; as a stop it would be fetched again
            // at once, endlessly.
            m_failure = tr("媒体中没有可播放的内容");
        }
    }

    setPlayState(currentState());

    const QString status = currentStatusText();
    if (status != m_statusText) {
        m_statusText = status;
        if (m_fullScreenTitle)
            m_fullScreenTitle->setText(m_statusText);
        emit statusTextChanged();
    }
}

int MediaPlayerWidget::currentState() const
{
    if (m_url.isEmpty())
        return m_playState == Undefined ? Undefined : Ready;
    if (!m_failure.isEmpty())
        return Ready;
    if (m_stopRequested)
        return Stopped;

    const QMediaPlayer::MediaStatus status = m_player->mediaStatus();
    if (status == QMediaPlayer::EndOfMedia)
        return Stopped;
    switch (m_player->playbackState()) {
    case QMediaPlayer::PlayingState:
        return status == QMediaPlayer::LoadingMedia || status == QMediaPlayer::StalledMedia
            ? Buffering
            : Playing;
    case QMediaPlayer::PausedState:
        return Paused;
    case QMediaPlayer::StoppedState:
        break;
    }
    // Any other stop of Qt's is a passing one: only the end of the media and the stop button
    // end playback.
    return m_playState;
}

QString MediaPlayerWidget::currentStatusText() const
{
    switch (m_playState) {
    case Playing:
        return tr("正在播放：%1").arg(mediaTitle());
    case Paused:
        return tr("已暂停");
    case Stopped:
        return tr("已停止");
    case Buffering:
        return m_player->mediaStatus() == QMediaPlayer::LoadingMedia ? tr("正在连接…")
                                                                     : tr("正在缓冲…");
    default:
        return m_failure.isEmpty() ? tr("就绪") : tr("错误：%1").arg(m_failure);
    }
}

QString MediaPlayerWidget::mediaTitle() const
{
    const QString title = m_player->metaData().stringValue(QMediaMetaData::Title);
    if (!title.isEmpty())
        return title;
    // The program's links escape their names in GBK; show the name as the user would read it
    const QUrl url(m_url);
    return url.fileName().isEmpty() ? m_url : downloadNameFromUrl(url);
}

void MediaPlayerWidget::setPlayState(int state)
{
    if (state == m_playState)
        return;
    m_playState = state;
    for (PlayerControls *const controls : allControls())
        controls->setPlaying(state == Playing || state == Buffering);

    // Reported from the event loop: a handler may then assign a new address, which reaches
    // into Qt's player, without doing so from inside one of that player's own signals.
    m_pendingStates.append(state);
    if (m_pendingStates.size() == 1)
        QMetaObject::invokeMethod(this, &MediaPlayerWidget::reportStateChanges,
                                  Qt::QueuedConnection);
}

void MediaPlayerWidget::reportStateChanges()
{
    // Changes made by the handlers themselves are queued anew and reported after these.
    const QList<int> states = std::exchange(m_pendingStates, {});
    const QPointer<MediaPlayerWidget> alive(this);
    for (const int state : states) {
        emit PlayStateChange(state);
        if (!alive)
            return;
    }
}

QList<PlayerControls *> MediaPlayerWidget::allControls() const
{
    if (m_fullScreenControls)
        return {m_controls, m_fullScreenControls};
    return {m_controls};
}

void MediaPlayerWidget::connectControls(PlayerControls *controls)
{
    connect(controls, &PlayerControls::playPauseClicked, this, &MediaPlayerWidget::togglePlayPause);
    connect(controls, &PlayerControls::stopClicked, this, &MediaPlayerWidget::stop);
    connect(controls, &PlayerControls::seekRequested, this, &MediaPlayerWidget::setPosition);
    connect(controls, &PlayerControls::volumeChanged, this, &MediaPlayerWidget::setVolume);
    connect(controls, &PlayerControls::mutedChanged, this, &MediaPlayerWidget::setMuted);
}

void MediaPlayerWidget::createFullScreenView()
{
    m_fullScreenView = new QWidget(this, Qt::Window);
    m_fullScreenView->setObjectName(QStringLiteral("fullScreenView"));
    m_fullScreenView->setWindowTitle(tr("全屏播放"));
    QPalette palette = m_fullScreenView->palette();
    palette.setColor(QPalette::Window, Qt::black);
    palette.setColor(QPalette::WindowText, Qt::white);
    m_fullScreenView->setPalette(palette);
    m_fullScreenView->setAutoFillBackground(true);
    QFont font = m_fullScreenView->font();
    if (font.pointSizeF() > 0) {
        font.setPointSizeF(font.pointSizeF() * 2);
        m_fullScreenView->setFont(font);
    }

    m_fullScreenTitle = new QLabel(m_statusText, m_fullScreenView);
    m_fullScreenTitle->setTextFormat(Qt::PlainText);
    m_fullScreenTitle->setAlignment(Qt::AlignCenter);
    m_fullScreenTitle->setWordWrap(true);

    m_fullScreenControls = new PlayerControls(m_fullScreenView);
    m_fullScreenControls->setButtonIconSize(QSize(48, 48));
    m_fullScreenControls->setPlaying(m_playState == Playing || m_playState == Buffering);
    m_fullScreenControls->setDuration(m_player->duration());
    m_fullScreenControls->setPosition(m_player->position());
    m_fullScreenControls->setVolume(m_volume);
    m_fullScreenControls->setMuted(m_audioOutput->isMuted());
    connectControls(m_fullScreenControls);

    auto *const layout = new QVBoxLayout(m_fullScreenView);
    layout->addStretch(1);
    layout->addWidget(m_fullScreenTitle);
    layout->addStretch(1);
    layout->addWidget(m_fullScreenControls);

    auto *const leave = new QShortcut(QKeySequence(Qt::Key_Escape), m_fullScreenView);
    connect(leave, &QShortcut::activated, this, [this] { setFullScreen(false); });
}
