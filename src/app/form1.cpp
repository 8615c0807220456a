#include "form1.h"

#include "songhandlers.h"

#include "links/linkresolver.h"
#include "common/failure.h"
#include "net/textfetcher.h"
#include "widgets/buttoncaption.h"
#include "widgets/desktopshell.h"
#include "downloads/downloadwebview.h"
#include "widgets/lineedittextbox.h"
#include "player/mediaplayerwidget.h"
#include "widgets/messageboxdialog.h"
#include "widgets/qteventdispatch.h"
#include "widgets/reportlistview.h"
#include "skin/skinlibrary.h"
#include "widgets/statusbarwidget.h"
#include "songlist/searchcommand.h"
#include "songlist/searchstate.h"
#include "songlist/songlistloader.h"
#include "net/urltexts.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QCursor>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

using namespace Qt::Literals::StringLiterals;

namespace {

// The layout is designed in twips; 15 of them make a pixel at 96 dots per inch
constexpr int px(int twips)
{
    return (twips + 7) / 15;
}

QRect twipRect(int left, int top, int width, int height)
{
    return {px(left), px(top), px(width), px(height)};
}

QFont labelFont()
{
    QFont font;
    // 宋体 where it exists; Linux desktops have one of the others
    font.setFamilies({u"宋体"_s, u"SimSun"_s, u"NSimSun"_s, u"WenQuanYi Micro Hei"_s,
                      u"Noto Sans CJK SC"_s, u"Noto Serif CJK SC"_s});
    font.setPointSize(12);
    font.setWeight(QFont::Normal);
    return font;
}

constexpr int kClientWidth = 6750;
constexpr int kClientHeight = 7500;
constexpr int kColumnWidth = 3000;
// Timer1 ticks every millisecond while there is something to show; once panel 2 already shows
// the player's status, it ticks slowly until the player or the panel changes again
constexpr int kTickInterval = 1;
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
    createControls();
    createMenus();
    setTabOrder();

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
    connectHandlers();

    // A window of fixed size, centred on the screen
    const QSize client(px(kClientWidth), px(kClientHeight));
    centralWidget()->setFixedSize(client);
    setFixedSize(client.width(), client.height() + menuBar()->sizeHint().height());
    if (const QScreen *screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());

    Timer1->start();
}

Form1::~Form1()
{
    // The timer must not tick into half-destroyed controls
    Timer1->stop();
}

