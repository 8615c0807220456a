#include "songhandlers.h"
#include "playorder.h"

#include "controls/mediaplayer.h"
#include "links/linkresolver.h"
#include "songlist/songlistmodel.h"

#include <utility>

SongHandlers::SongHandlers(SongListModel &list, MediaPlayer &player, const LinkResolver &links,
                           QObject *parent)
    : QObject(parent), m_shownList(&list), m_playingList(&list), m_player(player), m_links(links)
{
}

void SongHandlers::showList(SongListModel &list)
{
    m_shownList = &list;
}

template<typename Failed>
LinkLookup *SongHandlers::watch(LinkLookup *lookup, void (SongHandlers::*resolved)(const QString &),
                                Failed failed)
{
    connect(lookup, &LinkLookup::resolved, this, resolved);
    connect(lookup, &LinkLookup::failed, this, failed);
    return lookup;
}

void SongHandlers::chooseRow(Kind kind, int index)
{
    // The row is read once, when the handler starts: what it shows belongs to the song the user
    // chose, even if the list moves on meanwhile
    if (index < 1 || index > m_shownList->size())
        return;
    choose({kind, index, m_shownList->row(index - 1), m_shownList});
}

void SongHandlers::songClicked(int index)
{
    chooseRow(Kind::Show, index);
}

void SongHandlers::songActivated(int index)
{
    chooseRow(Kind::Activate, index);
}

void SongHandlers::playTriggered(int index)
{
    chooseRow(Kind::Play, index);
}

void SongHandlers::playRow(int index)
{
    // The program's own command: every box shows the song it plays, the raw link too, from the
    // list that plays
    if (index >= 1 && index <= m_playingList->size())
        choose({Kind::Activate, index, m_playingList->row(index - 1), m_playingList});
}

void SongHandlers::choose(Choice choice)
{
    // The newest choice is what plays and what the boxes show; going on from the list never
    // overrides it
    if (m_choiceLookup)
        m_choiceLookup->abort();
    abortGoingOn();
    emit userChose();
    m_choice = std::move(choice);
    showSong(*m_choice);
    m_choice->step = m_choice->kind == Kind::Show ? Step::LinkBox : Step::Player;
    takeStep();
}

void SongHandlers::showSong(const Choice &choice)
{
    if (choice.kind != Kind::Show) {
        m_playIndex = choice.index;
        m_playingList = choice.list;
    }
    emit songShown(choice.row);
}

void SongHandlers::takeStep()
{
    const QString &id = m_choice->row.subItem(2);
    switch (m_choice->step) {
    case Step::Player:
    case Step::LinkBox:
        m_choiceLookup = watch(m_links.resolveSongLink(id, this), &SongHandlers::choiceResolved,
                               &SongHandlers::choiceFailed);
        break;
    case Step::RawLinkBox:
        m_choiceLookup = watch(m_links.resolveSongLinkRaw(id, this), &SongHandlers::choiceResolved,
                               &SongHandlers::choiceFailed);
        break;
    case Step::Done:
        m_choice.reset();
        break;
    }
}

void SongHandlers::choiceResolved(const QString &link)
{
    Choice &choice = *m_choice;
    switch (choice.step) {
    case Step::Player:
        // Whatever the list went on with meanwhile, the user's row is where it goes on now
        abortGoingOn();
        play(choice.index, choice.row, link);
        choice.step = Step::LinkBox;
        break;
    case Step::LinkBox:
        emit linkShown(link);
        choice.step = choice.kind == Kind::Play ? Step::Done : Step::RawLinkBox;
        break;
    case Step::RawLinkBox:
    case Step::Done:
        emit rawLinkShown(link);
        choice.step = Step::Done;
        break;
    }
    takeStep();
}

void SongHandlers::choiceFailed(const QString &reason, FailureKind kind)
{
    const Choice choice = *std::exchange(m_choice, std::nullopt);
    // The links the choice was about to show are emptied, so that the window never shows
    // another song's link
    if (choice.step != Step::RawLinkBox)
        emit linkShown(QString());
    if (choice.kind != Kind::Play)
        emit rawLinkShown(QString());
    emit linkFailed(reason);
    if (choice.step == Step::Player)
        emit rowFailed(choice.index, reason, kind);
}

