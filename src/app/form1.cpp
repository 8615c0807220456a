#include "form1.h"

#include "listplayer.h"
#include "songhandlers.h"

#include "common/constants.h"
#include "common/failure.h"
#include "common/logging.h"
#include "downloads/downloadwebview.h"
#include "links/linklookup.h"
#include "links/linkresolver.h"
#include "net/textfetcher.h"
#include "net/urltexts.h"
#include "player/audioplayer.h"
#include "player/mediaplayerwidget.h"
#include "skin/skinlibrary.h"
#include "songlist/searchcommand.h"
#include "songlist/songlistloader.h"
#include "widgets/desktopshell.h"
#include "widgets/lineedittextbox.h"
#include "widgets/messageboxdialog.h"
#include "widgets/reportlistadapter.h"
#include "widgets/reportlistmodel.h"
#include "widgets/reportlistview.h"
#include "widgets/statusbarwidget.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QCursor>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

constexpr int kColumnWidth = 3000;

} // namespace

Form1::Form1(FormEnvironment environment, QWidget *parent)
    : QMainWindow(parent), m_environment(std::move(environment)),
      m_player(std::make_unique<AudioPlayer>()),
      m_fetcher(std::make_unique<TextFetcher>(m_network)),
      m_urls(std::make_unique<UrlTexts>(m_environment.serviceBase)),
      m_links(std::make_unique<LinkResolver>(*m_fetcher, *m_urls))
{
    setObjectName(u"Form1"_s);
    m_fetcher->setTransferTimeout(m_environment.transferTimeout);
    m_fetcher->setDeadline(m_environment.textDeadline);
    if (m_environment.programDir.isEmpty())
        m_environment.programDir = QCoreApplication::applicationDirPath();
    if (!m_environment.shell) {
        m_desktopShell = std::make_unique<DesktopShell>();
        m_environment.shell = m_desktopShell.get();
    }
    if (!m_environment.messageBox) {
        m_messageBoxDialog = std::make_unique<MessageBoxDialog>(this);
        m_environment.messageBox = m_messageBoxDialog.get();
    }
    if (!m_environment.skinning) {
        m_skinLibrary = std::make_unique<SkinLibrary>();
        m_environment.skinning = m_skinLibrary.get();
    }

    setWindowTitle(u"Quillpod V1.0 听见每一首好歌"_s);
    setWindowIcon(QIcon(u":/quillpod/icons/quillpod-32.png"_s));
    createControls(*this, *m_player);

    m_text1Box = std::make_unique<LineEditTextBox>(*Text1);
    m_text2Box = std::make_unique<LineEditTextBox>(*Text2);
    m_text3Box = std::make_unique<LineEditTextBox>(*Text3);
    m_text4Box = std::make_unique<LineEditTextBox>(*Text4);
    m_text5Box = std::make_unique<LineEditTextBox>(*Text5);
    m_text6Box = std::make_unique<LineEditTextBox>(*Text6);
    m_listView1 = std::make_unique<ReportListAdapter>(*ListView1);
    m_loader = std::make_unique<SongListLoader>(*m_urls, *m_fetcher, *m_listView1);
    m_search = std::make_unique<SearchCommand>(*m_urls, *m_loader, *m_text1Box, *m_listView1,
                                               *m_environment.messageBox);
    m_songs = std::make_unique<SongHandlers>(
        *m_listView1,
        SongHandlers::Boxes {*m_text2Box, *m_text3Box, *m_text4Box, *m_text5Box, *m_text6Box},
        *m_player, *WebBrowser1, *m_links);
    m_listPlayer = std::make_unique<ListPlayer>(*m_songs, *m_listView1, *m_player, *StatusBar1);
    connectHandlers();
    connectListRuns();
    scheduleStatus();
}

Form1::~Form1()
{
    // The timer must not tick into half-destroyed controls
    Timer1->stop();
    // Nothing of the logic may answer into a window that is going
    m_loader->abort();
    m_songs->abortAll();
}

