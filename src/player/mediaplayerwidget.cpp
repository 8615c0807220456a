#include "mediaplayerwidget.h"

#include "playercontrols.h"

#include "common/logging.h"
#include "common/urlfilename.h"

#include <QAudioOutput>
#include <QBoxLayout>
#include <QLabel>
#include <QMediaMetaData>
#include <QMouseEvent>
#include <QPointer>
#include <QScopeGuard>
#include <QShortcut>

#include <utility>

using namespace Qt::StringLiterals;

namespace {

// An address comes from the service and can be of any length; the log takes its start
constexpr qsizetype kLoggedAddressLength = 200;

bool isPlayableAddress(const QUrl &address)
{
    const QString scheme = address.scheme();
    return address.isValid() && !address.host().isEmpty()
        && (scheme == "http"_L1 || scheme == "https"_L1);
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
    m_statusText = m_rules.statusText(QString());

    auto *const layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_controls);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);

    connect(m_player, &QMediaPlayer::playbackStateChanged, this, &MediaPlayerWidget::refresh);
    connect(m_player, &QMediaPlayer::mediaStatusChanged, this, &MediaPlayerWidget::refresh);
    connect(m_player, &QMediaPlayer::metaDataChanged, this, &MediaPlayerWidget::refresh);
    connect(m_player, &QMediaPlayer::errorOccurred, this, &MediaPlayerWidget::handleError);
    connect(m_player, &QMediaPlayer::metaDataChanged, this, &MediaPlayerWidget::metadataChanged);
    connect(m_player, &QMediaPlayer::durationChanged, this, &MediaPlayerWidget::showDuration);
    connect(m_player, &QMediaPlayer::positionChanged, this, &MediaPlayerWidget::showPosition);
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
    ++m_addressNumber;
    m_failureReported = false;
    const QUrl address(url);
    // Only web addresses: the player is not a way into the local file system.
    const bool refused = !url.isEmpty() && !isPlayableAddress(address);
    m_rules.assign(url, refused ? u"不支持的地址"_s : QString());
    if (refused)
        qCWarning(lcPlayer) << "Address refused:" << url.left(kLoggedAddressLength);
    load(refused ? QUrl() : address);
    refresh();
}

QString MediaPlayerWidget::URL() const
{
    return m_url;
}

int MediaPlayerWidget::playState() const
{
    return m_rules.state();
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
    if (!m_rules.active())
        togglePlayPause();
}

void MediaPlayerWidget::pause()
{
    if (m_rules.active())
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
    m_rules.setChangingSource(true);
    const auto changed = qScopeGuard([this] { m_rules.setChangingSource(false); });
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
    switch (m_rules.state()) {
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
    if (!m_rules.active() && m_rules.state() != Paused)
        return;
    m_rules.requestStop();
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

void MediaPlayerWidget::showDuration(qint64 duration)
{
    for (PlayerControls *const controls : allControls())
        controls->setDuration(duration);
    emit metadataChanged();
}

void MediaPlayerWidget::showPosition(qint64 position)
{
    for (PlayerControls *const controls : allControls())
        controls->setPosition(position);
}

void MediaPlayerWidget::setMuted(bool muted)
{
    m_audioOutput->setMuted(muted);
    for (PlayerControls *const controls : allControls())
        controls->setMuted(muted);
}

void MediaPlayerWidget::handleError(QMediaPlayer::Error error)
{
    if (!m_rules.takeError(error, m_player->mediaStatus()))
        return;
    qCWarning(lcPlayer) << "Cannot play" << m_url.left(kLoggedAddressLength) << m_rules.failure()
                        << m_player->errorString();
    refresh();
}

void MediaPlayerWidget::refresh()
{
    if (m_rules.changingSource())
        return;
    if (m_rules.update(observation()))
        showPlayState();
    if (!m_rules.failure().isEmpty() && !std::exchange(m_failureReported, true))
        QMetaObject::invokeMethod(
            this, [this, address = m_addressNumber] { reportFailure(address); },
            Qt::QueuedConnection);

    const QString status = m_rules.statusText(mediaTitle());
    if (status == m_statusText)
        return;
    m_statusText = status;
    if (m_fullScreenTitle)
        m_fullScreenTitle->setText(m_statusText);
    emit statusTextChanged();
}

PlayStateRules::Observation MediaPlayerWidget::observation() const
{
    return {m_player->playbackState(), m_player->mediaStatus(), m_player->duration(),
            m_player->position()};
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

void MediaPlayerWidget::showPlayState()
{
    const int state = m_rules.state();
    for (PlayerControls *const controls : allControls())
        controls->setPlaying(m_rules.active());

    // Reported from the event loop: a handler may then assign a new address, which reaches
    // into Qt's player, without doing so from inside one of that player's own signals.
    m_pendingStates.append(state);
    if (m_pendingStates.size() == 1)
        QMetaObject::invokeMethod(this, &MediaPlayerWidget::reportStateChanges,
                                  Qt::QueuedConnection);
}

void MediaPlayerWidget::reportFailure(quint64 address)
{
    // A new address since then has a failure of its own, or none
    if (address == m_addressNumber)
        emit mediaFailed();
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
    m_fullScreenView->setObjectName(u"fullScreenView"_s);
    m_fullScreenView->setWindowTitle(u"全屏播放"_s);
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
    m_fullScreenControls->setPlaying(m_rules.active());
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
