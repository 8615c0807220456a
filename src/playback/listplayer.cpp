#include "listplayer.h"

#include "common/logging.h"
#include "controls/mediaplayer.h"
#include "controls/reportlist.h"
#include "controls/statuspanels.h"

using namespace Qt::StringLiterals;

ListPlayer::ListPlayer(SongHandlers &songs, ReportList &list, MediaPlayer &player,
                       StatusPanels &status, QObject *parent)
    : QObject(parent), m_songs(songs), m_list(list), m_player(player), m_status(status)
{
    m_skipTimer.setSingleShot(true);
    // A coarse timer may fire 5 % early, and the pause is also the limit on how often we ask
    m_skipTimer.setTimerType(Qt::PreciseTimer);
    m_skipTimer.setInterval(PlayOrder::kSkipDelay);
    connect(&m_skipTimer, &QTimer::timeout, this, &ListPlayer::skip);
    connect(&m_songs, &SongHandlers::userChose, this, &ListPlayer::userChose);
    connect(&m_songs, &SongHandlers::rowLoaded, this, &ListPlayer::rowLoaded);
    connect(&m_songs, &SongHandlers::rowFailed, this, &ListPlayer::rowFailed);
}

bool ListPlayer::hasRows() const
{
    return m_list.count() > 0;
}

void ListPlayer::playNext()
{
    m_songs.playRow(PlayOrder::nextRow(m_list.playMark(), m_list.count()));
}

void ListPlayer::playPrevious()
{
    if (PlayOrder::restartsInstead(m_player.position())) {
        m_player.setPosition(0);
        return;
    }
    m_songs.playRow(PlayOrder::previousRow(m_list.playMark(), m_list.count()));
}

void ListPlayer::stopPlayback()
{
    cancelSkip();
    const MediaPlayer::PlayState state = m_player.playState();
    if (state != MediaPlayer::Playing && state != MediaPlayer::Buffering
        && state != MediaPlayer::Paused)
        return;
    m_stoppedForGood = true;
    m_player.stop();
}

void ListPlayer::playStateChanged()
{
    const MediaPlayer::PlayState state = m_player.playState();
    if (state != MediaPlayer::Playing && state != MediaPlayer::Buffering)
        return;
    // Something plays again: the desktop's stop is over, and a song that the user started
    // again with the player's own button is not skipped from under them
    m_stoppedForGood = false;
    cancelSkip();
    if (state != MediaPlayer::Playing)
        return;
    m_order.playing(m_list.playMark());
    const int row = std::exchange(m_startingRow, 0);
    if (row > 0 && row == m_list.playMark())
        emit songStarted(m_list.item(row).text.trimmed());
}

void ListPlayer::mediaFailed()
{
    songFailed(m_list.playMark(), m_player.failure());
}

void ListPlayer::cancelSkip()
{
    m_skipTimer.stop();
}

void ListPlayer::userChose()
{
    cancelSkip();
    m_order.reset();
}

void ListPlayer::rowLoaded(int index)
{
    m_list.setPlayMark(index);
    m_startingRow = index;
}

void ListPlayer::rowFailed(int index, const QString &reason)
{
    songFailed(index, reason);
}

void ListPlayer::songFailed(int row, const QString &reason)
{
    if (m_list.count() == 0)
        return;
    if (row > 0)
        m_list.setErrorMark(row, reason);
    m_skipRow = m_order.failed(row, m_list.count());
    if (m_skipRow > 0) {
        m_skipTimer.start();
        return;
    }
    qCInfo(lcApp) << "Stopped going past songs that cannot be played after" << m_order.failures()
                  << "of them:" << reason;
    m_status.setPanelText(
        1, u"连续%1首歌曲无法播放，已停止：%2"_s.arg(m_order.failures()).arg(reason));
}

void ListPlayer::skip()
{
    // A failure of the next row comes back through rowFailed(), as that row's own
    m_songs.skipTo(m_skipRow);
}