void Form1::connectHandlers()
{
    connect(Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form1::Command2_Click);
    connect(Text1, &QLineEdit::returnPressed, this, [this] { Text1_KeyPress(Qt::Key_Return); });
    connect(BoLi, &QAction::triggered, this, &Form1::BoLi_Click);
    connect(Timer1, &QTimer::timeout, this, &Form1::Timer1_Timer);
    connect(m_player.get(), &AudioPlayer::statusTextChanged, this, &Form1::scheduleStatus);
    connect(StatusBar1, &StatusBarWidget::mouseMoved, this, &Form1::StatusBar1_MouseMove);
    connect(ListView1, &ReportListView::mouseReleased, this,
            [this](Qt::MouseButton button) { ListView1_MouseUp(button); });
    connect(ListView1, &ReportListView::rowClicked, this,
            [this] { runSongHandler(&SongHandlers::ListView1_Click); });
    connect(ListView1, &ReportListView::doubleClicked, this,
            [this] { runSongHandler(&SongHandlers::ListView1_DblClick); });
    connect(ListView1, &ReportListView::showRequested, this,
            [this] { runSongHandler(&SongHandlers::ListView1_Click); });
    connect(ListView1, &ReportListView::playRequested, this,
            [this] { runSongHandler(&SongHandlers::ListView1_DblClick); });
    connect(ListView1, &ReportListView::menuRequested, this, &Form1::ListView1_MenuKey);
    connect(Players, &QAction::triggered, this,
            [this] { runSongHandler(&SongHandlers::Players_Click); });
    connect(DOl, &QAction::triggered, this, [this] { runSongHandler(&SongHandlers::DOl_Click); });
    connect(Command3, &QPushButton::clicked, this,
            [this] { runSongHandler(&SongHandlers::Command3_Click); });
    connect(m_player.get(), &AudioPlayer::PlayStateChange, this,
            &Form1::WindowsMediaPlayer1_PlayStateChange);
    connect(WindowsMediaPlayer1, &MediaPlayerWidget::DoubleClick, this,
            &Form1::WindowsMediaPlayer1_DoubleClick);
    connect(m_player.get(), &AudioPlayer::mediaFailed, this,
            &Form1::WindowsMediaPlayer1_MediaFailed);
    connect(m_listPlayer.get(), &ListPlayer::songStarted, this, &Form1::announceSong);
    connect(m_songs.get(), &SongHandlers::linkFailed, this, &Form1::reportLinkFailure);
    connect(&ListView1->listModel(), &QAbstractItemModel::modelReset, this, &Form1::listChanged);
    connect(&ListView1->listModel(), &QAbstractItemModel::rowsInserted, this, &Form1::listChanged);
    connect(new QShortcut(QKeySequence(u"Ctrl+L"_s), this), &QShortcut::activated, this,
            &Form1::showPlayingRow);
    connect(new QShortcut(QKeySequence(u"Ctrl+F"_s), this), &QShortcut::activated, this,
            &Form1::focusSearch);
    connect(&downloads(), &DownloadManager::finished, this, &Form1::showDownloadEnd);
}

ReportList &Form1::songList() const
{
    return *m_listView1;
}

void Form1::connectListRuns()
{
    connect(m_loader.get(), &SongListLoader::runningChanged, this, &Form1::showRunning);
    connect(m_loader.get(), &SongListLoader::progress, this, &Form1::showProgress);
    connect(m_loader.get(), &SongListLoader::finished, this, &Form1::showRunEnd);
    connect(m_loader.get(), &SongListLoader::failed, this, &Form1::showRunFailure);
    connect(m_search.get(), &SearchCommand::searchFailed, this, &Form1::showSearchFailure);
}

DownloadManager &Form1::downloads() const
{
    return WebBrowser1->downloads();
}

template<typename Handler> void Form1::runSongHandler(Handler handler)
{
    runHandler([&] { std::invoke(handler, *m_songs); });
}

template<typename Handler> void Form1::runListHandler(Handler handler)
{
    runHandler([&] { std::invoke(handler, *m_listPlayer); });
}

void Form1::runHandler(const std::function<void()> &handler)
{
    if (m_unloaded)
        return;
    if (const std::optional<QString> failure = failureOf(handler))
        reportLinkFailure(*failure);
}

void Form1::reportLinkFailure(const QString &reason)
{
    StatusBar1->setPanelText(1, u"获取歌曲链接失败：%1"_s.arg(reason));
}

qint32 Form1::playIndex() const
{
    return m_songs->playIndex();
}

bool Form1::songChoicePending() const
{
    return m_songs->hasPendingChoice();
}

void Form1::Form_Load()
{
    m_songs->setPlayIndex(1);
    m_listView1->clear();
    m_listView1->clearColumns();
    m_listView1->setReportView();
    m_listView1->setFullRowSelect(true);
    m_listView1->setManualLabelEdit();
    m_listView1->setGridLines(true);
    m_listView1->setMultiSelect(false);
    m_listView1->addColumn(u"歌曲名称："_s, kColumnWidth);
    m_listView1->addColumn(u"歌曲编号："_s, kColumnWidth);
    m_listView1->addColumn(u"歌曲ID："_s, kColumnWidth);
    Command1->setText(Captions::kStop);
    m_startingUp = true;
    m_loader->loadSongList(m_urls->text(UrlTexts::DefaultListFirstPage));
}

void Form1::finishStartUp()
{
    if (m_unloaded)
        return;
    m_startingUp = false;
    // The separator is always inserted, as the skin library expects a full path
    m_environment.skinning->SkinH_AttachEx(m_environment.programDir + u"/quillpod.she"_s,
                                           QString());
    m_environment.skinning->SkinH_SetAero(0);
    BoLi->setChecked(false);
    m_backgroundLookup = m_links->fetchBackgroundTrack(this);
    connect(m_backgroundLookup, &LinkLookup::resolved, this, &Form1::startBackgroundTrack);
    connect(m_backgroundLookup, &LinkLookup::failed, this, &Form1::reportNoBackgroundTrack);
}

