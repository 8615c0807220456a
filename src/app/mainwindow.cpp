#include "mainwindow.h"

#include "librarytabs.h"
#include "playback/listplayer.h"
#include "playlistexporter.h"
#include "programidentity.h"
#include "startup.h"
#include "windowmenus.h"

#include "common/constants.h"
#include "controls/messagebox.h"
#include "downloads/downloadmanager.h"
#include "library/library.h"
#include "player/audioplayer.h"
#include "player/mediaplayerwidget.h"
#include "settings/settingsstore.h"
#include "songlist/searchcommand.h"
#include "songlist/songlistloader.h"
#include "songlist/songlistmodel.h"
#include "widgets/downloadswindow.h"
#include "widgets/filesavedialog.h"
#include "widgets/messageboxdialog.h"
#include "widgets/reportlistview.h"
#include "widgets/statusbarwidget.h"

#include <QActionGroup>
#include <QCloseEvent>
#include <QCursor>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

const QString kReloadsWhenBack = u"；网络恢复后自动重新加载"_s;

// Long texts, links above all, show their beginning, where the host is
void showText(QLineEdit &box, const QString &text)
{
    box.setText(text);
    box.setCursorPosition(0);
}

} // namespace

MainWindow::MainWindow(AudioPlayer &player, DownloadManager &downloads, SongListModel &list,
                       Shell &shell, QWidget *parent)
    : QMainWindow(parent), m_player(player), m_downloads(downloads), m_list(list),
      m_messageBox(std::make_unique<MessageBoxDialog>(this))
{
    setObjectName(u"MainWindow"_s);
    setWindowTitle(u"Quillpod V1.0 听见每一首好歌"_s);
    setWindowIcon(programIcon());
    createControls(*this, m_player);
    songList->setListModel(m_list);

    m_saveDialog = std::make_unique<FileSaveDialog>(*this);
    m_downloads.setSaveDialog(*m_saveDialog);
    m_downloadsWindow = std::make_unique<DownloadsWindow>(m_downloads, shell);
    connectControls();
}

MainWindow::~MainWindow()
{
    // The timer must not tick into half-destroyed controls
    statusTimer->stop();
}

void MainWindow::attach(const Logic &logic)
{
    m_logic = std::make_unique<Logic>(logic);
    connect(searchButton, &QPushButton::clicked, this, &MainWindow::searchRequested);
    connect(keywordBox, &QLineEdit::returnPressed, this, &MainWindow::searchRequested);
    connect(&logic.search, &SearchCommand::blankKeyword, this, [this] {
        m_logic->messageBox.show(u"请输入歌曲名称或者关键字！"_s, u"输入信息不完整"_s,
                                 MessageBox::Icon::Warning, MessageBox::Buttons::Ok,
                                 [this] { keywordWarningClosed(); });
    });
    // A stop ends a wait for the service too, which the player itself knows nothing of
    connect(playerStrip, &MediaPlayerWidget::stopClicked, &logic.listPlayer,
            &ListPlayer::holdStill);
    connect(&m_player, &AudioPlayer::statusTextChanged, this, &MainWindow::scheduleStatus);
    connect(playingRowAction, &QAction::triggered, this, &MainWindow::showPlayingRow);
    connect(quitAction, &QAction::triggered, this, &MainWindow::quit);
    connect(&logic.search, &SearchCommand::searched, &logic.settings, &SettingsStore::addSearch);
    new WindowMenus(*this, *this, logic.settings, logic.serviceAddress);
    connectLibrary();
    connectSongs();
    connectListPlayer();
    connectListRuns();
    scheduleStatus();
}

void MainWindow::connectSongs()
{
    SongHandlers *const songs = &m_logic->songs;
    for (ReportListView *const view : m_tabs->views())
        connectView(view);
    connect(playAction, &QAction::triggered, this,
            [this] { runOnSelectedRow(&SongHandlers::playTriggered); });
    connect(downloadAction, &QAction::triggered, this,
            [this] { runOnSelectedRow(&SongHandlers::downloadTriggered); });
    connect(downloadButton, &QPushButton::clicked, this,
            [this] { m_logic->songs.downloadClicked(linkBox->text()); });
    connect(songs, &SongHandlers::songShown, this, &MainWindow::showSong);
    connect(songs, &SongHandlers::linkShown, this,
            [this](const QString &link) { showText(*linkBox, link); });
    connect(songs, &SongHandlers::rawLinkShown, this,
            [this](const QString &link) { showText(*rawLinkBox, link); });
    connect(songs, &SongHandlers::linkFailed, this, &MainWindow::reportLinkFailure);
}

