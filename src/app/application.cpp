#include "application.h"

#include "desktopintegration.h"
#include "mainwindow.h"
#include "playback/listplayer.h"
#include "playback/songhandlers.h"
#include "singleinstance.h"

#include "common/logging.h"
#include "controls/reportlist.h"
#include "controls/statuspanels.h"
#include "downloads/downloadmanager.h"
#include "links/linklookup.h"
#include "links/linkresolver.h"
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

} // namespace

Application::Application(Environment environment, QObject *parent)
    : QObject(parent), m_environment(std::move(environment)),
      m_fetcher(std::make_unique<TextFetcher>(m_network)),
      m_urls(std::make_unique<UrlTexts>(m_environment.serviceBase)),
      m_links(std::make_unique<LinkResolver>(*m_fetcher, *m_urls)),
      m_player(std::make_unique<AudioPlayer>())
{
    m_fetcher->setTransferTimeout(m_environment.transferTimeout);
    m_fetcher->setDeadline(m_environment.textDeadline);
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

    m_window = std::make_unique<MainWindow>(*m_player, *m_environment.shell);
    MessageBox &messageBox
        = m_environment.messageBox ? *m_environment.messageBox : m_window->messageBox();
    ReportList &list = m_window->songRows();
    m_loader = std::make_unique<SongListLoader>(*m_urls, *m_fetcher, list);
    m_search = std::make_unique<SearchCommand>(*m_urls, *m_loader, m_window->keywordText(), list,
                                               messageBox);
    m_songs = std::make_unique<SongHandlers>(list, m_window->songBoxes(), *m_player,
                                             m_window->webView(), *m_links);
    m_listPlayer
        = std::make_unique<ListPlayer>(*m_songs, list, *m_player, m_window->statusPanels());
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
    connect(m_loader.get(), &SongListLoader::failed, this, &Application::listRunEnded,
            Qt::QueuedConnection);
    connect(m_window.get(), &MainWindow::siteRequested, this, &Application::openSite);
    connect(m_window.get(), &MainWindow::glassToggled, this, &Application::setGlass);
    connect(m_window.get(), &MainWindow::closed, this, &Application::unload);
    connect(m_listPlayer.get(), &ListPlayer::songStarted, this, &Application::announceSong);
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
    m_loader->loadSongList(m_urls->text(UrlTexts::DefaultListFirstPage));
}

void Application::listRunEnded()
{
    // Start-up goes on once the default list run has ended and its list is finished
    if (!std::exchange(m_startingUp, false) || m_unloaded)
        return;
    // The separator is always inserted, as the skin library expects a full path
    m_environment.skinning->attachSkin(m_environment.programDir + u"/quillpod.she"_s, QString());
    m_environment.skinning->setAero(0);
    m_window->setGlassChecked(false);
    m_backgroundLookup = m_links->fetchBackgroundTrack(this);
    connect(m_backgroundLookup, &LinkLookup::resolved, this, &Application::startBackgroundTrack);
    connect(m_backgroundLookup, &LinkLookup::failed, this, &Application::reportNoBackgroundTrack);
}

void Application::startBackgroundTrack(const QString &link)
{
    m_player->setUrl(link);
    endStartUp();
}

void Application::reportNoBackgroundTrack(const QString &reason)
{
    // The window comes up all the same, without a background track. When the list failed too,
    // its reason stays first: it is what the user must know about.
    qCWarning(lcApp) << "No background track:" << reason;
    StatusPanels &status = m_window->statusPanels();
    if (m_loader->lastFailure().isEmpty())
        status.setPanelText(1, u"背景音乐不可用：%1"_s.arg(reason));
    else
        status.setPanelText(1, status.panelText(1) + u"；背景音乐不可用"_s);
    endStartUp();
}

void Application::endStartUp()
{
    m_player->setVolume(100);
    emit loaded();
}

void Application::openWindow()
{
    m_window->show();
    m_window->downloads().restoreUnfinished();
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
    m_listPlayer->cancelSkip();
    m_loader->abort();
    m_songs->abortAll();
    if (m_backgroundLookup)
        m_backgroundLookup->abort();
    m_environment.shell->openAddress(m_environment.exitPage);
    // Nothing is waited for: the program ends now
    if (m_environment.endProgram)
        m_environment.endProgram();
    else
        QCoreApplication::exit(0);
}
