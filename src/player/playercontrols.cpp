#include "playercontrols.h"
#include "playmodelook.h"

#include <QBoxLayout>
#include <QEvent>
#include <QLabel>
#include <QSlider>
#include <QStyle>
#include <QTime>
#include <QToolButton>

using namespace Qt::StringLiterals;

namespace {

QString formatTime(qint64 milliseconds)
{
    const QTime time = QTime::fromMSecsSinceStartOfDay(int(qMax<qint64>(0, milliseconds)));
    return time.toString(time.hour() > 0 ? u"h:mm:ss"_s : u"m:ss"_s);
}

} // namespace

PlayerControls::PlayerControls(QWidget *parent)
    : QWidget(parent), m_playPauseButton(new QToolButton(this)),
      m_stopButton(new QToolButton(this)), m_playModeButton(new QToolButton(this)),
      m_seekSlider(new QSlider(Qt::Horizontal, this)), m_timeLabel(new QLabel(this)),
      m_muteButton(new QToolButton(this)), m_volumeSlider(new QSlider(Qt::Horizontal, this))
{
    m_playPauseButton->setObjectName(u"playPauseButton"_s);
    m_playPauseButton->setAutoRaise(true);
    setPlaying(false);
    connect(m_playPauseButton, &QToolButton::clicked, this, &PlayerControls::playPauseClicked);

    m_stopButton->setObjectName(u"stopButton"_s);
    m_stopButton->setAutoRaise(true);
    m_stopButton->setIcon(standardIcon(QStyle::SP_MediaStop));
    m_stopButton->setToolTip(u"停止"_s);
    connect(m_stopButton, &QToolButton::clicked, this, &PlayerControls::stopClicked);

    m_playModeButton->setObjectName(u"playModeButton"_s);
    m_playModeButton->setAutoRaise(true);
    setPlayMode(m_playMode);
    connect(m_playModeButton, &QToolButton::clicked, this, &PlayerControls::playModeClicked);

    m_seekSlider->setObjectName(u"seekSlider"_s);
    m_seekSlider->setToolTip(u"播放进度"_s);
    m_seekSlider->setRange(0, 0);
    m_seekSlider->setEnabled(false);
    m_seekSlider->setSingleStep(5000);
    m_seekSlider->setPageStep(15000);
    // A drag seeks once, on release; clicks beside the handle and keys seek at once.
    connect(m_seekSlider, &QSlider::actionTriggered, this, &PlayerControls::seekActionTriggered);
    connect(m_seekSlider, &QSlider::sliderReleased, this,
            [this] { emit seekRequested(m_seekSlider->sliderPosition()); });

    m_timeLabel->setObjectName(u"timeLabel"_s);
    m_timeLabel->setTextFormat(Qt::PlainText);
    m_timeLabel->setAlignment(Qt::AlignCenter);
    m_timeLabel->setMinimumWidth(m_timeLabel->fontMetrics().horizontalAdvance(u"00:00 / 00:00"_s));
    updateTimeLabel();

    m_muteButton->setObjectName(u"muteButton"_s);
    m_muteButton->setAutoRaise(true);
    m_muteButton->setCheckable(true);
    setMuted(false);
    connect(m_muteButton, &QToolButton::toggled, this, &PlayerControls::muteToggled);

    m_volumeSlider->setObjectName(u"volumeSlider"_s);
    m_volumeSlider->setToolTip(u"音量"_s);
    m_volumeSlider->setRange(0, 100);
    m_volumeSlider->setFixedWidth(64);
    connect(m_volumeSlider, &QSlider::valueChanged, this, &PlayerControls::volumeChanged);

    auto *const layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 2, 4, 2);
    layout->setSpacing(2);
    layout->addWidget(m_playPauseButton);
    layout->addWidget(m_stopButton);
    layout->addWidget(m_playModeButton);
    layout->addWidget(m_seekSlider, 1);
    layout->addWidget(m_timeLabel);
    layout->addWidget(m_muteButton);
    layout->addWidget(m_volumeSlider);
}