void MainWindow::connectView(ReportListView *view)
{
    // Every list acts alike: the handlers read the list shown
    connect(view, &ReportListView::rowClicked, this,
            [this] { runOnSelectedRow(&SongHandlers::songClicked); });
    connect(view, &ReportListView::doubleClicked, this,
            [this] { runOnSelectedRow(&SongHandlers::songActivated); });
    connect(view, &ReportListView::showRequested, this,
            [this] { runOnSelectedRow(&SongHandlers::songClicked); });
    connect(view, &ReportListView::playRequested, this,
            [this] { runOnSelectedRow(&SongHandlers::songActivated); });
    connect(view, &ReportListView::mouseReleased, this,
            [this](Qt::MouseButton button) { songListMouseReleased(button); });
    connect(view, &ReportListView::menuRequested, this, &MainWindow::songListMenuKeyPressed);
}

void MainWindow::connectLibrary()
{
    Library *const library = &m_logic->library;
    m_tabs = std::make_unique<LibraryTabs>(*songListFrame, *songListStack, *songList, *library);
    m_exporter
        = std::make_unique<PlaylistExporter>(*this, m_logic->links, m_logic->messageBox,
                                             [this](const QString &text) { showPanel1(text); });
    connect(m_tabs.get(), &LibraryTabs::listShown, &m_logic->songs, &SongHandlers::showList);
    connect(m_tabs.get(), &LibraryTabs::exportRequested, this, &MainWindow::exportList);
    connect(favouriteAction, &QAction::triggered, this, &MainWindow::toggleFavourite);
    connect(songMenu, &QMenu::aboutToShow, this, &MainWindow::nameFavouriteAction);
    connect(library, &Library::setAside, this, [this](const QString &path) {
        showLibraryNotice(u"收藏数据库已损坏，已移至 %1 并新建"_s.arg(path));
    });
    connect(library, &Library::notKept, this,
            [this] { showLibraryNotice(u"数据文件夹不可写，收藏和最近播放不会保留到下次运行"_s); });
}

void MainWindow::connectListPlayer()
{
    ListPlayer *const listPlayer = &m_logic->listPlayer;
    connect(listPlayer, &ListPlayer::openedAddressFailed, this,
            [this](const QString &reason) { showPanel1(u"无法播放打开的地址：%1"_s.arg(reason)); });
    connect(listPlayer, &ListPlayer::waitingForService, this,
            [this] { showPanel1(WaitTexts::kWaiting); });
    connect(listPlayer, &ListPlayer::serviceBack, this, [this] { showPanel1(WaitTexts::kBack); });
    connect(listPlayer, &ListPlayer::gaveUp, this, &MainWindow::showGaveUp);
    connect(playModeGroup, &QActionGroup::triggered, this, &MainWindow::playModeChosen);
    connect(playerStrip, &MediaPlayerWidget::playModeClicked, this,
            &MainWindow::nextPlayModeClicked);
    connect(listPlayer, &ListPlayer::playModeChanged, this, &MainWindow::showPlayMode);
    showPlayMode(listPlayer->playMode());
}

void MainWindow::attachStartUp(const StartUp &startUp)
{
    connect(&startUp, &StartUp::reloadsWhenBack, this,
            [this] { appendToPanel1(kReloadsWhenBack); });
    connect(&startUp, &StartUp::waitingForService, this,
            [this] { showPanel1(WaitTexts::kWaiting); });
    connect(&startUp, &StartUp::serviceBack, this, [this] { showPanel1(WaitTexts::kBack); });
    connect(&startUp, &StartUp::backgroundTrackUnavailable, this,
            &MainWindow::showNoBackgroundTrack);
}