void Form1::createControls()
{
    auto *client = new QWidget(this);
    client->setObjectName(u"ClientArea"_s);
    setCentralWidget(client);

    const auto label
        = [&](QLabel *&field, const QString &name, const QString &caption, int left, int top) {
              field = new QLabel(caption, client);
              field->setObjectName(name);
              field->setTextFormat(Qt::PlainText);
              field->setFont(labelFont());
              field->adjustSize();
              field->move(px(left), px(top));
          };
    const auto textBox
        = [&](QLineEdit *&field, const QString &name, QRect geometry, bool readOnly) {
              field = new QLineEdit(client);
              field->setObjectName(name);
              field->setGeometry(geometry);
              field->setReadOnly(readOnly);
          };
    const auto button
        = [&](QPushButton *&field, const QString &name, const QString &caption, QRect geometry) {
              field = new QPushButton(caption, client);
              field->setObjectName(name);
              field->setGeometry(geometry);
              field->setAutoDefault(false);
          };

    WindowsMediaPlayer1 = new MediaPlayerWidget(client);
    WindowsMediaPlayer1->setObjectName(u"WindowsMediaPlayer1"_s);
    WindowsMediaPlayer1->setGeometry(twipRect(0, 0, 6735, 660));
    WindowsMediaPlayer1->setVolume(50);

    label(Label3, u"Label3"_s, u"查找歌曲："_s, 120, 720);
    textBox(Text1, u"Text1"_s, twipRect(1320, 720, 3135, 270), false);
    button(Command1, u"Command1"_s, u"搜索"_s, twipRect(4560, 645, 975, 375));
    button(Command2, u"Command2"_s, u"Zuvo官网"_s, twipRect(5620, 645, 1095, 375));

    Frame1 = new QGroupBox(u"歌曲列表："_s, client);
    Frame1->setObjectName(u"Frame1"_s);
    Frame1->setGeometry(twipRect(0, 1080, 6735, 5055));
    ListView1 = new ReportListView(Frame1);
    ListView1->setObjectName(u"ListView1"_s);
    ListView1->setGeometry(twipRect(120, 240, 6495, 4695));

    label(Label1, u"Label1"_s, u"歌名："_s, 0, 6240);
    textBox(Text3, u"Text3"_s, twipRect(600, 6255, 1335, 270), true);
    label(Label4, u"Label4"_s, u"歌曲ID："_s, 2040, 6255);
    textBox(Text4, u"Text4"_s, twipRect(2880, 6255, 1215, 270), true);
    label(Label5, u"Label5"_s, u"歌曲编号："_s, 4200, 6255);
    textBox(Text5, u"Text5"_s, twipRect(5280, 6255, 1455, 270), true);
    label(Label2, u"Label2"_s, u"歌曲外链地址："_s, 0, 6600);
    textBox(Text2, u"Text2"_s, twipRect(1560, 6600, 4335, 270), true);
    button(Command3, u"Command3"_s, u"下载"_s, twipRect(6000, 6600, 735, 615));
    label(lbl, u"lbl"_s, u"真实外链地址："_s, 0, 6960);
    textBox(Text6, u"Text6"_s, twipRect(1560, 6960, 4335, 270), true);

    // Screen readers announce each box by the label beside it
    Label3->setBuddy(Text1);
    Label1->setBuddy(Text3);
    Label4->setBuddy(Text4);
    Label5->setBuddy(Text5);
    Label2->setBuddy(Text2);
    lbl->setBuddy(Text6);

    StatusBar1 = new StatusBarWidget(client);
    StatusBar1->setObjectName(u"StatusBar1"_s);
    StatusBar1->setGeometry(twipRect(0, 7245, 6750, 255));
    StatusBar1->setPanelText(1, u"联系作者：quillpod@example.org"_s);

    // The web view shows nothing; it only takes addresses to download
    WebBrowser1 = new DownloadWebView(this);
    WebBrowser1->setObjectName(u"WebBrowser1"_s);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(u"Timer1"_s);
    Timer1->setInterval(kTickInterval);
}

void Form1::createMenus()
{
    Menus = menuBar()->addMenu(u"菜单"_s);
    Menus->setObjectName(u"Menus"_s);
    BoLi = Menus->addAction(u"启用玻璃磨砂"_s);
    BoLi->setObjectName(u"BoLi"_s);
    BoLi->setCheckable(true);
    BoLi->setChecked(true);

    // The list's popup menu is never part of the menu bar
    Memu = new QMenu(u"CaiDAN"_s, this);
    Memu->setObjectName(u"Memu"_s);
    Players = Memu->addAction(u"播放"_s);
    Players->setObjectName(u"Players"_s);
    Memu->addSeparator()->setObjectName(u"line"_s);
    DOl = Memu->addAction(u"下载"_s);
    DOl->setObjectName(u"DOl"_s);
}

