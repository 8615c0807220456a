#include "form1.h"

#include "playback/listplayer.h"

#include "common/constants.h"
#include "common/failure.h"
#include "common/logging.h"
#include "downloads/downloadwebview.h"
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

Form1::Form1(AudioPlayer &player, Shell &shell, QWidget *parent)
    : QMainWindow(parent), m_player(player), m_messageBox(std::make_unique<MessageBoxDialog>(this))
{
    setObjectName(u"Form1"_s);
    setWindowTitle(u"Quillpod V1.0 听见每一首好歌"_s);
    setWindowIcon(QIcon(u":/quillpod/icons/quillpod-32.png"_s));
    createControls(*this, m_player);

    m_text1Box = std::make_unique<LineEditTextBox>(*Text1);
    m_text2Box = std::make_unique<LineEditTextBox>(*Text2);
    m_text3Box = std::make_unique<LineEditTextBox>(*Text3);
    m_text4Box = std::make_unique<LineEditTextBox>(*Text4);
    m_text5Box = std::make_unique<LineEditTextBox>(*Text5);
    m_text6Box = std::make_unique<LineEditTextBox>(*Text6);
    m_listView1 = std::make_unique<ReportListAdapter>(*ListView1);
    m_saveDialog = std::make_unique<FileSaveDialog>(*this);
    downloads().setSaveDialog(*m_saveDialog);
    m_downloadsWindow = std::make_unique<DownloadsWindow>(downloads(), shell);
    connectControls();
}

Form1::~Form1()
{
    // The timer must not tick into half-destroyed controls
    Timer1->stop();
}

