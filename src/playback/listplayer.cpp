#include "listplayer.h"

#include "common/logging.h"
#include "controls/mediaplayer.h"
#include "net/serviceprober.h"
#include "songlist/songlistmodel.h"

using namespace Qt::StringLiterals;

ListPlayer::ListPlayer(SongHandlers &songs, SongListModel &list, MediaPlayer &player,
                       QObject *parent)
    : QObject(parent), m_songs(songs), m_marked(&list), m_player(player)
{
    m_skipTimer.setSingleShot(true);
    // A coarse timer may fire 5 % early, and the pause is also the limit on how often we ask
    m_skipTimer.setTimerType(Qt::PreciseTimer);
    m_skipTimer.setInterval(PlayOrder::kSkipDelay);
    connect(&m_skipTimer, &QTimer::timeout, this, &ListPlayer::skip);
    connect(&m_songs, &SongHandlers::userChose, this, &ListPlayer::userChose);
    connect(&m_songs, &SongHandlers::rowLoaded, this, &ListPlayer::rowLoaded);
    connect(&m_songs, &SongHandlers::rowFailed, this, &ListPlayer::rowFailed);
    connect(&list, &QAbstractItemModel::modelReset, this, [this] { m_order.listReplaced(); });
}

void ListPlayer::waitWith(ServiceProber &prober, const QUrl &service)
{
    m_prober = &prober;
    m_service = service;
    connect(m_prober, &ServiceProber::probeFailed, this, &ListPlayer::serviceUnreachable);
    connect(m_prober, &ServiceProber::serviceAnswers, this, &ListPlayer::serviceAnswers);
    // A song's link that came proves the service answers; a probe's answer alone does not
    connect(&m_songs, &SongHandlers::rowLoaded, m_prober, &ServiceProber::requestAnswered);
}

namespace {

// Playback counts rows from 1, the list from 0; no row is 0 and -1
int position(int row)
{
    return row + 1;
}

int rowAt(int position)
{
    return position - 1;
}

} // namespace

bool ListPlayer::hasRows() const
{
    return !list().isEmpty();
}

void ListPlayer::playNext()
{
    m_songs.playRow(m_order.next(position(list().playMark()), list().size()));
}

void ListPlayer::playPrevious()
{
    if (PlayOrder::restartsInstead(m_player.position())) {
        m_player.setPosition(0);
        return;
    }
    const int row = m_order.previous(position(list().playMark()), list().size());
    // Nothing before the row that plays in this order: it starts over
    if (row == 0 && list().playMark() >= 0)
        return m_player.setPosition(0);
    m_songs.playRow(row);
}

void ListPlayer::setPlayMode(PlayMode mode)
{
    if (mode == m_order.mode())
        return;
    m_order.setMode(mode, position(list().playMark()), list().size());
    emit playModeChanged(mode);
}

void ListPlayer::stopPlayback()
{
    holdStill();
    const PlayState state = m_player.playState();
    if (state != PlayState::Playing && state != PlayState::Buffering && state != PlayState::Paused)
        return;
    m_stoppedForGood = true;
    m_player.stop();
}

void ListPlayer::playAddress(const QString &address)
{
    holdStill();
    m_order.reset();
    list().setPlayMark(-1);
    m_playsOpenedAddress = true;
    m_player.setUrl(address);
}

void ListPlayer::playStateChanged(PlayState newState)
{
    followPlayState();
    // The desktop's stop stays a stop
    if (!m_stoppedForGood)
        m_songs.playerStateChanged(newState, m_order);
}

void ListPlayer::followPlayState()
{
    const PlayState state = m_player.playState();
    if (state != PlayState::Playing && state != PlayState::Buffering)
        return;
    // Something plays again: the desktop's stop is over, and a song that the user started
    // again with the player's own button is not skipped from under them
    m_stoppedForGood = false;
    holdStill();
    if (state != PlayState::Playing)
        return;
    // Media that plays is the service answering a request of the list's own: the next wait
    // begins with the shortest pause again
    if (m_prober)
        m_prober->requestAnswered();
    const int playing = position(list().playMark());
    m_order.playing(playing);
    const int row = std::exchange(m_startingRow, 0);
    if (row > 0 && row == playing)
        emit songStarted(list().row(rowAt(row)).text.trimmed());
}

void ListPlayer::mediaFailed()
{
    if (m_playsOpenedAddress) {
        // Not the list's song: nothing to mark, skip or wait for
        qCInfo(lcPlayback) << "The address opened from outside cannot be played";
        emit openedAddressFailed(m_player.failure());
        return;
    }
    const int row = position(list().playMark());
    if (!m_prober)
        return songFailed(row, m_player.failure());
    // To the player, media that the service will not send and a service that cannot be reached
    // look alike; one probe of the address tells them apart
    m_wait = Wait {row, m_player.failure(), m_player.position()};
    m_prober->check(QUrl(m_player.url()));
}

void ListPlayer::holdStill()
{
    m_skipTimer.stop();
    endWait();
}

void ListPlayer::userChose()
{
    holdStill();
    m_order.reset();
}

void ListPlayer::rowLoaded(int index)
{
    // The mark goes with the song to the list it was played from, and the order starts a new
    // round there
    if (m_marked != &list()) {
        m_marked->setPlayMark(-1);
        m_order.listReplaced();
    }
    m_marked = &list();
    list().setPlayMark(rowAt(index));
    m_order.loaded(index, list().size());
    m_startingRow = index;
    m_playsOpenedAddress = false;
}

void ListPlayer::rowFailed(int index, const QString &reason, FailureKind kind)
{
    if (!m_prober)
        return songFailed(index, reason);
    if (kind == FailureKind::Answered) {
        m_prober->requestAnswered();
        return songFailed(index, reason);
    }
    // Waits with a longer pause each time its link fails again for want of the service
    m_wait = Wait {index, reason, std::nullopt, false};
    serviceUnreachable();
    m_prober->start(m_service);
}

void ListPlayer::serviceUnreachable()
{
    if (!m_wait || std::exchange(m_wait->confirmed, true))
        return;
    qCInfo(lcPlayback) << "The service cannot be reached; waiting for it:" << m_wait->reason;
    emit waitingForService();
}

void ListPlayer::serviceAnswers()
{
    if (!m_wait)
        return;
    const Wait wait = *std::exchange(m_wait, std::nullopt);
    // The service answered the first probe of the media: the song itself is broken
    if (!wait.confirmed)
        return songFailed(wait.row, wait.reason);
    qCInfo(lcPlayback) << "The service answers again; playing row" << wait.row << "again";
    emit serviceBack();
    if (wait.position)
        return m_player.replay(qMax<qint64>(0, *wait.position - kResumeRewind.count()));
    m_songs.skipTo(wait.row);
}

void ListPlayer::endWait()
{
    if (!m_wait)
        return;
    m_wait.reset();
    m_prober->stop();
}

void ListPlayer::songFailed(int row, const QString &reason)
{
    if (list().isEmpty())
        return;
    if (row > 0)
        list().setErrorMark(rowAt(row), reason);
    m_skipRow = m_order.failed(row, list().size());
    if (m_skipRow > 0) {
        m_skipTimer.start();
        return;
    }
    qCInfo(lcPlayback) << "Stopped going past songs that cannot be played after"
                       << m_order.failures() << "of them:" << reason;
    emit gaveUp(m_order.failures(), reason);
}

void ListPlayer::skip()
{
    // A failure of the next row comes back through rowFailed(), as that row's own
    m_songs.skipTo(m_skipRow);
}
