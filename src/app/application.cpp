#include "application.h"

#include "desktopintegration.h"
#include "keptplaylists.h"
#include "mainwindow.h"
#include "playback/listplayer.h"
#include "playback/songhandlers.h"
#include "singleinstance.h"
#include "startup.h"
#include "trayicon.h"

#include "common/constants.h"
#include "common/logging.h"
#include "downloads/downloadmanager.h"
#include "library/historyrecorder.h"
#include "library/library.h"
#include "links/linkresolver.h"
#include "net/connectivitywatcher.h"
#include "net/serviceprober.h"
#include "net/serviceurls.h"
#include "net/textfetcher.h"
#include "player/audioplayer.h"
#include "settings/settingsstore.h"
#include "skin/skinlibrary.h"
#include "songlist/searchcommand.h"
#include "songlist/songlistloader.h"
#include "songlist/songlistmodel.h"
#include "widgets/desktopshell.h"

#include <QCoreApplication>
#include <QStandardPaths>
#include <QSystemTrayIcon>

using namespace Qt::StringLiterals;

Application::Application(Environment environment, QObject *parent)
    : QObject(parent), m_environment(std::move(environment)),
      m_settings(std::make_unique<SettingsStore>()),
      m_connectivity(std::make_unique<ConnectivityWatcher>()),
      m_downloads(std::make_unique<DownloadManager>(m_network, *m_connectivity)),
      m_playbackProber(std::make_unique<ServiceProber>(m_network, *m_connectivity)),
      m_fetcher(std::make_unique<TextFetcher>(m_network)),
      m_urls(std::make_unique<ServiceUrls>(m_environment.serviceBase)),
      m_links(std::make_unique<LinkResolver>(*m_fetcher, *m_urls)),
      m_player(std::make_unique<AudioPlayer>()), m_list(std::make_unique<SongListModel>()),
      m_library(std::make_unique<Library>()),
      m_history(std::make_unique<HistoryRecorder>(*m_library))
{
    m_fetcher->setTransferTimeout(m_environment.transferTimeout);
    m_fetcher->setDeadline(m_environment.textDeadline);
    m_playbackProber->setSchedule(RetrySchedule(m_environment.retryUnit));
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

    m_window = std::make_unique<MainWindow>(*m_player, *m_downloads, *m_list, *m_environment.shell);
    m_loader = std::make_unique<SongListLoader>(*m_urls, *m_fetcher, *m_list);
    m_search = std::make_unique<SearchCommand>(*m_urls, *m_loader, *m_list);
    m_songs = std::make_unique<SongHandlers>(*m_list, *m_player, *m_links);
    m_listPlayer = std::make_unique<ListPlayer>(*m_songs, *m_list, *m_player);
    m_listPlayer->waitWith(*m_playbackProber, QUrl(m_urls->homePage()));
    wire();
    m_listPlayer->setPlayMode(m_settings->playMode());
    connect(m_listPlayer.get(), &ListPlayer::playModeChanged, m_settings.get(),
            &SettingsStore::setPlayMode);
}

Application::~Application()
{
    // Nothing of the logic may answer into a window that is going
    m_loader->abort();
    m_songs->abortAll();
}