void Form1::setTabOrder()
{
    // The design's tab order; labels and the status bar take no focus
    const QList<QWidget *> order {Text1,     Command1, Text2, WindowsMediaPlayer1,
                                  ListView1, Text3,    Text4, Command2,
                                  Command3,  Text5,    Text6};
    for (qsizetype i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}

void Form1::connectHandlers()
{
    connect(Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form1::Command2_Click);
    connect(Text1, &QLineEdit::returnPressed, this, [this] { Text1_KeyPress(13); });
    connect(BoLi, &QAction::triggered, this, &Form1::BoLi_Click);
    connect(Timer1, &QTimer::timeout, this, &Form1::Timer1_Timer);
    const auto wakeTimer = [this] {
        if (Timer1->interval() != kTickInterval && Timer1->isActive())
            Timer1->setInterval(kTickInterval);
    };
    connect(StatusBar1, &StatusBarWidget::panelTextChanged, this, wakeTimer);
    connect(WindowsMediaPlayer1, &MediaPlayerWidget::statusTextChanged, this, wakeTimer);
    connect(StatusBar1, &StatusBarWidget::mouseMoved, this, &Form1::StatusBar1_MouseMove);
    connect(ListView1, &ReportListView::mouseReleased, this,
            [this](Qt::MouseButton button) { ListView1_MouseUp(button); });
    connect(ListView1, &ReportListView::clicked, this,
            [this] { runSongHandler(&SongHandlers::ListView1_Click); });
    connect(ListView1, &ReportListView::doubleClicked, this,
            [this] { runSongHandler(&SongHandlers::ListView1_DblClick); });
    connect(ListView1, &ReportListView::showRequested, this,
            [this] { runSongHandler(&SongHandlers::ListView1_Click); });
    connect(ListView1, &ReportListView::playRequested, this,
            [this] { runSongHandler(&SongHandlers::ListView1_DblClick); });
    connect(ListView1, &ReportListView::menuRequested, this, [this] {
        if (ListView1->count() > 0)
            Memu->popup(ListView1->viewport()->mapToGlobal(
                ListView1->visualRect(ListView1->currentIndex()).center()));
    });
    connect(Players, &QAction::triggered, this,
            [this] { runSongHandler(&SongHandlers::Players_Click); });
    connect(DOl, &QAction::triggered, this, [this] { runSongHandler(&SongHandlers::DOl_Click); });
    connect(Command3, &QPushButton::clicked, this,
            [this] { runSongHandler(&SongHandlers::Command3_Click); });
    connect(WindowsMediaPlayer1, &MediaPlayerWidget::PlayStateChange, this, [this](int state) {
        runSongHandler(
            [state](SongHandlers &songs) { songs.WindowsMediaPlayer1_PlayStateChange(state); });
    });
    connect(WindowsMediaPlayer1, &MediaPlayerWidget::DoubleClick, this, [this] {
        // Full screen is a nicety: nothing to report if the player cannot
        try {
            m_songs->WindowsMediaPlayer1_DoubleClick();
        } catch (const std::exception &) {
        }
    });
}

template<typename Handler> void Form1::runSongHandler(Handler handler)
{
    if (m_unloaded)
        return;
    try {
        std::invoke(handler, *m_songs);
    } catch (const Failure &failure) {
        if (!m_unloaded)
            StatusBar1->setPanelText(1, u"获取歌曲链接失败：%1"_s.arg(failure.reason()));
    }
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
    Command1->setText(u"停止"_s);
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
    try {
        WindowsMediaPlayer1->setURL(m_links->FetchBackgroundTrack());
    } catch (const Failure &failure) {
        // The window comes up all the same, without a background track
        if (!m_unloaded)
            StatusBar1->setPanelText(1, u"背景音乐不可用：%1"_s.arg(failure.reason()));
    }
    WindowsMediaPlayer1->setVolume(100);
}

void Form1::Command1_Click()
{
    try {
        m_search->Command1_Click();
    } catch (const std::exception &) {
        // The run reports its own ends; nothing may cross the event loop
    }
}

void Form1::Text1_KeyPress(int keyAscii)
{
    try {
        m_search->Text1_KeyPress(keyAscii);
    } catch (const std::exception &) {
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

void Form1::StatusBar1_MouseMove()
{
    StatusBar1->setToolTipText(StatusBar1->panelText(1) + u"  | "_s + StatusBar1->panelText(2));
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
    m_environment.shell->openAddress(m_environment.exitPage);
    // Every waiting request ends now, so the handlers waiting on them unwind and nothing more
    // is written before the program ends
    if (m_environment.endProgram)
        m_environment.endProgram();
    else
        QCoreApplication::exit(0);
}
