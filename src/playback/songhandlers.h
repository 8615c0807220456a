#pragma once

#include "controls/mediaplayer.h"
#include "links/linklookup.h"
#include "songlist/songrow.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <optional>

class LinkResolver;
class MediaPlayer;
class PlayOrder;
class SongListModel;

// The handlers that act on one song of the list: show it, play it, go on playing from the list
// when the player stops, download it. Rows are given by their 1-based position, as playback
// counts them. Each returns at once; its links arrive later, and what it says then belongs to the
// song it started for. The user's newest choice of a song aborts whatever an older choice still
// waits for, and so does going on from the list, so that the window never shows one song beside
// another song's link.
class SongHandlers : public QObject {
    Q_OBJECT

public:
    // `list` is the list shown and played until another is
    SongHandlers(SongListModel &list, MediaPlayer &player, const LinkResolver &links,
                 QObject *parent = nullptr);

    // The user's choices read their rows from `list` from now on. A song played from it makes it
    // the list that playback goes on in.
    void showList(SongListModel &list);
    // The list that playback goes on in: the one the last song played was chosen from
    SongListModel &playingList() const { return *m_playingList; }

    // The 1-based row from which playback goes on
    qint32 playIndex() const { return m_playIndex; }
    void setPlayIndex(qint32 index) { m_playIndex = index; }

    // The user's choices of row `index`: a click shows it, a double-click plays and shows it, the
    // menu's "播放" plays it, and its "下载" downloads it
    void songClicked(int index);
    void songActivated(int index);
    void playTriggered(int index);
    void downloadTriggered(int index);
    // The download button, for the link that the window shows
    void downloadClicked(const QString &link);
    // The player-stopped rule: when the player has stopped, the list goes on with the row that
    // `order` chooses, if any
    void playerStateChanged(PlayState newState, PlayOrder &order);

    // Plays row `index` as a double-click on it would, for the desktop's next and previous
    void playRow(int index);
    // Goes past a song that cannot be played: plays row `index` as the player-stopped handler
    // would, and playback goes on from that row
    void skipTo(int index);
    // Loads the song of `row` paused at `milliseconds`, as it was left at the last exit; its
    // fields and its link are shown as a click's would be
    void resume(const SongRow &row, qint64 milliseconds);
    // The song that went to the player last, none before the first or after a resumed one failed
    const std::optional<SongRow> &playingSong() const { return m_playing; }
    // Forgets every link still on its way
    void abortAll();
    // A choice of the user's still waits for a link
    bool hasPendingChoice() const { return m_choice.has_value(); }

signals:
    // A choice shows the title, serial and identifier of its row
    void songShown(const SongRow &row);
    // A choice's encoded link, and its raw link; empty when the link the choice was about to
    // show could not be had
    void linkShown(const QString &link);
    void rawLinkShown(const QString &link);
    // The user chose a row: click, double-click, "播放", or the desktop's next and previous
    void userChose();
    // The link of row `index` went to the player
    void rowLoaded(int index);
    // The link of row `index` could not be had when it was to be played; `kind` tells whether
    // the service could be reached at all
    void rowFailed(int index, const QString &reason, FailureKind kind);
    // A link that a handler asked for could not be had
    void linkFailed(const QString &reason);
    // The user asked to download the song at `address`
    void downloadRequested(const QString &address);

private:
    // What a choice of the user's asks for, in order
    enum class Step { Player, LinkBox, RawLinkBox, Done };
    enum class Kind { Show, Activate, Play };
    struct Choice {
        Kind kind;
        int index = 0;
        SongRow row;
        SongListModel *list = nullptr;
        Step step = Step::Done;
    };
    // Going on from the list: the player-stopped rule, or past a song that cannot be played
    struct GoingOn {
        int index = 0;
        SongRow row;
        bool skipping = false;
        // Where a resumed song goes on, paused; a resumed song is no row of the list
        std::optional<qint64> resumeAt;
    };

    void chooseRow(Kind kind, int index);
    void choose(Choice choice);
    void showSong(const Choice &choice);
    // Asks for what the choice's current step writes, or ends the choice
    void takeStep();
    void choiceResolved(const QString &link);
    void choiceFailed(const QString &reason, FailureKind kind);
    void goOnWith(int index, bool skipping);
    void goingOnResolved(const QString &link);
    void goingOnFailed(const QString &reason, FailureKind kind);
    void downloadResolved(const QString &link);
    void play(int index, const SongRow &row, const QString &link);
    void cue(const GoingOn &goingOn, const QString &link);
    void abortGoingOn();
    template<typename Failed>
    LinkLookup *watch(LinkLookup *lookup, void (SongHandlers::*resolved)(const QString &),
                      Failed failed);

    SongListModel *m_shownList;
    SongListModel *m_playingList;
    MediaPlayer &m_player;
    const LinkResolver &m_links;
    qint32 m_playIndex = 1;
    std::optional<SongRow> m_playing;

    std::optional<Choice> m_choice;
    QPointer<LinkLookup> m_choiceLookup;
    std::optional<GoingOn> m_goingOn;
    QPointer<LinkLookup> m_goingOnLookup;
};
