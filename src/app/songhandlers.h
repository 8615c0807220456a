#pragma once

#include "controls/reportlist.h"

#include <QtGlobal>

class LinkResolver;
class MediaPlayer;
class TextBox;
class WebView;

// The handlers that act on one song of the list: show it, play it, go on playing from the list
// when the player stops, download it.
class SongHandlers {
public:
    // The display boxes, named as in the window
    struct Boxes {
        TextBox &Text2; // the encoded link
        TextBox &Text3; // the title
        TextBox &Text4; // the identifier
        TextBox &Text5; // the serial
        TextBox &Text6; // the raw link
    };

    // Told what becomes of the songs that the handlers hand to the player
    class Listener {
    public:
        virtual ~Listener() = default;
        // The user chose a row: click, double-click, "播放", or the desktop's next and previous
        virtual void userChose() = 0;
        // The link of row `index` went to the player
        virtual void rowLoaded(int index) = 0;
        // The link of row `index` could not be had when it was to be played
        virtual void rowFailed(int index, const QString &reason) = 0;
    };

    SongHandlers(ReportList &list, Boxes boxes, MediaPlayer &player, WebView &browser,
                 LinkResolver &links, qint32 &playIndex);

    void setListener(Listener *listener) { m_listener = listener; }

    // Each may raise Failure when a link cannot be had; the window catches it.
    void ListView1_Click();
    void ListView1_DblClick();
    void Players_Click();
    void DOl_Click();
    void Command3_Click();
    void WindowsMediaPlayer1_PlayStateChange(int newState);
    void WindowsMediaPlayer1_DoubleClick();

    // Plays row `index` as "播放" of that row would, for the desktop's next and previous
    void playRow(int index);
    // Goes past a song that cannot be played: plays row `index` as the player-stopped handler
    // would, and playback goes on from that row
    void skipTo(int index);

private:
    struct Selection {
        int index = 0;
        ReportRow row;
    };

    Selection selection() const;
    // Counts a choice of the user's (click, double-click, "播放"); returns its number
    quint64 choose();
    // Whether the user has chosen again since `choice`
    bool superseded(quint64 choice) const { return choice != m_userChoices; }
    void play(const Selection &selection, bool showRawLink);
    // Plays row `index` unless a user's choice or a later play overtakes it; returns whether
    // its link went to the player
    bool goOnWith(int index);
    // The link that row `index` is to play; a failure is that row's unless `stale()` says
    // another play has overtaken it
    template<typename Stale> QString linkToPlay(int index, const QString &id, Stale stale);
    // Fills the link boxes for the song `id`: the encoded link, and the raw one too if asked
    void showLinks(quint64 choice, const QString &id, bool showRawLink);
    // A link the handler was about to show could not be had: the boxes it would have written
    // are emptied, so that they never show another song's link, unless the user has chosen again
    void dropLinks(quint64 choice, bool rawLinkToo);

    ReportList &m_list;
    Boxes m_boxes;
    MediaPlayer &m_player;
    WebView &m_browser;
    LinkResolver &m_links;
    qint32 &m_playIndex;
    Listener *m_listener = nullptr;
    // The user's choices, and the plays that the player-stopped handler starts: a handler drops
    // what it has left to write when the user has chosen again meanwhile, so that the latest
    // choice is what plays and what the boxes show. Going on from the list never overrides it.
    quint64 m_userChoices = 0;
    quint64 m_continuations = 0;
};
