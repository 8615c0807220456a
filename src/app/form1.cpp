#include "form1.h"

#include "listplayer.h"
#include "songhandlers.h"

#include "common/constants.h"
#include "common/failure.h"
#include "common/logging.h"
#include "downloads/downloadwebview.h"
#include "links/linkresolver.h"
#include "net/textfetcher.h"
#include "net/urltexts.h"
#include "player/mediaplayerwidget.h"
#include "skin/skinlibrary.h"
#include "songlist/searchcommand.h"
#include "songlist/searchstate.h"
#include "songlist/songlistloader.h"
#include "widgets/buttoncaption.h"
#include "widgets/desktopshell.h"
#include "widgets/downloadswindow.h"
#include "widgets/filesavedialog.h"
#include "widgets/lineedittextbox.h"
#include "widgets/messageboxdialog.h"
#include "widgets/qteventdispatch.h"
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
// Once panel 2 already shows the player's status, Timer1 ticks slowly until the player or the
// panel changes again
constexpr int kIdleTickInterval = 250;

} // namespace

Form1::Form1(FormEnvironment environment, SearchState *state, QWidget *parent)
    : QMainWindow(parent), m_environment(std::move(environment)),
      m_state(state ? *state : sharedSearchState()),
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
    createControls(*this);

    m_dispatch = std::make_unique<QtEventDispatch>();
    m_text1Box = std::make_unique<LineEditTextBox>(*Text1);
    m_text2Box = std::make_unique<LineEditTextBox>(*Text2);
    m_text3Box = std::make_unique<LineEditTextBox>(*Text3);
    m_text4Box = std::make_unique<LineEditTextBox>(*Text4);
    m_text5Box = std::make_unique<LineEditTextBox>(*Text5);
    m_text6Box = std::make_unique<LineEditTextBox>(*Text6);
    m_command1Caption = std::make_unique<ButtonCaption>(*Command1);
    m_loader = std::make_unique<SongListLoader>(m_state, *m_urls, *m_fetcher, *ListView1,
                                                *StatusBar1, *m_command1Caption, *m_dispatch);
    m_search = std::make_unique<SearchCommand>(m_state, *m_urls, *m_loader, *m_text1Box,
                                               *m_command1Caption, *ListView1, *StatusBar1,
                                               *m_environment.messageBox);
    m_songs = std::make_unique<SongHandlers>(
        *ListView1,
        SongHandlers::Boxes {*m_text2Box, *m_text3Box, *m_text4Box, *m_text5Box, *m_text6Box},
        *WindowsMediaPlayer1, *WebBrowser1, *m_links, m_playIndex);
    m_listPlayer
        = std::make_unique<ListPlayer>(*m_songs, *ListView1, *WindowsMediaPlayer1, *StatusBar1);
    m_saveDialog = std::make_unique<FileSaveDialog>(*this);
    downloads().setSaveDialog(*m_saveDialog);
    m_downloadsWindow = std::make_unique<DownloadsWindow>(downloads(), *m_environment.shell);
    m_songs->setListener(m_listPlayer.get());
    connectHandlers();
    Timer1->start();
}

Form1::~Form1()
{
    // The timer must not tick into half-destroyed controls
    Timer1->stop();
}