void PlayerControls::setPlaying(bool playing)
{
    m_playing = playing;
    m_playPauseButton->setIcon(
        standardIcon(playing ? QStyle::SP_MediaPause : QStyle::SP_MediaPlay));
    m_playPauseButton->setToolTip(playing ? u"暂停"_s : u"播放"_s);
}

QIcon PlayerControls::standardIcon(QStyle::StandardPixmap which)
{
    auto found = m_icons.constFind(which);
    if (found == m_icons.cend())
        found = m_icons.insert(which, style()->standardIcon(which));
    return *found;
}

QIcon PlayerControls::playModeIcon(PlayMode mode)
{
    auto found = m_playModeIcons.constFind(mode);
    if (found == m_playModeIcons.cend())
        found = m_playModeIcons.insert(
            mode, PlayModeLook::icon(mode, palette().color(QPalette::ButtonText)));
    return *found;
}

void PlayerControls::showIcons()
{
    m_playPauseButton->setIcon(
        standardIcon(m_playing ? QStyle::SP_MediaPause : QStyle::SP_MediaPlay));
    m_stopButton->setIcon(standardIcon(QStyle::SP_MediaStop));
    m_muteButton->setIcon(standardIcon(m_muteButton->isChecked() ? QStyle::SP_MediaVolumeMuted
                                                                 : QStyle::SP_MediaVolume));
    m_playModeButton->setIcon(playModeIcon(m_playMode));
}

void PlayerControls::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() != QEvent::StyleChange && event->type() != QEvent::PaletteChange)
        return;
    // The drawn mode icons are in the palette's colour
    m_icons.clear();
    m_playModeIcons.clear();
    showIcons();
}

void PlayerControls::setDuration(qint64 milliseconds)
{
    m_duration = qMax<qint64>(0, milliseconds);
    m_seekSlider->setRange(0, int(qMin<qint64>(m_duration, std::numeric_limits<int>::max())));
    m_seekSlider->setEnabled(m_duration > 0);
    updateTimeLabel();
}

void PlayerControls::setPosition(qint64 milliseconds)
{
    m_position = qMax<qint64>(0, milliseconds);
    // Leave the handle to the user while it is being dragged.
    if (!m_seekSlider->isSliderDown())
        m_seekSlider->setValue(int(qMin<qint64>(m_position, m_seekSlider->maximum())));
    updateTimeLabel();
}

void PlayerControls::setVolume(int volume)
{
    const QSignalBlocker blocker(m_volumeSlider);
    m_volumeSlider->setValue(volume);
}

void PlayerControls::setMuted(bool muted)
{
    const QSignalBlocker blocker(m_muteButton);
    m_muteButton->setChecked(muted);
    m_muteButton->setIcon(
        standardIcon(muted ? QStyle::SP_MediaVolumeMuted : QStyle::SP_MediaVolume));
    m_muteButton->setToolTip(muted ? u"取消静音"_s : u"静音"_s);
}

void PlayerControls::setPlayMode(PlayMode mode)
{
    m_playMode = mode;
    const QString name = PlayModeLook::name(mode);
    m_playModeButton->setIcon(playModeIcon(mode));
    m_playModeButton->setToolTip(name);
    m_playModeButton->setAccessibleName(name);
}

void PlayerControls::setButtonIconSize(const QSize &size)
{
    for (QToolButton *const button :
         {m_playPauseButton, m_stopButton, m_playModeButton, m_muteButton})
        button->setIconSize(size);
}

void PlayerControls::updateTimeLabel()
{
    m_timeLabel->setText(formatTime(m_position) + u" / "_s + formatTime(m_duration));
}

void PlayerControls::seekActionTriggered(int action)
{
    if (action != QAbstractSlider::SliderMove)
        emit seekRequested(m_seekSlider->sliderPosition());
}

void PlayerControls::muteToggled(bool muted)
{
    setMuted(muted);
    emit mutedChanged(muted);
}
