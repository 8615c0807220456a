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
    // Whether the user still has the same song selected after a wait
    bool stillSelected(const Selection &selection) const;
    void play(const Selection &selection, bool showRawLink);

    ReportList &m_list;
    Boxes m_boxes;
    MediaPlayer &m_player;
    WebView &m_browser;
    LinkResolver &m_links;
    qint32 &m_playIndex;
    // Counts the handlers that set out to give the player a new song; only the latest may
    quint64 m_playRequests = 0;
};
