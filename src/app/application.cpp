#include "application.h"

#include "desktopintegration.h"
#include "mainwindow.h"
#include "playback/listplayer.h"
#include "playback/songhandlers.h"
#include "singleinstance.h"

#include "common/constants.h"
#include "common/logging.h"
#include "controls/reportlist.h"
#include "controls/statuspanels.h"
#include "downloads/downloadmanager.h"
#include "links/linklookup.h"
#include "links/linkresolver.h"
#include "net/connectivitywatcher.h"
#include "net/serviceprober.h"
#include "net/textfetcher.h"
#include "net/urltexts.h"
#include "player/audioplayer.h"
#include "skin/skinlibrary.h"
#include "songlist/searchcommand.h"
#include "songlist/songlistloader.h"
#include "widgets/desktopshell.h"

#include <QCoreApplication>

using namespace Qt::StringLiterals;

namespace {

constexpr int kColumnWidth = 3000;
const QString kReloadsWhenBack = u"；网络恢复后自动重新加载"_s;
// The least time from one reload's start to the next
constexpr std::chrono::milliseconds kReloadGap {1000};

} // namespace

Application::Application(Environment environment, QObject *parent)
    : QObject(parent), m_environment(std::move(environment)),
      m_connectivity(std::make_unique<ConnectivityWatcher>()),
      m_downloads(std::make_unique<DownloadManager>(m_network, *m_connectivity)),
      m_playbackProber(std::make_unique<ServiceProber>(m_network, *m_connectivity)),
      m_startUpProber(std::make_unique<ServiceProber>(m_network, *m_connectivity)),
      m_fetcher(std::make_unique<TextFetcher>(m_network)),
      m_urls(std::make_unique<UrlTexts>(m_environment.serviceBase)),
      m_links(std::make_unique<LinkResolver>(*m_fetcher, *m_urls)),
      m_player(std::make_unique<AudioPlayer>())
{
    m_fetcher->setTransferTimeout(m_environment.transferTimeout);
    m_fetcher->setDeadline(m_environment.textDeadline);
    m_playbackProber->setSchedule(RetrySchedule(m_environment.retryUnit));
    m_startUpProber->setSchedule(RetrySchedule(m_environment.retryUnit));
    if (m_environment.programDir.isEmpty())
        m_environment.programDir = QCoreApplication::applicationDirPath();
    if (!m_environment.shell) {
        m_desktopShell = std::make_unique<DesktopShell>();
        m_environment.shell = m_desktopShell.get();
    }
    if (!m_environment.skinning) {
        m_skinLibrary = std::make_unique<SkinLibrary>();
        m_environment.skinning = m_skinLibrary.get();
    }

    m_window = std::make_unique<MainWindow>(*m_player, *m_downloads, *m_environment.shell);
    MessageBox &messageBox
        = m_environment.messageBox ? *m_environment.messageBox : m_window->messageBox();
    ReportList &list = m_window->songRows();
    m_loader = std::make_unique<SongListLoader>(*m_urls, *m_fetcher, list);
    m_search = std::make_unique<SearchCommand>(*m_urls, *m_loader, m_window->keywordText(), list,
                                               messageBox);
    m_songs = std::make_unique<SongHandlers>(list, m_window->songBoxes(), *m_player, *m_links);
    m_listPlayer
        = std::make_unique<ListPlayer>(*m_songs, list, *m_player, m_window->statusPanels());
    m_listPlayer->waitWith(*m_playbackProber, QUrl(m_environment.serviceBase));
    wire();
}

Application::~Application()
{
    // Nothing of the logic may answer into a window that is going
    m_loader->abort();
    m_songs->abortAll();
}

