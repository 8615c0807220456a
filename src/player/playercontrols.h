#pragma once

#include "controls/playmode.h"

#include <QHash>
#include <QIcon>
#include <QStyle>
#include <QWidget>

class QLabel;
class QSlider;
class QToolButton;

// The transport strip of the media player: play/pause, stop, the play mode, a seek bar, elapsed
// and total time, mute and volume. It only shows what it is told and reports what the user asks
// for; the player decides. The same strip, larger, is shown in the full-screen view.
class PlayerControls : public QWidget {
    Q_OBJECT

public:
    explicit PlayerControls(QWidget *parent = nullptr);

    // Switches the play/pause button between "play" and "pause".
    void setPlaying(bool playing);
    // A duration of 0 means not known yet: the seek bar stays disabled until one arrives.
    void setDuration(qint64 milliseconds);
    void setPosition(qint64 milliseconds);
    void setVolume(int volume);
    void setMuted(bool muted);
    // The mode button shows `mode`'s icon, and its name as tooltip and accessible name
    void setPlayMode(PlayMode mode);
    void setButtonIconSize(const QSize &size);

signals:
    void playPauseClicked();
    void stopClicked();
    // The mode button asks for the next play mode
    void playModeClicked();
    void seekRequested(qint64 milliseconds);
    void volumeChanged(int volume);
    void mutedChanged(bool muted);

protected:
    void changeEvent(QEvent *event) override;

private:
    // The style's icon, made once: a new icon at every change of state would leave its pixmaps
    // in Qt's pixmap cache, a few kilobytes for every song played
    QIcon standardIcon(QStyle::StandardPixmap which);
    QIcon playModeIcon(PlayMode mode);
    void showIcons();
    void seekActionTriggered(int action);
    void muteToggled(bool muted);
    void updateTimeLabel();

    QToolButton *m_playPauseButton;
    QToolButton *m_stopButton;
    QToolButton *m_playModeButton;
    QSlider *m_seekSlider;
    QLabel *m_timeLabel;
    QToolButton *m_muteButton;
    QSlider *m_volumeSlider;
    qint64 m_duration = 0;
    qint64 m_position = 0;
    bool m_playing = false;
    PlayMode m_playMode = PlayMode::Default;
    QHash<int, QIcon> m_icons;
    QHash<PlayMode, QIcon> m_playModeIcons;
};