void MainWindow::connectControls()
{
    connect(siteButton, &QPushButton::clicked, this, &MainWindow::siteRequested);
    connect(glassAction, &QAction::triggered, this, &MainWindow::glassToggled);
    connect(statusTimer, &QTimer::timeout, this, &MainWindow::showPlayerStatus);
    connect(statusBarWidget, &StatusBarWidget::mouseMoved, this, &MainWindow::statusBarHovered);
    connect(playerStrip, &MediaPlayerWidget::doubleClicked, this, &MainWindow::playerDoubleClicked);
    connect(&m_list, &QAbstractItemModel::modelReset, this, &MainWindow::listChanged);
    connect(&m_list, &QAbstractItemModel::rowsInserted, this, &MainWindow::listChanged);
    connect(findAction, &QAction::triggered, this, &MainWindow::focusSearch);
    connect(reloadAction, &QAction::triggered, this, &MainWindow::defaultListRequested);
    connect(&downloads(), &DownloadManager::finished, this, &MainWindow::showDownloadEnd);
    connect(downloadsListAction, &QAction::triggered, m_downloadsWindow.get(),
            &DownloadsWindow::bringUp);
}

void MainWindow::connectListRuns()
{
    SongListLoader *const loader = &m_logic->loader;
    connect(loader, &SongListLoader::runningChanged, this, &MainWindow::showRunning);
    connect(loader, &SongListLoader::progress, this, &MainWindow::showProgress);
    connect(loader, &SongListLoader::finished, this, &MainWindow::showRunEnd);
    connect(loader, &SongListLoader::failed, this, &MainWindow::showRunFailure);
    connect(&m_logic->search, &SearchCommand::searchFailed, this, &MainWindow::showSearchFailure);
}

MessageBox &MainWindow::messageBox() const
{
    return *m_messageBox;
}

void MainWindow::setGlassChecked(bool checked)
{
    glassAction->setChecked(checked);
}

void MainWindow::runOnSelectedRow(void (SongHandlers::*handler)(int index))
{
    if (m_closed)
        return;
    // The row handlers act on the selected row, whichever part of the list was clicked
    const int row = m_tabs->currentView().selectedRow();
    if (row >= 0)
        std::invoke(handler, m_logic->songs, row + 1);
}

void MainWindow::toggleFavourite()
{
    const int row = m_tabs->currentView().selectedRow();
    if (!m_closed && row >= 0)
        m_logic->library.toggleFavourite(m_tabs->currentList().row(row));
}

void MainWindow::nameFavouriteAction()
{
    const int row = m_tabs->currentView().selectedRow();
    const bool favourite
        = row >= 0 && m_logic->library.isMarked(m_tabs->currentList().row(row).subItem2);
    favouriteAction->setText(favourite ? u"取消收藏"_s : u"收藏"_s);
}

void MainWindow::exportList(SongListModel &list)
{
    const LibraryTabs::Tab tab = m_tabs->tabOf(list);
    m_exporter->exportList(list, m_tabs->tabBar().tabText(tab));
}

void MainWindow::showSong(const SongRow &row)
{
    showText(*titleBox, row.text);
    showText(*serialBox, row.subItem(1));
    showText(*songIdBox, row.subItem(2));
}

void MainWindow::reportLinkFailure(const QString &reason)
{
    showPanel1(u"获取歌曲链接失败：%1"_s.arg(reason));
}

void MainWindow::showGaveUp(int failures, const QString &reason)
{
    showPanel1(u"连续%1首歌曲无法播放，已停止：%2"_s.arg(failures).arg(reason));
}

void MainWindow::playModeChosen(const QAction *action)
{
    m_logic->listPlayer.setPlayMode(action->data().value<PlayMode>());
}

void MainWindow::nextPlayModeClicked()
{
    m_logic->listPlayer.setPlayMode(nextPlayMode(m_logic->listPlayer.playMode()));
}

void MainWindow::showPlayMode(PlayMode mode)
{
    playerStrip->setPlayMode(mode);
    for (QAction *const action : playModeGroup->actions())
        action->setChecked(action->data().value<PlayMode>() == mode);
}

void MainWindow::showPanel1(const QString &text)
{
    statusBarWidget->setPanelText(1, text);
}

void MainWindow::appendToPanel1(const QString &text)
{
    statusBarWidget->setPanelText(1, statusBarWidget->panelText(1) + text);
}

void MainWindow::showNoBackgroundTrack(const QString &reason, bool afterListFailure)
{
    // When the list failed too, its reason stays first: it is what the user must know about
    if (afterListFailure)
        appendToPanel1(u"；背景音乐不可用"_s);
    else
        showPanel1(u"背景音乐不可用：%1"_s.arg(reason));
}

void MainWindow::showLibraryNotice(const QString &text)
{
    showPanel1(text);
    if (m_logic->loader.isRunning())
        m_libraryNotice = text;
}

