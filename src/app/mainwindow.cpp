#include "mainwindow.h"

#include "playback/listplayer.h"
#include "programidentity.h"

#include "common/constants.h"
#include "common/failure.h"
#include "common/logging.h"
#include "downloads/downloadmanager.h"
#include "player/audioplayer.h"
#include "player/mediaplayerwidget.h"
#include "songlist/searchcommand.h"
#include "songlist/songlistloader.h"
#include "widgets/downloadswindow.h"
#include "widgets/filesavedialog.h"
#include "widgets/lineedittextbox.h"
#include "widgets/messageboxdialog.h"
#include "widgets/reportlistadapter.h"
#include "widgets/reportlistmodel.h"
#include "widgets/reportlistview.h"
#include "widgets/statusbarwidget.h"

#include <QCloseEvent>
#include <QCursor>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>

using namespace Qt::StringLiterals;

MainWindow::MainWindow(AudioPlayer &player, DownloadManager &downloads, Shell &shell,
                       QWidget *parent)
    : QMainWindow(parent), m_player(player), m_downloads(downloads),
      m_messageBox(std::make_unique<MessageBoxDialog>(this))
{
    setObjectName(u"MainWindow"_s);
    setWindowTitle(u"Quillpod V1.0 听见每一首好歌"_s);
    setWindowIcon(programIcon());
    createControls(*this, m_player);

    m_keywordText = std::make_unique<LineEditTextBox>(*keywordBox);
    m_linkText = std::make_unique<LineEditTextBox>(*linkBox);
    m_titleText = std::make_unique<LineEditTextBox>(*titleBox);
    m_songIdText = std::make_unique<LineEditTextBox>(*songIdBox);
    m_serialText = std::make_unique<LineEditTextBox>(*serialBox);
    m_rawLinkText = std::make_unique<LineEditTextBox>(*rawLinkBox);
    m_songRows = std::make_unique<ReportListAdapter>(*songList);
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
    SongHandlers *const songs = &logic.songs;
    connect(searchButton, &QPushButton::clicked, this, &MainWindow::searchRequested);
    connect(keywordBox, &QLineEdit::returnPressed, this,
            [this] { keywordKeyPressed(Qt::Key_Return); });
    connect(songList, &ReportListView::rowClicked, this,
            [this] { runSongHandler(&SongHandlers::songClicked); });
    connect(songList, &ReportListView::doubleClicked, this,
            [this] { runSongHandler(&SongHandlers::songActivated); });
    connect(songList, &ReportListView::showRequested, this,
            [this] { runSongHandler(&SongHandlers::songClicked); });
    connect(songList, &ReportListView::playRequested, this,
            [this] { runSongHandler(&SongHandlers::songActivated); });
    connect(playAction, &QAction::triggered, this,
            [this] { runSongHandler(&SongHandlers::playTriggered); });
    connect(downloadAction, &QAction::triggered, this,
            [this] { runSongHandler(&SongHandlers::downloadTriggered); });
    connect(downloadButton, &QPushButton::clicked, this,
            [this] { runSongHandler(&SongHandlers::downloadClicked); });
    connect(&m_player, &AudioPlayer::playStateChanged, this, &MainWindow::playerStateChanged);
    connect(&m_player, &AudioPlayer::mediaFailed, &logic.listPlayer, &ListPlayer::mediaFailed);
    // A stop ends a wait for the service too, which the player itself knows nothing of
    connect(playerStrip, &MediaPlayerWidget::stopClicked, &logic.listPlayer,
            &ListPlayer::holdStill);
    connect(&m_player, &AudioPlayer::statusTextChanged, this, &MainWindow::scheduleStatus);
    connect(songs, &SongHandlers::linkFailed, this, &MainWindow::reportLinkFailure);
    connect(new QShortcut(QKeySequence(u"Ctrl+L"_s), this), &QShortcut::activated, this,
            &MainWindow::showPlayingRow);
    connectListRuns();
    scheduleStatus();
}