void Application::wire()
{
    m_window->attach({*m_loader, *m_search, *m_songs, *m_listPlayer, *m_player});
    connect(m_loader.get(), &SongListLoader::finished, this, &Application::listRunEnded,
            Qt::QueuedConnection);
    connect(m_loader.get(), &SongListLoader::failed, this, &Application::listRunFailed,
            Qt::QueuedConnection);
    connect(m_loader.get(), &SongListLoader::runningChanged, this, &Application::listRunStarted);
    connect(m_startUpProber.get(), &ServiceProber::serviceAnswers, this,
            &Application::serviceAnswers);
    // Only a list that came proves the service answers: it may answer the probe while the list
    // still fails, and the pauses then go on growing
    connect(m_loader.get(), &SongListLoader::finished, m_startUpProber.get(),
            &ServiceProber::requestAnswered);
    connect(m_window.get(), &MainWindow::defaultListRequested, this,
            &Application::reloadDefaultList);
    connect(m_window.get(), &MainWindow::siteRequested, this, &Application::openSite);
    connect(m_window.get(), &MainWindow::glassToggled, this, &Application::setGlass);
    connect(m_window.get(), &MainWindow::closed, this, &Application::unload);
    connect(m_listPlayer.get(), &ListPlayer::songStarted, this, &Application::announceSong);
    connect(m_songs.get(), &SongHandlers::downloadRequested, m_downloads.get(),
            &DownloadManager::download);
}

void Application::showOnDesktop(SingleInstance &instance, const QDBusConnection &bus)
{
    m_instance = &instance;
    m_bus = bus;
    connect(this, &Application::loaded, this, &Application::showWindow);
}

qint32 Application::playIndex() const
{
    return m_songs->playIndex();
}

bool Application::songChoicePending() const
{
    return m_songs->hasPendingChoice();
}

void Application::start()
{
    m_songs->setPlayIndex(1);
    ReportList &list = m_window->songRows();
    list.clear();
    list.clearColumns();
    list.setReportView();
    list.setFullRowSelect(true);
    list.setManualLabelEdit();
    list.setAlternatingRowColors(true);
    list.setMultiSelect(false);
    list.addColumn(u"歌曲名称："_s, kColumnWidth);
    list.addColumn(u"歌曲编号："_s, kColumnWidth);
    list.addColumn(u"歌曲ID："_s, kColumnWidth);
    m_startingUp = true;
    runDefaultList();
}

void Application::reloadDefaultList()
{
    // Tapping F5 fast runs the list about once a second, not once a tap
    if (m_lastReload.isValid() && m_lastReload.elapsed() < kReloadGap.count())
        return;
    if (runDefaultListAgain())
        m_lastReload.start();
}

bool Application::runDefaultListAgain()
{
    if (m_loader->state() == SongListLoader::State::Fetching)
        return false;
    m_reloadWhenBack = false;
    m_window->songRows().clear();
    runDefaultList();
    return true;
}

void Application::runDefaultList()
{
    m_loader->loadSongList(m_urls->text(UrlTexts::DefaultListFirstPage));
}

void Application::listRunStarted(bool running)
{
    // A search of the user's replaces the default list that was to be loaded again
    if (running && !m_loader->listsDefaultClass())
        m_reloadWhenBack = false;
}

void Application::listRunFailed(const QString &, int, FailureKind kind)
{
    if (kind == FailureKind::Answered)
        m_startUpProber->requestAnswered();
    // The default list comes back by itself once the service answers; a search does not, as
    // the user may have moved on
    if (kind == FailureKind::Unreachable && m_loader->listsDefaultClass() && !m_unloaded) {
        StatusPanels &status = m_window->statusPanels();
        status.setPanelText(1, status.panelText(1) + kReloadsWhenBack);
        m_reloadWhenBack = true;
        waitForService();
    }
    listRunEnded();
}

void Application::listRunEnded()
{
    if (m_unloaded)
        return;
    if (!std::exchange(m_startingUp, false)) {
        // The default list is in again; the background track it had to do without follows
        if (m_loader->listsDefaultClass() && !m_reloadWhenBack
            && std::exchange(m_backgroundWhenBack, false))
            fetchBackgroundTrack();
        return;
    }
    // Start-up goes on once the default list run has ended and its list is finished. The
    // separator is always inserted, as the skin library expects a full path.
    m_environment.skinning->attachSkin(m_environment.programDir + u"/quillpod.she"_s, QString());
    m_environment.skinning->setAero(0);
    m_window->setGlassChecked(false);
    fetchBackgroundTrack();
}

