#include "songhandlers.h"

#include "links/linkresolver.h"
#include "controls/mediaplayer.h"
#include "controls/textbox.h"
#include "controls/webview.h"

// While a handler waits for a link, the user may click another row, and that row's handler runs
// inside the wait. The older handler then stops writing, so that the boxes never show one song
// beside another song's link, and "下载" never fetches a song other than the one shown.

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

bool SongHandlers::stillSelected(const Selection &selection) const
{
    const int index = m_list.selectedIndex();
    return index == selection.index && m_list.item(index) == selection.row;
}

void SongHandlers::ListView1_Click()
{
    if (m_list.count() == 0)
        return;
    const Selection selected = selection();
    if (selected.index == 0)
        return;
    m_boxes.Text3.setText(selected.row.text);
    m_boxes.Text5.setText(selected.row.SubItems(1));
    m_boxes.Text4.setText(selected.row.SubItems(2));
    const QString link = m_links.ResolveSongLink(selected.row.SubItems(2));
    if (!stillSelected(selected))
        return;
    m_boxes.Text2.setText(link);
    const QString rawLink = m_links.ResolveSongLinkRaw(selected.row.SubItems(2));
    if (!stillSelected(selected))
        return;
    m_boxes.Text6.setText(rawLink);
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
    const quint64 request = ++m_playRequests;
    m_playIndex = selected.index;
    m_boxes.Text3.setText(selected.row.text);
    m_boxes.Text4.setText(selected.row.SubItems(2));
    m_boxes.Text5.setText(selected.row.SubItems(1));
    const QString link = m_links.ResolveSongLink(selected.row.SubItems(2));
    if (!stillSelected(selected) || request != m_playRequests)
        return;
    m_player.setURL(link);
    // The name the desktop's media controls show, as the list shows it
    m_player.setTitle(selected.row.text.trimmed());
    const QString shownLink = m_links.ResolveSongLink(selected.row.SubItems(2));
    if (!stillSelected(selected))
        return;
    m_boxes.Text2.setText(shownLink);
    if (!showRawLink)
        return;
    const QString rawLink = m_links.ResolveSongLinkRaw(selected.row.SubItems(2));
    if (!stillSelected(selected))
        return;
    m_boxes.Text6.setText(rawLink);
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
    const quint64 request = ++m_playRequests;
    const ReportRow row = m_list.item(m_playIndex);
    const QString link = m_links.ResolveSongLink(row.SubItems(2));
    // A song the user chose meanwhile wins over going on from the list
    if (request != m_playRequests)
        return;
    m_player.setURL(link);
    m_player.setTitle(row.text.trimmed());
}

void SongHandlers::WindowsMediaPlayer1_DoubleClick()
{
    m_player.setFullScreen(true);
}
