#include "mediaplayerwidget.h"

#include "audioplayer.h"
#include "playercontrols.h"

#include <QBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QShortcut>

using namespace Qt::StringLiterals;

MediaPlayerWidget::MediaPlayerWidget(AudioPlayer &player, QWidget *parent)
    : QWidget(parent), m_player(player), m_controls(new PlayerControls(this))
{
    auto *const layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_controls);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    // A widget class of its own paints no skin background unless told to; the strip's texts are
    // coloured for the skin's strip, not for the window beneath it
    setAttribute(Qt::WA_StyledBackground);
    connectControls(m_controls);
    connect(&m_player, &AudioPlayer::statusTextChanged, this, &MediaPlayerWidget::showStatus);
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

void MediaPlayerWidget::setPlayMode(PlayMode mode)
{
    m_playMode = mode;
    m_controls->setPlayMode(mode);
    if (m_fullScreenControls)
        m_fullScreenControls->setPlayMode(mode);
}

QSize MediaPlayerWidget::sizeHint() const
{
    return {449, 44};
}

void MediaPlayerWidget::mouseDoubleClickEvent(QMouseEvent *event)
{
    emit doubleClicked();
    event->accept();
}

void MediaPlayerWidget::showStatus()
{
    if (m_fullScreenTitle)
        m_fullScreenTitle->setText(m_player.statusText());
}

void MediaPlayerWidget::connectControls(PlayerControls *controls)
{
    controls->setPlaying(m_player.isActive());
    controls->setDuration(m_player.duration());
    controls->setPosition(m_player.position());
    controls->setVolume(m_player.volume());
    controls->setMuted(m_player.isMuted());
    controls->setPlayMode(m_playMode);
    connect(controls, &PlayerControls::playPauseClicked, &m_player, &AudioPlayer::togglePlayPause);
    connect(controls, &PlayerControls::stopClicked, &m_player, &AudioPlayer::stop);
    connect(controls, &PlayerControls::stopClicked, this, &MediaPlayerWidget::stopClicked);
    connect(controls, &PlayerControls::playModeClicked, this, &MediaPlayerWidget::playModeClicked);
    connect(controls, &PlayerControls::seekRequested, &m_player, &AudioPlayer::setPosition);
    connect(controls, &PlayerControls::volumeChanged, &m_player, &AudioPlayer::setVolume);
    connect(controls, &PlayerControls::mutedChanged, &m_player, &AudioPlayer::setMuted);
    connect(&m_player, &AudioPlayer::activeChanged, controls, &PlayerControls::setPlaying);
    connect(&m_player, &AudioPlayer::durationChanged, controls, &PlayerControls::setDuration);
    connect(&m_player, &AudioPlayer::positionChanged, controls, &PlayerControls::setPosition);
    connect(&m_player, &AudioPlayer::volumeChanged, controls, &PlayerControls::setVolume);
    connect(&m_player, &AudioPlayer::mutedChanged, controls, &PlayerControls::setMuted);
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

    m_fullScreenTitle = new QLabel(m_player.statusText(), m_fullScreenView);
    m_fullScreenTitle->setTextFormat(Qt::PlainText);
    m_fullScreenTitle->setAlignment(Qt::AlignCenter);
    m_fullScreenTitle->setWordWrap(true);

    m_fullScreenControls = new PlayerControls(m_fullScreenView);
    m_fullScreenControls->setButtonIconSize(QSize(48, 48));
    connectControls(m_fullScreenControls);

    auto *const layout = new QVBoxLayout(m_fullScreenView);
    layout->addStretch(1);
    layout->addWidget(m_fullScreenTitle);
    layout->addStretch(1);
    layout->addWidget(m_fullScreenControls);

    auto *const leave = new QShortcut(QKeySequence(Qt::Key_Escape), m_fullScreenView);
    connect(leave, &QShortcut::activated, this, [this] { setFullScreen(false); });
}