void SongHandlers::play(int index, const SongRow &row, const QString &link)
{
    m_playIndex = index;
    m_playing = row;
    m_player.setUrl(link);
    // The name the desktop's media controls show, as the list shows it
    m_player.setTitle(row.text.trimmed());
    emit rowLoaded(index);
}

void SongHandlers::downloadTriggered(int index)
{
    if (index < 1 || index > m_shownList->size())
        return;
    // The song the user asked for, even if the selection moves while its link is on its way
    watch(m_links.resolveSongLink(m_shownList->row(index - 1).subItem(2), this),
          &SongHandlers::downloadResolved, &SongHandlers::linkFailed);
}

void SongHandlers::downloadResolved(const QString &link)
{
    emit downloadRequested(link);
}

void SongHandlers::downloadClicked(const QString &link)
{
    if (!link.isEmpty())
        emit downloadRequested(link);
}

void SongHandlers::playerStateChanged(PlayState newState, PlayOrder &order)
{
    // Changes come from the event loop, several at a time: each end is one stop, and a stop
    // that something else has since followed is over
    if (newState != PlayState::Stopped || m_player.playState() != PlayState::Stopped)
        return;
    const int next
        = order.afterEnd(m_playIndex, m_playingList->playMark() + 1, m_playingList->size());
    // An empty list, or the order ends here
    if (next == 0)
        return;
    m_playIndex = next;
    goOnWith(m_playIndex, false);
}

void SongHandlers::skipTo(int index)
{
    if (index < 1 || index > m_playingList->size())
        return;
    goOnWith(index, true);
}

void SongHandlers::goOnWith(int index, bool skipping)
{
    // A later stop's song wins over this one
    abortGoingOn();
    m_goingOn = GoingOn {index, m_playingList->row(index - 1), skipping, std::nullopt};
    m_goingOnLookup = watch(m_links.resolveSongLink(m_goingOn->row.subItem(2), this),
                            &SongHandlers::goingOnResolved, &SongHandlers::goingOnFailed);
}

void SongHandlers::resume(const SongRow &row, qint64 milliseconds)
{
    abortGoingOn();
    emit songShown(row);
    m_goingOn = GoingOn {0, row, false, milliseconds};
    m_goingOnLookup = watch(m_links.resolveSongLink(row.subItem(2), this),
                            &SongHandlers::goingOnResolved, &SongHandlers::goingOnFailed);
}

void SongHandlers::cue(const GoingOn &goingOn, const QString &link)
{
    m_playing = goingOn.row;
    m_player.cue(link, *goingOn.resumeAt);
    m_player.setTitle(goingOn.row.text.trimmed());
    emit linkShown(link);
}

void SongHandlers::goingOnResolved(const QString &link)
{
    const GoingOn goingOn = *std::exchange(m_goingOn, std::nullopt);
    if (goingOn.resumeAt) {
        cue(goingOn, link);
        return;
    }
    // Playback goes on from the row that plays, not from one that failed before it: that would
    // be tried again whenever this song ends
    play(goingOn.index, goingOn.row, link);
}

void SongHandlers::goingOnFailed(const QString &reason, FailureKind kind)
{
    const GoingOn goingOn = *std::exchange(m_goingOn, std::nullopt);
    // A song that cannot be resumed is only reported: the list does not go on from it
    if (goingOn.resumeAt) {
        emit linkFailed(reason);
        return;
    }
    // Going past dead songs says so once it gives up, not at every row; a service out of reach
    // is waited for, and that says so itself
    if (!goingOn.skipping && kind == FailureKind::Answered)
        emit linkFailed(reason);
    emit rowFailed(goingOn.index, reason, kind);
}

void SongHandlers::abortGoingOn()
{
    if (m_goingOnLookup)
        m_goingOnLookup->abort();
    m_goingOn.reset();
}

void SongHandlers::abortAll()
{
    for (LinkLookup *const lookup : findChildren<LinkLookup *>(Qt::FindDirectChildrenOnly))
        lookup->abort();
    m_choice.reset();
    m_goingOn.reset();
}