void MainWindow::showRunning(bool running)
{
    searchButton->setText(running ? Captions::kStop : Captions::kSearch);
    scheduleStatus();
}

void MainWindow::showProgress(const QString &totalPages, int page, int rows)
{
    statusBarWidget->setPanelText(1,
                                  u"共%1页,正在查找第%2页资源信息。"_s.arg(totalPages).arg(page));
    statusBarWidget->setPanelText(2, u"正在分析数据，请稍候。。当前已经找到：%1条资源"_s.arg(rows));
    scheduleStatus();
}

void MainWindow::showRunEnd(int rows)
{
    statusBarWidget->setPanelText(1, u"搜索结束"_s);
    statusBarWidget->setPanelText(2, u"共找到：%1条资源"_s.arg(rows));
    scheduleStatus();
    if (!m_libraryNotice.isEmpty())
        showPanel1(std::exchange(m_libraryNotice, QString()));
}

void MainWindow::showRunFailure(const QString &reason, int rows)
{
    statusBarWidget->setPanelText(1, u"搜索失败：%1"_s.arg(reason));
    statusBarWidget->setPanelText(2, u"共找到：%1条资源"_s.arg(rows));
    scheduleStatus();
    if (!m_libraryNotice.isEmpty())
        appendToPanel1(u"；"_s + std::exchange(m_libraryNotice, QString()));
}

void MainWindow::showSearchFailure(const QString &reason)
{
    statusBarWidget->setPanelText(1, u"搜索失败：%1"_s.arg(reason));
}

void MainWindow::searchRequested()
{
    m_logic->search.search(keywordBox->text());
}

void MainWindow::keywordWarningClosed()
{
    showText(*keywordBox, QString());
    keywordBox->setFocus(Qt::OtherFocusReason);
}

void MainWindow::songListMouseReleased(Qt::MouseButton button)
{
    if (!m_tabs->currentList().isEmpty() && button == Qt::RightButton)
        songMenu->popup(QCursor::pos());
}

void MainWindow::songListMenuKeyPressed()
{
    // The keyboard's popup opens at the current row rather than at the pointer
    const ReportListView &view = m_tabs->currentView();
    if (!view.listModel().isEmpty())
        songMenu->popup(
            view.viewport()->mapToGlobal(view.visualRect(view.currentIndex()).center()));
}

void MainWindow::playerDoubleClicked()
{
    playerStrip->setFullScreen(true);
}

void MainWindow::showPlayingRow()
{
    // In the tab of the list that plays
    SongListModel &playing = m_logic->songs.playingList();
    const int row = playing.playMark();
    if (row < 0)
        return;
    m_tabs->setCurrentTab(m_tabs->tabOf(playing));
    m_tabs->currentView().selectRow(row);
    m_tabs->currentView().scrollToRow(row);
    runOnSelectedRow(&SongHandlers::songClicked);
}

void MainWindow::focusSearch()
{
    keywordBox->setFocus(Qt::ShortcutFocusReason);
    keywordBox->selectAll();
}

void MainWindow::statusBarHovered()
{
    statusBarWidget->setToolTipText(statusBarWidget->panelText(1) + u"  | "_s
                                    + statusBarWidget->panelText(2));
}

void MainWindow::scheduleStatus()
{
    // While a run goes on panel 2 is the loader's; after it, the player's status replaces the
    // run's last text at the next tick
    if (!m_logic->loader.isRunning() && !m_closed)
        statusTimer->start();
}

void MainWindow::showPlayerStatus()
{
    if (!m_logic->loader.isRunning())
        statusBarWidget->setPanelText(2, m_player.statusText());
}

void MainWindow::showDownloadEnd(const QString &path, bool ok, const QString &reason)
{
    statusBarWidget->setPanelText(
        1, ok ? u"下载完成：%1"_s.arg(QFileInfo(path).fileName()) : u"下载失败：%1"_s.arg(reason));
}

void MainWindow::quit()
{
    m_quitting = true;
    close();
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    // The tray icon brings the window back
    if (!m_quitting && m_logic && m_logic->settings.minimiseToTray()
        && QSystemTrayIcon::isSystemTrayAvailable()) {
        event->ignore();
        hide();
        return;
    }
    event->accept();
    if (std::exchange(m_closed, true))
        return;
    rememberPlace(*this);
    statusTimer->stop();
    emit closed();
}
