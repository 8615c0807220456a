#include "startup.h"

#include "common/logging.h"
#include "controls/mediaplayer.h"
#include "links/linklookup.h"
#include "links/linkresolver.h"
#include "net/serviceurls.h"
#include "playback/songhandlers.h"
#include "settings/settingsstore.h"
#include "songlist/songlistloader.h"
#include "songlist/songlistmodel.h"

#include <chrono>

namespace {

// The least time from one reload's start to the next
constexpr std::chrono::milliseconds kReloadGap {1000};

} // namespace

StartUp::StartUp(Parts parts, std::unique_ptr<ServiceProber> prober, const QUrl &service,
                 QObject *parent)
    : QObject(parent), m_parts(parts), m_prober(std::move(prober)), m_service(service)
{
    SongListLoader *const loader = &m_parts.loader;
    // Only a list that came proves the service answers: it may answer the probe while the list
    // still fails, and the pauses then go on growing
    connect(loader, &SongListLoader::finished, m_prober.get(), &ServiceProber::requestAnswered);
    connect(loader, &SongListLoader::finished, this, &StartUp::listRunEnded);
    connect(loader, &SongListLoader::failed, this, &StartUp::listRunFailed);
    connect(loader, &SongListLoader::runningChanged, this, &StartUp::listRunStarted);
    connect(m_prober.get(), &ServiceProber::serviceAnswers, this, &StartUp::serviceAnswers);
}

void StartUp::start()
{
    m_parts.list.clear();
    m_startingUp = true;
    runDefaultList();
}

void StartUp::reloadDefaultList()
{
    // Tapping F5 fast runs the list about once a second, not once a tap
    if (m_lastReload.isValid() && m_lastReload.elapsed() < kReloadGap.count())
        return;
    if (runDefaultListAgain())
        m_lastReload.start();
}

bool StartUp::runDefaultListAgain()
{
    if (m_parts.loader.state() == SongListLoader::State::Fetching)
        return false;
    m_reloadWhenBack = false;
    m_parts.list.clear();
    runDefaultList();
    return true;
}

void StartUp::runDefaultList()
{
    m_parts.loader.loadSongList(m_parts.urls.defaultList());
}

void StartUp::listRunStarted(bool running)
{
    // A search of the user's replaces the default list that was to be loaded again
    if (running && !m_parts.loader.listsDefaultClass())
        m_reloadWhenBack = false;
}

void StartUp::listRunFailed(const QString &, int, FailureKind kind)
{
    if (kind == FailureKind::Answered)
        m_prober->requestAnswered();
    // The default list comes back by itself once the service answers; a search does not, as
    // the user may have moved on
    if (kind == FailureKind::Unreachable && m_parts.loader.listsDefaultClass()) {
        emit reloadsWhenBack();
        m_reloadWhenBack = true;
        waitForService();
    }
    listRunEnded();
}

void StartUp::listRunEnded()
{
    if (!std::exchange(m_startingUp, false)) {
        // The default list is in again; the background track it had to do without follows
        if (m_parts.loader.listsDefaultClass() && !m_reloadWhenBack
            && std::exchange(m_backgroundWhenBack, false))
            fetchBackgroundTrack();
        return;
    }
    // Start-up goes on once the default list run has ended and its list is finished
    emit firstListEnded();
    beginPlayback();
}

void StartUp::beginPlayback()
{
    switch (m_parts.settings.startAction()) {
    case SettingsStore::StartAction::Nothing:
        endStartUp();
        return;
    case SettingsStore::StartAction::LastSong:
        if (const auto last = m_parts.settings.lastSong()) {
            m_parts.songs.resume(last->row, last->position);
            endStartUp();
            return;
        }
        qCInfo(lcApp) << "No song of the last exit to go back to; playing the background track";
        break;
    case SettingsStore::StartAction::BackgroundMusic:
        break;
    }
    fetchBackgroundTrack();
}

void StartUp::fetchBackgroundTrack()
{
    m_backgroundLookup = m_parts.links.fetchBackgroundTrack(this);
    connect(m_backgroundLookup, &LinkLookup::resolved, this, &StartUp::startBackgroundTrack);
    connect(m_backgroundLookup, &LinkLookup::failed, this, &StartUp::reportNoBackgroundTrack);
}

void StartUp::startBackgroundTrack(const QString &link)
{
    m_prober->requestAnswered();
    // A song that the user chose while the service was away is not cut off by it
    if (m_parts.player.url().isEmpty())
        m_parts.player.setUrl(link);
    endStartUp();
}

void StartUp::reportNoBackgroundTrack(const QString &reason, FailureKind kind)
{
    // The window comes up all the same, without a background track. When the list failed too,
    // its reason stays first: it is what the user must know about.
    qCWarning(lcApp) << "No background track:" << reason;
    const bool listFailed = !m_parts.loader.lastFailure().isEmpty();
    if (kind == FailureKind::Unreachable) {
        m_backgroundWhenBack = true;
        waitForService();
        if (!listFailed)
            emit waitingForService();
    } else {
        emit backgroundTrackUnavailable(reason, listFailed);
    }
    endStartUp();
}

void StartUp::waitForService()
{
    if (!m_prober->isProbing())
        m_prober->start(m_service);
}

void StartUp::serviceAnswers()
{
    if (std::exchange(m_reloadWhenBack, false)) {
        qCInfo(lcApp) << "The service answers again; loading the default list again";
        runDefaultListAgain();
        return;
    }
    if (!std::exchange(m_backgroundWhenBack, false))
        return;
    emit serviceBack();
    fetchBackgroundTrack();
}

void StartUp::endStartUp()
{
    if (std::exchange(m_loaded, true))
        return;
    m_parts.player.setVolume(100);
    emit loaded();
}

void StartUp::stop()
{
    if (m_backgroundLookup)
        m_backgroundLookup->abort();
    m_prober->stop();
}
