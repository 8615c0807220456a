#pragma once

#include "controls/mediaplayer.h"
#include "playstaterules.h"

#include <QList>
#include <QMediaPlayer>
#include <QWidget>

class QAudioOutput;
class QLabel;
class PlayerControls;

// `WindowsMediaPlayer1`: an audio player on Qt Multimedia that shows only its control strip. Its
// play state follows PlayStateRules. PlayStateChange is emitted from the event loop, never from
// inside a call into the player, so a handler may assign a new URL from within it.
class MediaPlayerWidget : public QWidget, public MediaPlayer {
    Q_OBJECT

public:
    explicit MediaPlayerWidget(QWidget *parent = nullptr);
    ~MediaPlayerWidget() override;

    void setURL(const QString &url) override;
    QString URL() const override;
    int playState() const override;
    QString failure() const override { return m_rules.failure(); }
    QString statusText() const override;
    int volume() const override;
    void setVolume(int volume) override;
    bool fullScreen() const override;
    void setFullScreen(bool on) override;

    QSize sizeHint() const override;

    // What the desktop's media controls need beyond the window's own use. Each acts as the
    // matching control of the strip does, so stop is the stop button, with all its effects.
    void play();
    void pause();
    void togglePlayPause();
    void stop() override;
    // In milliseconds; the duration is 0 while it is not known
    qint64 position() const override;
    qint64 duration() const;
    void setPosition(qint64 milliseconds) override;
    void setTitle(const QString &title) override;
    // That name, or else the media's own title, or else the file name
    QString title() const;

signals:
    void PlayStateChange(int newState);
    // button: 1 left, 2 right, 4 middle; shiftState: 1 Shift, 2 Ctrl, 4 Alt; x, y in pixels
    void DoubleClick(int button, int shiftState, double x, double y);
    // The address, the title or the duration changed
    void metadataChanged();
    void volumeChanged(int volume);
    // Playback jumped to `milliseconds` at the user's request
    void seeked(qint64 milliseconds);
    // What statusText() says has changed
    void statusTextChanged();
    // The current address cannot be played: failure() says why. Emitted from the event loop,
    // once per address.
    void mediaFailed();

protected:
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    void start(const QString &url);
    void load(const QUrl &address);
    void reportFailure(quint64 address);
    void setMuted(bool muted);
    void showDuration(qint64 duration);
    void showPosition(qint64 position);
    void handleError(QMediaPlayer::Error error);
    void refresh();
    PlayStateRules::Observation observation() const;
    QString mediaTitle() const;
    void showPlayState();
    void reportStateChanges();
    QList<PlayerControls *> allControls() const;
    void connectControls(PlayerControls *controls);
    void createFullScreenView();

    QMediaPlayer *m_player;
    QAudioOutput *m_audioOutput;
    PlayerControls *m_controls;
    QWidget *m_fullScreenView = nullptr;
    PlayerControls *m_fullScreenControls = nullptr;
    QLabel *m_fullScreenTitle = nullptr;

    QString m_url;
    QString m_title;
    PlayStateRules m_rules;
    QString m_statusText;
    // Numbers the addresses started, so that a failure is reported for its own address only
    quint64 m_addressNumber = 0;
    bool m_failureReported = false;
    int m_volume = 50;
    // Play states not yet reported through PlayStateChange, oldest first
    QList<int> m_pendingStates;
};
