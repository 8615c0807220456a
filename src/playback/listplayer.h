#pragma once

#include "playorder.h"
#include "songhandlers.h"

#include "controls/listplayback.h"

#include <QObject>
#include <QTimer>

class MediaPlayer;
class ReportList;
class StatusPanels;

// Plays the list beyond the player-stopped rule: it goes past songs that cannot be played, plays
// the next and the previous row for the desktop, stops for good when the desktop says stop, and
// marks the row that plays. Runs on the song handlers and the small interfaces, without widgets.
class ListPlayer : public QObject, public ListPlayback {
    Q_OBJECT

public:
    ListPlayer(SongHandlers &songs, ReportList &list, MediaPlayer &player, StatusPanels &status,
               QObject *parent = nullptr);

    // ListPlayback: the desktop's commands. A stop is for good: the list does not go on by
    // itself until something plays again.
    bool hasRows() const override;
    void playNext() override;
    void playPrevious() override;
    void stopPlayback() override;
    // Whether the stop the player reports is the desktop's, which the list does not go past
    bool stoppedForGood() const { return m_stoppedForGood; }

    // The player's events
    void playStateChanged();
    void mediaFailed();

    // A dead song waits this long before the next row is tried; nothing is pending after
    void cancelSkip();
    bool skipPending() const { return m_skipTimer.isActive(); }

    // What becomes of the songs that the song handlers hand to the player
    void userChose();
    void rowLoaded(int index);
    void rowFailed(int index, const QString &reason);

signals:
    // A song from the list began to play; the title as the list shows it, without its padding
    void songStarted(const QString &title);

private:
    void songFailed(int row, const QString &reason);
    void skip();

    SongHandlers &m_songs;
    ReportList &m_list;
    MediaPlayer &m_player;
    StatusPanels &m_status;
    PlayOrder m_order;
    QTimer m_skipTimer;
    int m_skipRow = 0;
    // The row loaded last, until it plays
    int m_startingRow = 0;
    bool m_stoppedForGood = false;
};
