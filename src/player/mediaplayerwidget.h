#pragma once

#include "controls/playmode.h"

#include <QWidget>

class AudioPlayer;
class QLabel;
class PlayerControls;

// `playerStrip` on screen: the control strip of an AudioPlayer, and its full-screen view.
class MediaPlayerWidget : public QWidget {
    Q_OBJECT

public:
    explicit MediaPlayerWidget(AudioPlayer &player, QWidget *parent = nullptr);

    AudioPlayer &player() const { return m_player; }
    bool fullScreen() const;
    void setFullScreen(bool on);
    // The play mode that the mode buttons show
    void setPlayMode(PlayMode mode);

    QSize sizeHint() const override;

signals:
    // With any button, anywhere on the strip but its controls
    void doubleClicked();
    // The user pressed stop, whatever the player was doing
    void stopClicked();
    // A mode button asks for the next play mode
    void playModeClicked();

protected:
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    void showStatus();
    void connectControls(PlayerControls *controls);
    void createFullScreenView();

    AudioPlayer &m_player;
    PlayerControls *m_controls;
    PlayMode m_playMode = PlayMode::Default;
    QWidget *m_fullScreenView = nullptr;
    PlayerControls *m_fullScreenControls = nullptr;
    QLabel *m_fullScreenTitle = nullptr;
};