void Form1::connectHandlers()
{
    connect(Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form1::Command2_Click);
    connect(Text1, &QLineEdit::returnPressed, this, [this] { Text1_KeyPress(13); });
    connect(BoLi, &QAction::triggered, this, &Form1::BoLi_Click);
    connect(Timer1, &QTimer::timeout, this, &Form1::Timer1_Timer);
    connect(StatusBar1, &StatusBarWidget::panelTextChanged, this, &Form1::wakeTimer);
    connect(WindowsMediaPlayer1, &MediaPlayerWidget::statusTextChanged, this, &Form1::wakeTimer);
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
    connect(WindowsMediaPlayer1, &MediaPlayerWidget::PlayStateChange, this,
            &Form1::WindowsMediaPlayer1_PlayStateChange);
    connect(WindowsMediaPlayer1, &MediaPlayerWidget::DoubleClick, this,
            &Form1::WindowsMediaPlayer1_DoubleClick);
    connect(WindowsMediaPlayer1, &MediaPlayerWidget::mediaFailed, this,
            &Form1::WindowsMediaPlayer1_MediaFailed);
    connect(m_listPlayer.get(), &ListPlayer::songStarted, this, &Form1::announceSong);
    connect(&ListView1->listModel(), &QAbstractItemModel::modelReset, this, &Form1::listChanged);
    connect(&ListView1->listModel(), &QAbstractItemModel::rowsInserted, this, &Form1::listChanged);
    connect(new QShortcut(QKeySequence(u"Ctrl+L"_s), this), &QShortcut::activated, this,
            &Form1::showPlayingRow);
    connect(new QShortcut(QKeySequence(u"Ctrl+F"_s), this), &QShortcut::activated, this,
            &Form1::focusSearch);
    connect(&downloads(), &DownloadManager::finished, this, &Form1::showDownloadEnd);
    connect(DownloadsList, &QAction::triggered, m_downloadsWindow.get(), &DownloadsWindow::bringUp);
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
    const std::optional<QString> failure = failureOf(handler);
    if (failure && !m_unloaded)
        StatusBar1->setPanelText(1, u"获取歌曲链接失败：%1"_s.arg(*failure));
}

void Form1::Form_Load()
{
    m_playIndex = 1;
    ListView1->clear();
    ListView1->clearColumns();
    ListView1->setReportView();
    ListView1->setFullRowSelect(true);
    ListView1->setManualLabelEdit();
    ListView1->setGridLines(true);
    ListView1->setMultiSelect(false);
    ListView1->addColumn(u"歌曲名称："_s, kColumnWidth);
    ListView1->addColumn(u"歌曲编号："_s, kColumnWidth);
    ListView1->addColumn(u"歌曲ID："_s, kColumnWidth);
    Command1->setText(Captions::kStop);
    m_state.Searching = true;
    m_state.CurrentPage = 1;
    m_state.FetchPhase = 1;
    m_loader->LoadSongList(m_urls->text(UrlTexts::DefaultListFirstPage));
    if (m_unloaded)
        return;

    // The separator is always inserted, as the skin library expects a full path
    m_environment.skinning->SkinH_AttachEx(m_environment.programDir + u"/quillpod.she"_s,
                                           QString());
    m_environment.skinning->SkinH_SetAero(0);
    BoLi->setChecked(false);
    const std::optional<QString> failure
        = failureOf([this] { WindowsMediaPlayer1->setURL(m_links->FetchBackgroundTrack()); });
    if (failure && !m_unloaded)
        reportNoBackgroundTrack(*failure);
    WindowsMediaPlayer1->setVolume(100);
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

void Form1::Text1_KeyPress(int keyAscii)
{
    try {
        m_search->Text1_KeyPress(keyAscii);
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
    if (ListView1->count() > 0 && button == Qt::RightButton)
        Memu->popup(QCursor::pos());
}

void Form1::ListView1_MenuKey()
{
    // The keyboard's popup opens at the current row rather than at the pointer
    if (ListView1->count() > 0)
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
        m_songs->WindowsMediaPlayer1_DoubleClick();
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
    return ListView1->count() > 0;
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
    const int row = ListView1->playMark();
    if (row == 0)
        return;
    ListView1->select(row);
    ListView1->ensureVisible(row);
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

void Form1::wakeTimer()
{
    if (Timer1->interval() != kTickInterval && Timer1->isActive())
        Timer1->setInterval(kTickInterval);
}

void Form1::Timer1_Timer()
{
    // While a run is in progress panel 2 is the loader's
    if (!m_state.Searching) {
        const QString status = WindowsMediaPlayer1->statusText();
        // Rewriting the same text would only cost a relayout of the panel
        if (StatusBar1->panelText(2) != status) {
            StatusBar1->setPanelText(2, status);
            return;
        }
    }
    // Nothing to show until something changes: waking a thousand times a second for nothing
    // would cost more than the rest of the idle program
    if (Timer1->interval() != kIdleTickInterval)
        Timer1->setInterval(kIdleTickInterval);
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
    m_environment.shell->openAddress(m_environment.exitPage);
    // Every waiting request ends now, so the handlers waiting on them unwind and nothing more
    // is written before the program ends
    if (m_environment.endProgram)
        m_environment.endProgram();
    else
        QCoreApplication::exit(0);
}