void MainWindow::connectControls()
{
    connect(siteButton, &QPushButton::clicked, this, &MainWindow::siteRequested);
    connect(glassAction, &QAction::triggered, this, &MainWindow::glassToggled);
    connect(statusTimer, &QTimer::timeout, this, &MainWindow::showPlayerStatus);
    connect(statusBarWidget, &StatusBarWidget::mouseMoved, this, &MainWindow::statusBarHovered);
    connect(songList, &ReportListView::mouseReleased, this,
            [this](Qt::MouseButton button) { songListMouseReleased(button); });
    connect(songList, &ReportListView::menuRequested, this, &MainWindow::songListMenuKeyPressed);
    connect(playerStrip, &MediaPlayerWidget::doubleClicked, this, &MainWindow::playerDoubleClicked);
    connect(&songList->listModel(), &QAbstractItemModel::modelReset, this,
            &MainWindow::listChanged);
    connect(&songList->listModel(), &QAbstractItemModel::rowsInserted, this,
            &MainWindow::listChanged);
    connect(new QShortcut(QKeySequence(u"Ctrl+F"_s), this), &QShortcut::activated, this,
            &MainWindow::focusSearch);
    // Holding F5 down asks once
    auto *const reload = new QShortcut(QKeySequence(Qt::Key_F5), this);
    reload->setAutoRepeat(false);
    connect(reload, &QShortcut::activated, this, &MainWindow::defaultListRequested);
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

ReportList &MainWindow::songRows() const
{
    return *m_songRows;
}

TextBox &MainWindow::keywordText() const
{
    return *m_keywordText;
}

SongHandlers::Boxes MainWindow::songBoxes() const
{
    return {*m_linkText, *m_titleText, *m_songIdText, *m_serialText, *m_rawLinkText};
}

StatusPanels &MainWindow::statusPanels() const
{
    return *statusBarWidget;
}

MessageBox &MainWindow::messageBox() const
{
    return *m_messageBox;
}

void MainWindow::setGlassChecked(bool checked)
{
    glassAction->setChecked(checked);
}

template<typename Handler> void MainWindow::runSongHandler(Handler handler)
{
    runHandler([&] { std::invoke(handler, m_logic->songs); });
}

void MainWindow::runHandler(const std::function<void()> &handler)
{
    if (m_closed)
        return;
    if (const std::optional<QString> failure = failureOf(handler))
        reportLinkFailure(*failure);
}

void MainWindow::reportLinkFailure(const QString &reason)
{
    statusBarWidget->setPanelText(1, u"获取歌曲链接失败：%1"_s.arg(reason));
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
}

void MainWindow::showRunFailure(const QString &reason, int rows)
{
    statusBarWidget->setPanelText(1, u"搜索失败：%1"_s.arg(reason));
    statusBarWidget->setPanelText(2, u"共找到：%1条资源"_s.arg(rows));
    scheduleStatus();
}

void MainWindow::showSearchFailure(const QString &reason)
{
    statusBarWidget->setPanelText(1, u"搜索失败：%1"_s.arg(reason));
}

void MainWindow::searchRequested()
{
    try {
        m_logic->search.searchRequested();
    } catch (const std::exception &error) {
        // The run reports its own ends; nothing may cross the event loop
        qCWarning(lcApp) << "Search command ended early:" << error.what();
    }
}

void MainWindow::keywordKeyPressed(int key)
{
    try {
        m_logic->search.keywordKeyPressed(key);
    } catch (const std::exception &error) {
        qCWarning(lcApp) << "Search command ended early:" << error.what();
    }
}

void MainWindow::songListMouseReleased(Qt::MouseButton button)
{
    if (m_songRows->count() > 0 && button == Qt::RightButton)
        songMenu->popup(QCursor::pos());
}

void MainWindow::songListMenuKeyPressed()
{
    // The keyboard's popup opens at the current row rather than at the pointer
    if (m_songRows->count() > 0)
        songMenu->popup(songList->viewport()->mapToGlobal(
            songList->visualRect(songList->currentIndex()).center()));
}

void MainWindow::playerStateChanged(PlayState newState)
{
    m_logic->listPlayer.playStateChanged();
    // The desktop's stop stays a stop
    if (m_logic->listPlayer.stoppedForGood())
        return;
    runSongHandler([newState](SongHandlers &songs) { songs.playerStateChanged(newState); });
}

void MainWindow::playerDoubleClicked()
{
    // Full screen is a nicety: nothing to report if the player cannot
    try {
        playerStrip->setFullScreen(true);
    } catch (const std::exception &error) {
        qCInfo(lcApp) << "No full screen:" << error.what();
    }
}

void MainWindow::showPlayingRow()
{
    const int row = m_songRows->playMark();
    if (row == 0)
        return;
    m_songRows->select(row);
    m_songRows->ensureVisible(row);
    runSongHandler(&SongHandlers::songClicked);
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

void MainWindow::closeEvent(QCloseEvent *event)
{
    event->accept();
    if (std::exchange(m_closed, true))
        return;
    rememberPlace(*this);
    statusTimer->stop();
    emit closed();
}
