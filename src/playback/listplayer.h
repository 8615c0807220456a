#pragma once

#include "playorder.h"
#include "songhandlers.h"

#include "controls/listplayback.h"
#include "controls/mediaplayer.h"
#include "net/failurekind.h"
#include "songlist/songlistmodel.h"

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QUrl>
#include <chrono>
#include <optional>

class MediaPlayer;
class ServiceProber;
class SongListModel;

// Plays the list beyond the player-stopped rule: it goes past songs that cannot be played, plays
// the next and the previous row for the desktop, stops for good when the desktop says stop, and
// marks the row that plays. A song that fails because the service cannot be reached is not dead:
// the list waits for the service and plays it again. It says what happened through signals; the
// window turns them into its texts.
class ListPlayer : public QObject, public ListPlayback {
    Q_OBJECT

public:
    ListPlayer(SongHandlers &songs, SongListModel &list, MediaPlayer &player,
               QObject *parent = nullptr);

    // ListPlayback: the desktop's commands. A stop is for good: the list does not go on by
    // itself until something plays again.
    bool hasRows() const override;
    void playNext() override;
    void playPrevious() override;
    void stopPlayback() override;
    void playAddress(const QString &address) override;
    // The one place the play mode changes: the window's menu and button, the desktop's
    // LoopStatus and Shuffle
    PlayMode playMode() const override { return m_order.mode(); }
    void setPlayMode(PlayMode mode) override;
    // Whether the stop the player reports is the desktop's, which the list does not go past
    bool stoppedForGood() const { return m_stoppedForGood; }

    // How far before the point where a song broke off it plays again
    static constexpr std::chrono::milliseconds kResumeRewind {3000};

    // From now on a song that fails is first asked for with `prober`: while the service cannot
    // be reached, the list waits for it. A song's link that could not be had is waited for by
    // probing `service`. Without a prober every failed song is dead.
    void waitWith(ServiceProber &prober, const QUrl &service);

    // The player's events. A change of state first settles the list's own waits and marks, then,
    // unless the desktop stopped playback for good, the song handlers' player-stopped rule runs.
    void playStateChanged(PlayState newState);
    void mediaFailed();

    // Gives up going past a dead song and waiting for the service; nothing is pending after
    void holdStill();
    bool skipPending() const { return m_skipTimer.isActive(); }
    // A song waits for the service to answer again
    bool waitsForService() const { return m_wait.has_value(); }

    // What becomes of the songs that the song handlers hand to the player
    void userChose();
    void rowLoaded(int index);
    void rowFailed(int index, const QString &reason, FailureKind kind);

signals:
    // The play mode changed, whoever set it
    void playModeChanged(PlayMode mode);
    // A song from the list began to play; the title as the list shows it, without its padding
    void songStarted(const QString &title);
    // The address opened from outside could not be played
    void openedAddressFailed(const QString &reason);
    // A song failed while the service could not be reached: the list waits for the service
    void waitingForService();
    // The service answers again, and the song that waited plays again
    void serviceBack();
    // Going past songs that cannot be played stopped after `failures` of them in a row
    void gaveUp(int failures, const QString &reason);

private:
    // A song that failed while the service might be out of reach
    struct Wait {
        int row = 0;
        QString reason;
        // Where its media broke off; none when it was its link that could not be had
        std::optional<qint64> position;
        // A probe found the service out of reach, and the list says that it waits
        bool confirmed = false;
    };

    // The list that plays: the one the song handlers last played a song from
    SongListModel &list() const { return m_songs.playingList(); }
    // The list's part of a change of the player's state
    void followPlayState();
    void songFailed(int row, const QString &reason);
    void skip();
    void serviceUnreachable();
    void serviceAnswers();
    void endWait();

    SongHandlers &m_songs;
    // The list whose row carries the play mark
    QPointer<SongListModel> m_marked;
    MediaPlayer &m_player;
    PlayOrder m_order;
    QTimer m_skipTimer;
    int m_skipRow = 0;
    // The row loaded last, until it plays
    int m_startingRow = 0;
    bool m_stoppedForGood = false;
    // The player was given an address from outside, and no row since
    bool m_playsOpenedAddress = false;
    ServiceProber *m_prober = nullptr;
    QUrl m_service;
    std::optional<Wait> m_wait;
};