void Application::wire()
{
    MessageBox &messageBox
        = m_environment.messageBox ? *m_environment.messageBox : m_window->messageBox();
    m_window->attach({*m_loader, *m_search, *m_songs, *m_listPlayer, *m_player, messageBox,
                      *m_settings, m_environment.serviceBase, *m_library, *m_links});
    m_playlists = std::make_unique<KeptPlaylists>(m_window->libraryTabs(), *m_songs);
    connect(m_player.get(), &AudioPlayer::playStateChanged, m_listPlayer.get(),
            &ListPlayer::playStateChanged);
    connect(m_player.get(), &AudioPlayer::mediaFailed, m_listPlayer.get(),
            &ListPlayer::mediaFailed);
    connect(m_player.get(), &AudioPlayer::playStateChanged, m_history.get(),
            &HistoryRecorder::playStateChanged);
    connect(m_songs.get(), &SongHandlers::rowLoaded, this, &Application::songLoaded);

    // After the window, so that what start-up says follows what the window shows of a run's end
    auto prober = std::make_unique<ServiceProber>(m_network, *m_connectivity);
    prober->setSchedule(RetrySchedule(m_environment.retryUnit));
    m_startUp = std::make_unique<StartUp>(
        StartUp::Parts {*m_loader, *m_list, *m_urls, *m_links, *m_player, *m_settings, *m_songs},
        std::move(prober), QUrl(m_urls->homePage()));
    m_window->attachStartUp(*m_startUp);
    connect(m_startUp.get(), &StartUp::firstListEnded, this, &Application::attachSkin);
    connect(m_startUp.get(), &StartUp::loaded, this, &Application::restorePlayer);
    connect(m_startUp.get(), &StartUp::loaded, this, &Application::loaded);

    connect(m_window.get(), &MainWindow::defaultListRequested, m_startUp.get(),
            &StartUp::reloadDefaultList);
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
    m_startUp->start();
    // After the run has begun: what the kept lists say of themselves outlasts its texts
    m_library->open(m_environment.dataFolder.isEmpty()
                        ? QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)
                        : m_environment.dataFolder);
}

void Application::reloadDefaultList()
{
    m_startUp->reloadDefaultList();
}

void Application::attachSkin()
{
    // The separator is always inserted, as the skin library expects a full path
    m_environment.skinning->attachSkin(m_environment.programDir + u"/quillpod.she"_s, QString());
    const bool glass = m_settings->glass();
    m_environment.skinning->setGlass(glass);
    m_window->setGlassChecked(glass);
}

void Application::restorePlayer()
{
    // Start-up has set the volume it always set; the person's own follows, and from now on what
    // the person sets is kept
    m_player->setVolume(m_settings->volume());
    m_player->setMuted(m_settings->muted());
    connect(m_player.get(), &AudioPlayer::volumeChanged, m_settings.get(),
            &SettingsStore::setVolume);
    connect(m_player.get(), &AudioPlayer::mutedChanged, m_settings.get(), &SettingsStore::setMuted);
}

void Application::openWindow()
{
    if (QSystemTrayIcon::isSystemTrayAvailable() && !m_tray) {
        m_tray = new TrayIcon(*m_window, *m_player, *m_listPlayer);
        connect(m_tray, &TrayIcon::quitRequested, m_window.get(), &MainWindow::quit);
    }
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
    m_desktop = std::make_unique<DesktopIntegration>(*m_window, *m_player, *m_listPlayer, bus,
                                                     m_playlists.get());
    connect(m_window.get(), &MainWindow::listChanged, m_desktop.get(),
            &DesktopIntegration::listChanged);
    connect(m_listPlayer.get(), &ListPlayer::playModeChanged, m_desktop.get(),
            &DesktopIntegration::playModeChanged);
    return *m_desktop;
}

void Application::openSite()
{
    m_environment.shell->openAddress(m_urls->homePage());
}

void Application::setGlass(bool on)
{
    // The menu item has already flipped its check mark; the effect follows it
    m_environment.skinning->setGlass(on);
    m_settings->setGlass(on);
}

void Application::rememberSong()
{
    // A run that played nothing, not even the song it was to go back to, keeps that song
    if (m_player->url().isEmpty())
        return;
    const std::optional<SongRow> &song = m_songs->playingSong();
    m_settings->setLastSong(
        song ? std::optional(SettingsStore::LastSong {*song, m_player->position()}) : std::nullopt);
}

void Application::songLoaded(int index)
{
    m_history->songLoaded(m_songs->playingList().row(index - 1));
}

void Application::announceSong(const QString &title)
{
    if (m_desktop && !m_window->isActiveWindow())
        m_desktop->announceSong(title);
}

void Application::unload()
{
    // The window says it is closed once
    rememberSong();
    m_listPlayer->holdStill();
    m_loader->abort();
    m_songs->abortAll();
    m_startUp->stop();
    if (m_settings->exitPage())
        m_environment.shell->openAddress(m_environment.exitPage);
    // Nothing is waited for: the program ends now
    if (m_environment.endProgram)
        m_environment.endProgram();
    else
        QCoreApplication::exit(0);
}
