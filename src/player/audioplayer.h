#pragma once

#include "playback/playstaterules.h"

#include "controls/mediaplayer.h"

#include <QList>
#include <QMediaPlayer>
#include <QObject>

class QAudioOutput;

// The player behind `playerStrip`: audio on Qt Multimedia, without a widget. Its play
// state follows PlayStateRules. A handler may assign a new URL from within any of its signals.
class AudioPlayer : public QObject, public MediaPlayer {
    Q_OBJECT

public:
    explicit AudioPlayer(QObject *parent = nullptr);
    ~AudioPlayer() override;

    void setUrl(const QString &url) override;
    QString url() const override;
    PlayState playState() const override;
    QString failure() const override { return m_rules.failure(); }
    QString statusText() const override;
    int volume() const override;
    void setVolume(int volume) override;
    bool isMuted() const;
    void setMuted(bool muted);
    // Playing or on its way to playing
    bool isActive() const { return m_rules.active(); }

    // What the control strip and the desktop's media controls ask for. Stop is the stop button,
    // with all its effects.
    void play();
    void pause();
    void togglePlayPause();
    void stop() override;
    void replay(qint64 milliseconds) override;
    void cue(const QString &url, qint64 milliseconds) override;
    // In milliseconds; the duration is 0 while it is not known
    qint64 position() const override;
    qint64 duration() const;
    void setPosition(qint64 milliseconds) override;
    void setTitle(const QString &title) override;
    // That name, or else the media's own title, or else the file name
    QString title() const;

signals:
    void playStateChanged(PlayState newState);
    // Playing or not, as the play/pause button shows it
    void activeChanged(bool active);
    void durationChanged(qint64 milliseconds);
    void positionChanged(qint64 milliseconds);
    // The address, the title or the duration changed
    void metadataChanged();
    void volumeChanged(int volume);
    void mutedChanged(bool muted);
    // Playback jumped to `milliseconds` at the user's request
    void seeked(qint64 milliseconds);
    // What statusText() says has changed
    void statusTextChanged();
    // The current address cannot be played: failure() says why. Emitted once per address.
    void mediaFailed();

private:
    enum class Begin { Playing, Paused };
    void start(const QString &url, Begin begin = Begin::Playing);
    void load(const QUrl &address, Begin begin);
    void handleError(QMediaPlayer::Error error);
    void refresh();
    void seekWhenReady();
    PlayStateRules::Observation observation() const;
    QString mediaTitle() const;
    void showPlayState();

    QMediaPlayer *m_player;
    QAudioOutput *m_audioOutput;

    QString m_url;
    QString m_title;
    PlayStateRules m_rules;
    QString m_statusText;
    bool m_failureReported = false;
    // Where a replayed address goes on, once its media can seek; 0 for its start
    qint64 m_resumeAt = 0;
    int m_volume = 50;
};
