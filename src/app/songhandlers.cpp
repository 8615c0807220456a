#include "songhandlers.h"

#include "controls/mediaplayer.h"
#include "controls/textbox.h"
#include "controls/webview.h"
#include "links/linkresolver.h"

// While a handler waits for a link, other handlers run inside the wait: the user may choose
// another row, or the player may stop and go on from the list. A handler that the user has
// overtaken stops writing, so that the boxes never show one song beside another song's link, and
// "下载" never fetches a song other than the one shown. The rows a handler works on are taken
// once, when it starts: what it writes belongs to the song the user chose.

SongHandlers::SongHandlers(ReportList &list, Boxes boxes, MediaPlayer &player, WebView &browser,
                           LinkResolver &links, qint32 &playIndex)
    : m_list(list), m_boxes(boxes), m_player(player), m_browser(browser), m_links(links),
      m_playIndex(playIndex)
{
}

SongHandlers::Selection SongHandlers::selection() const
{
    const int index = m_list.selectedIndex();
    return {index, index > 0 ? m_list.item(index) : ReportRow()};
}

void SongHandlers::ListView1_Click()
{
    if (m_list.count() == 0)
        return;
    const Selection selected = selection();
    if (selected.index == 0)
        return;
    const quint64 choice = choose();
    m_boxes.Text3.setText(selected.row.text);
    m_boxes.Text5.setText(selected.row.SubItems(1));
    m_boxes.Text4.setText(selected.row.SubItems(2));
    showLinks(choice, selected.row.SubItems(2), true);
}

void SongHandlers::ListView1_DblClick()
{
    if (m_list.count() == 0)
        return;
    play(selection(), true);
}

void SongHandlers::Players_Click()
{
    play(selection(), false);
}

void SongHandlers::play(const Selection &selected, bool showRawLink)
{
    if (selected.index == 0)
        return;
    const quint64 choice = choose();
    const QString &id = selected.row.SubItems(2);
    m_playIndex = selected.index;
    m_boxes.Text3.setText(selected.row.text);
    m_boxes.Text4.setText(id);
    m_boxes.Text5.setText(selected.row.SubItems(1));
    QString link;
    try {
        link = m_links.ResolveSongLink(id);
    } catch (...) {
        dropLinks(choice, showRawLink);
        throw;
    }
    if (superseded(choice))
        return;
    // The player may have gone on from the list meanwhile; the user's row is where it goes on
    m_playIndex = selected.index;
    m_player.setURL(link);
    // The name the desktop's media controls show, as the list shows it
    m_player.setTitle(selected.row.text.trimmed());
    showLinks(choice, id, showRawLink);
}

void SongHandlers::showLinks(quint64 choice, const QString &id, bool showRawLink)
{
    QString link;
    try {
        link = m_links.ResolveSongLink(id);
    } catch (...) {
        dropLinks(choice, showRawLink);
        throw;
    }
    if (superseded(choice))
        return;
    m_boxes.Text2.setText(link);
    if (!showRawLink)
        return;
    try {
        link = m_links.ResolveSongLinkRaw(id);
    } catch (...) {
        if (!superseded(choice))
            m_boxes.Text6.setText(QString());
        throw;
    }
    if (!superseded(choice))
        m_boxes.Text6.setText(link);
}

void SongHandlers::dropLinks(quint64 choice, bool rawLinkToo)
{
    if (superseded(choice))
        return;
    m_boxes.Text2.setText(QString());
    if (rawLinkToo)
        m_boxes.Text6.setText(QString());
}

void SongHandlers::DOl_Click()
{
    const Selection selected = selection();
    if (selected.index == 0)
        return;
    // The song the user asked for, even if the selection moves while its link is on its way
    m_browser.Navigate(m_links.ResolveSongLink(selected.row.SubItems(2)));
}

void SongHandlers::Command3_Click()
{
    const QString link = m_boxes.Text2.text();
    if (!link.isEmpty())
        m_browser.Navigate(link);
}

void SongHandlers::WindowsMediaPlayer1_PlayStateChange(int)
{
    if (m_player.playState() != MediaPlayer::Stopped)
        return;
    if (m_list.count() == 0)
        return;
    // Rows between the first and the last play again; the last and the first go on with row 1
    if (m_playIndex >= m_list.count() || m_playIndex <= 1)
        m_playIndex = 1;
    const quint64 choice = m_userChoices;
    const quint64 continuation = ++m_continuations;
    const ReportRow row = m_list.item(m_playIndex);
    const QString link = m_links.ResolveSongLink(row.SubItems(2));
    // A song the user chose meanwhile, or a later stop's song, wins over this one
    if (superseded(choice) || continuation != m_continuations)
        return;
    m_player.setURL(link);
    m_player.setTitle(row.text.trimmed());
}

void SongHandlers::WindowsMediaPlayer1_DoubleClick()
{
    m_player.setFullScreen(true);
}
