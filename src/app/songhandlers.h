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

    SongHandlers(ReportList &list, Boxes boxes, MediaPlayer &player, WebView &browser,
                 LinkResolver &links, qint32 &playIndex);

    // Each may raise Failure when a link cannot be had; the window catches it.
    void ListView1_Click();
    void ListView1_DblClick();
    void Players_Click();
    void DOl_Click();
    void Command3_Click();
    void WindowsMediaPlayer1_PlayStateChange(int newState);
    void WindowsMediaPlayer1_DoubleClick();

private:
    struct Selection {
        int index = 0;
        ReportRow row;
    };

    Selection selection() const;
    // Counts a choice of the user's (click, double-click, "播放"); returns its number
    quint64 choose() { return ++m_userChoices; }
    // Whether the user has chosen again since `choice`
    bool superseded(quint64 choice) const { return choice != m_userChoices; }
    void play(const Selection &selection, bool showRawLink);
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
    // The user's choices, and the plays that the player-stopped handler starts: a handler drops
    // what it has left to write when the user has chosen again meanwhile, so that the latest
    // choice is what plays and what the boxes show. Going on from the list never overrides it.
    quint64 m_userChoices = 0;
    quint64 m_continuations = 0;
};