void Form1::startBackgroundTrack(const QString &link)
{
    m_player->setURL(link);
    endStartUp();
}

void Form1::reportNoBackgroundTrack(const QString &reason)
{
    // The window comes up all the same, without a background track. When the list failed too,
    // its reason stays first: it is what the user must know about.
    qCWarning(lcApp) << "No background track:" << reason;
    if (m_loader->lastFailure().isEmpty())
        StatusBar1->setPanelText(1, u"背景音乐不可用：%1"_s.arg(reason));
    else
        StatusBar1->setPanelText(1, StatusBar1->panelText(1) + u"；背景音乐不可用"_s);
    endStartUp();
}

void Form1::endStartUp()
{
    m_player->setVolume(100);
    emit loaded();
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
    // The list is finished right after this; start-up goes on once it is
    if (m_startingUp)
        QMetaObject::invokeMethod(this, &Form1::finishStartUp, Qt::QueuedConnection);
}

void Form1::showRunFailure(const QString &reason, int rows)
{
    StatusBar1->setPanelText(1, u"搜索失败：%1"_s.arg(reason));
    StatusBar1->setPanelText(2, u"共找到：%1条资源"_s.arg(rows));
    scheduleStatus();
    if (m_startingUp)
        QMetaObject::invokeMethod(this, &Form1::finishStartUp, Qt::QueuedConnection);
}

void Form1::showSearchFailure(const QString &reason)
{
    StatusBar1->setPanelText(1, u"搜索失败：%1"_s.arg(reason));
}

void Form1::Command1_Click()
{
    try {
        m_search->Command1_Click();
    } catch (const std::exception &error) {
        // The run reports its own ends; nothing may cross the event loop
        qCWarning(lcApp) << "Search command ended early:" << error.what();
    }
}

void Form1::Text1_KeyPress(int key)
{
    try {
        m_search->Text1_KeyPress(key);
    } catch (const std::exception &error) {
        qCWarning(lcApp) << "Search command ended early:" << error.what();
    }
}

void Form1::Command2_Click()
{
    m_environment.shell->openAddress(m_environment.serviceBase);
}

void Form1::BoLi_Click()
{
    // The action has already flipped its check mark; the effect follows it
    m_environment.skinning->SkinH_SetAero(BoLi->isChecked() ? 1 : 0);
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
    m_listPlayer->playStateChanged();
    // The desktop's stop stays a stop
    if (m_listPlayer->stoppedForGood())
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

void Form1::WindowsMediaPlayer1_MediaFailed()
{
    if (!m_unloaded)
        m_listPlayer->mediaFailed();
}

bool Form1::hasRows() const
{
    return m_listView1->count() > 0;
}

void Form1::playNext()
{
    runListHandler(&ListPlayer::playNext);
}

void Form1::playPrevious()
{
    runListHandler(&ListPlayer::playPrevious);
}

void Form1::stopPlayback()
{
    m_listPlayer->stopPlayback();
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

void Form1::announceSong(const QString &title)
{
    if (!isActiveWindow())
        emit songStartedUnseen(title);
}

void Form1::StatusBar1_MouseMove()
{
    StatusBar1->setToolTipText(StatusBar1->panelText(1) + u"  | "_s + StatusBar1->panelText(2));
}

void Form1::scheduleStatus()
{
    // While a run goes on panel 2 is the loader's; after it, the player's status replaces the
    // run's last text at the next tick
    if (!m_loader->isRunning() && !m_unloaded)
        Timer1->start();
}

void Form1::Timer1_Timer()
{
    if (!m_loader->isRunning())
        StatusBar1->setPanelText(2, m_player->statusText());
}

void Form1::showDownloadEnd(const QString &path, bool ok, const QString &reason)
{
    StatusBar1->setPanelText(
        1, ok ? u"下载完成：%1"_s.arg(QFileInfo(path).fileName()) : u"下载失败：%1"_s.arg(reason));
}

void Form1::closeEvent(QCloseEvent *event)
{
    event->accept();
    Form_Unload();
}

void Form1::Form_Unload()
{
    if (m_unloaded)
        return;
    m_unloaded = true;
    Timer1->stop();
    m_listPlayer->cancelSkip();
    m_loader->abort();
    m_songs->abortAll();
    if (m_backgroundLookup)
        m_backgroundLookup->abort();
    m_environment.shell->openAddress(m_environment.exitPage);
    // Every waiting request ends now, so the handlers waiting on them unwind and nothing more
    // is written before the program ends
    if (m_environment.endProgram)
        m_environment.endProgram();
    else
        QCoreApplication::exit(0);
}