void Form1::attach(const Logic &logic)
{
    m_logic = std::make_unique<Logic>(logic);
    SongHandlers *const songs = &logic.songs;
    connect(Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
    connect(Text1, &QLineEdit::returnPressed, this, [this] { Text1_KeyPress(Qt::Key_Return); });
    connect(ListView1, &ReportListView::rowClicked, this,
            [this] { runSongHandler(&SongHandlers::ListView1_Click); });
    connect(ListView1, &ReportListView::doubleClicked, this,
            [this] { runSongHandler(&SongHandlers::ListView1_DblClick); });
    connect(ListView1, &ReportListView::showRequested, this,
            [this] { runSongHandler(&SongHandlers::ListView1_Click); });
    connect(ListView1, &ReportListView::playRequested, this,
            [this] { runSongHandler(&SongHandlers::ListView1_DblClick); });
    connect(Players, &QAction::triggered, this,
            [this] { runSongHandler(&SongHandlers::Players_Click); });
    connect(DOl, &QAction::triggered, this, [this] { runSongHandler(&SongHandlers::DOl_Click); });
    connect(Command3, &QPushButton::clicked, this,
            [this] { runSongHandler(&SongHandlers::Command3_Click); });
    connect(&m_player, &AudioPlayer::PlayStateChange, this,
            &Form1::WindowsMediaPlayer1_PlayStateChange);
    connect(&m_player, &AudioPlayer::mediaFailed, &logic.listPlayer, &ListPlayer::mediaFailed);
    connect(&m_player, &AudioPlayer::statusTextChanged, this, &Form1::scheduleStatus);
    connect(songs, &SongHandlers::linkFailed, this, &Form1::reportLinkFailure);
    connect(new QShortcut(QKeySequence(u"Ctrl+L"_s), this), &QShortcut::activated, this,
            &Form1::showPlayingRow);
    connectListRuns();
    scheduleStatus();
}

void Form1::connectControls()
{
    connect(Command2, &QPushButton::clicked, this, &Form1::siteRequested);
    connect(BoLi, &QAction::triggered, this, &Form1::glassToggled);
    connect(Timer1, &QTimer::timeout, this, &Form1::Timer1_Timer);
    connect(StatusBar1, &StatusBarWidget::mouseMoved, this, &Form1::StatusBar1_MouseMove);
    connect(ListView1, &ReportListView::mouseReleased, this,
            [this](Qt::MouseButton button) { ListView1_MouseUp(button); });
    connect(ListView1, &ReportListView::menuRequested, this, &Form1::ListView1_MenuKey);
    connect(WindowsMediaPlayer1, &MediaPlayerWidget::DoubleClick, this,
            &Form1::WindowsMediaPlayer1_DoubleClick);
    connect(&ListView1->listModel(), &QAbstractItemModel::modelReset, this, &Form1::listChanged);
    connect(&ListView1->listModel(), &QAbstractItemModel::rowsInserted, this, &Form1::listChanged);
    connect(new QShortcut(QKeySequence(u"Ctrl+F"_s), this), &QShortcut::activated, this,
            &Form1::focusSearch);
    connect(&downloads(), &DownloadManager::finished, this, &Form1::showDownloadEnd);
    connect(DownloadsList, &QAction::triggered, m_downloadsWindow.get(), &DownloadsWindow::bringUp);
}

void Form1::connectListRuns()
{
    SongListLoader *const loader = &m_logic->loader;
    connect(loader, &SongListLoader::runningChanged, this, &Form1::showRunning);
    connect(loader, &SongListLoader::progress, this, &Form1::showProgress);
    connect(loader, &SongListLoader::finished, this, &Form1::showRunEnd);
    connect(loader, &SongListLoader::failed, this, &Form1::showRunFailure);
    connect(&m_logic->search, &SearchCommand::searchFailed, this, &Form1::showSearchFailure);
}

ReportList &Form1::songList() const
{
    return *m_listView1;
}

TextBox &Form1::keywordBox() const
{
    return *m_text1Box;
}

SongHandlers::Boxes Form1::songBoxes() const
{
    return {*m_text2Box, *m_text3Box, *m_text4Box, *m_text5Box, *m_text6Box};
}

StatusPanels &Form1::statusPanels() const
{
    return *StatusBar1;
}

WebView &Form1::downloader() const
{
    return *WebBrowser1;
}

MessageBox &Form1::messageBox() const
{
    return *m_messageBox;
}

DownloadManager &Form1::downloads() const
{
    return WebBrowser1->downloads();
}

void Form1::setGlassChecked(bool checked)
{
    BoLi->setChecked(checked);
}

template<typename Handler> void Form1::runSongHandler(Handler handler)
{
    runHandler([&] { std::invoke(handler, m_logic->songs); });
}

void Form1::runHandler(const std::function<void()> &handler)
{
    if (m_closed)
        return;
    if (const std::optional<QString> failure = failureOf(handler))
        reportLinkFailure(*failure);
}

void Form1::reportLinkFailure(const QString &reason)
{
    StatusBar1->setPanelText(1, u"获取歌曲链接失败：%1"_s.arg(reason));
}

void Form1::showRunning(bool running)
{
    Command1->setText(running ? Captions::kStop : Captions::kSearch);
    scheduleStatus();
}

void Form1::showProgress(const QString &totalPages, int page, int rows)
{
    StatusBar1->setPanelText(1, u"共%1页,正在查找第%2页资源信息。"_s.arg(totalPages).arg(page));
    StatusBar1->setPanelText(2, u"正在分析数据，请稍候。。当前已经找到：%1条资源"_s.arg(rows));
    scheduleStatus();
}

void Form1::showRunEnd(int rows)
{
    StatusBar1->setPanelText(1, u"搜索结束"_s);
    StatusBar1->setPanelText(2, u"共找到：%1条资源"_s.arg(rows));
    scheduleStatus();
}

void Form1::showRunFailure(const QString &reason, int rows)
{
    StatusBar1->setPanelText(1, u"搜索失败：%1"_s.arg(reason));
    StatusBar1->setPanelText(2, u"共找到：%1条资源"_s.arg(rows));
    scheduleStatus();
}

void Form1::showSearchFailure(const QString &reason)
{
    StatusBar1->setPanelText(1, u"搜索失败：%1"_s.arg(reason));
}

void Form1::Command1_Click()
{
    try {
        m_logic->search.Command1_Click();
    } catch (const std::exception &error) {
        // The run reports its own ends; nothing may cross the event loop
        qCWarning(lcApp) << "Search command ended early:" << error.what();
    }
}

void Form1::Text1_KeyPress(int key)
{
    try {
        m_logic->search.Text1_KeyPress(key);
    } catch (const std::exception &error) {
        qCWarning(lcApp) << "Search command ended early:" << error.what();
    }
}

void Form1::ListView1_MouseUp(Qt::MouseButton button)
{
    if (m_listView1->count() > 0 && button == Qt::RightButton)
        Memu->popup(QCursor::pos());
}

void Form1::ListView1_MenuKey()
{
    // The keyboard's popup opens at the current row rather than at the pointer
    if (m_listView1->count() > 0)
        Memu->popup(ListView1->viewport()->mapToGlobal(
            ListView1->visualRect(ListView1->currentIndex()).center()));
}

void Form1::WindowsMediaPlayer1_PlayStateChange(int newState)
{
    m_logic->listPlayer.playStateChanged();
    // The desktop's stop stays a stop
    if (m_logic->listPlayer.stoppedForGood())
        return;
    runSongHandler(
        [newState](SongHandlers &songs) { songs.WindowsMediaPlayer1_PlayStateChange(newState); });
}

void Form1::WindowsMediaPlayer1_DoubleClick()
{
    // Full screen is a nicety: nothing to report if the player cannot
    try {
        WindowsMediaPlayer1->setFullScreen(true);
    } catch (const std::exception &error) {
        qCInfo(lcApp) << "No full screen:" << error.what();
    }
}

void Form1::showPlayingRow()
{
    const int row = m_listView1->playMark();
    if (row == 0)
        return;
    m_listView1->select(row);
    m_listView1->ensureVisible(row);
    runSongHandler(&SongHandlers::ListView1_Click);
}

void Form1::focusSearch()
{
    Text1->setFocus(Qt::ShortcutFocusReason);
    Text1->selectAll();
}

void Form1::StatusBar1_MouseMove()
{
    StatusBar1->setToolTipText(StatusBar1->panelText(1) + u"  | "_s + StatusBar1->panelText(2));
}

void Form1::scheduleStatus()
{
    // While a run goes on panel 2 is the loader's; after it, the player's status replaces the
    // run's last text at the next tick
    if (!m_logic->loader.isRunning() && !m_closed)
        Timer1->start();
}

void Form1::Timer1_Timer()
{
    if (!m_logic->loader.isRunning())
        StatusBar1->setPanelText(2, m_player.statusText());
}

void Form1::showDownloadEnd(const QString &path, bool ok, const QString &reason)
{
    StatusBar1->setPanelText(
        1, ok ? u"下载完成：%1"_s.arg(QFileInfo(path).fileName()) : u"下载失败：%1"_s.arg(reason));
}

void Form1::closeEvent(QCloseEvent *event)
{
    event->accept();
    if (std::exchange(m_closed, true))
        return;
    Timer1->stop();
    emit closed();
}