void Application::fetchBackgroundTrack()
{
    m_backgroundLookup = m_links->fetchBackgroundTrack(this);
    connect(m_backgroundLookup, &LinkLookup::resolved, this, &Application::startBackgroundTrack);
    connect(m_backgroundLookup, &LinkLookup::failed, this, &Application::reportNoBackgroundTrack);
}

void Application::startBackgroundTrack(const QString &link)
{
    m_startUpProber->requestAnswered();
    // A song that the user chose while the service was away is not cut off by it
    if (m_player->url().isEmpty())
        m_player->setUrl(link);
    endStartUp();
}

void Application::reportNoBackgroundTrack(const QString &reason, FailureKind kind)
{
    // The window comes up all the same, without a background track. When the list failed too,
    // its reason stays first: it is what the user must know about.
    qCWarning(lcApp) << "No background track:" << reason;
    StatusPanels &status = m_window->statusPanels();
    const bool listFailed = !m_loader->lastFailure().isEmpty();
    if (kind == FailureKind::Unreachable) {
        m_backgroundWhenBack = true;
        waitForService();
        if (!listFailed)
            status.setPanelText(1, WaitTexts::kWaiting);
    } else if (!listFailed) {
        status.setPanelText(1, u"背景音乐不可用：%1"_s.arg(reason));
    } else {
        status.setPanelText(1, status.panelText(1) + u"；背景音乐不可用"_s);
    }
    endStartUp();
}

void Application::waitForService()
{
    if (!m_startUpProber->isProbing())
        m_startUpProber->start(QUrl(m_environment.serviceBase));
}

void Application::serviceAnswers()
{
    if (std::exchange(m_reloadWhenBack, false)) {
        qCInfo(lcApp) << "The service answers again; loading the default list again";
        runDefaultListAgain();
        return;
    }
    if (!std::exchange(m_backgroundWhenBack, false))
        return;
    m_window->statusPanels().setPanelText(1, WaitTexts::kBack);
    fetchBackgroundTrack();
}

void Application::endStartUp()
{
    if (std::exchange(m_loaded, true))
        return;
    m_player->setVolume(100);
    emit loaded();
}

void Application::openWindow()
{
    m_window->show();
    m_downloads->restoreUnfinished();
}

void Application::showWindow()
{
    openWindow();
    // The desktop and later starts reach a window that has its list
    integrateDesktop(m_bus).serve(*m_instance);
}

DesktopIntegration &Application::integrateDesktop(const QDBusConnection &bus)
{
    m_desktop = std::make_unique<DesktopIntegration>(*m_window, *m_player, *m_listPlayer, bus);
    connect(m_window.get(), &MainWindow::listChanged, m_desktop.get(),
            &DesktopIntegration::listChanged);
    return *m_desktop;
}

void Application::openSite()
{
    m_environment.shell->openAddress(m_environment.serviceBase);
}

void Application::setGlass(bool on)
{
    // The menu item has already flipped its check mark; the effect follows it
    m_environment.skinning->setAero(on ? 1 : 0);
}

void Application::announceSong(const QString &title)
{
    if (m_desktop && !m_window->isActiveWindow())
        m_desktop->announceSong(title);
}

void Application::unload()
{
    if (std::exchange(m_unloaded, true))
        return;
    m_listPlayer->holdStill();
    m_loader->abort();
    m_songs->abortAll();
    if (m_backgroundLookup)
        m_backgroundLookup->abort();
    m_startUpProber->stop();
    m_environment.shell->openAddress(m_environment.exitPage);
    // Nothing is waited for: the program ends now
    if (m_environment.endProgram)
        m_environment.endProgram();
    else
        QCoreApplication::exit(0);
}
