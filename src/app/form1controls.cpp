#include "form1controls.h"

#include "common/constants.h"
#include "common/twips.h"
#include "downloads/downloadwebview.h"
#include "player/audioplayer.h"
#include "player/mediaplayerwidget.h"
#include "widgets/reportlistview.h"
#include "widgets/statusbarwidget.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

constexpr int kClientWidth = 6750;
constexpr int kClientHeight = 7500;

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

QLabel *label(QWidget &client, const QString &name, const QString &caption, int left, int top)
{
    auto *const field = new QLabel(caption, &client);
    field->setObjectName(name);
    field->setTextFormat(Qt::PlainText);
    field->setFont(labelFont());
    field->adjustSize();
    field->move(twipsToPixels(left), twipsToPixels(top));
    return field;
}

enum class Typing { Allowed, ReadOnly };

// A text box with the label that names it to screen readers
QLineEdit *textBox(QWidget &client, const QString &name, QRect geometry, QLabel *buddy,
                   Typing typing = Typing::ReadOnly)
{
    auto *const field = new QLineEdit(&client);
    field->setObjectName(name);
    field->setGeometry(geometry);
    field->setReadOnly(typing == Typing::ReadOnly);
    buddy->setBuddy(field);
    return field;
}

QPushButton *button(QWidget &client, const QString &name, const QString &caption, QRect geometry)
{
    auto *const field = new QPushButton(caption, &client);
    field->setObjectName(name);
    field->setGeometry(geometry);
    field->setAutoDefault(false);
    return field;
}

} // namespace

void Form1Controls::createControls(QMainWindow &window, AudioPlayer &player)
{
    auto *const client = new QWidget(&window);
    client->setObjectName(u"ClientArea"_s);
    window.setCentralWidget(client);
    createClientArea(*client, player);
    createDetailBoxes(*client);

    // The web view shows nothing; it only takes addresses to download
    WebBrowser1 = new DownloadWebView(&window);
    WebBrowser1->setObjectName(u"WebBrowser1"_s);

    Timer1 = new QTimer(&window);
    Timer1->setObjectName(u"Timer1"_s);
    Timer1->setInterval(kTickInterval);
    Timer1->setSingleShot(true);

    createMenus(window);
    setTabOrder();
    fixSize(window);
}

void Form1Controls::createClientArea(QWidget &client, AudioPlayer &player)
{
    WindowsMediaPlayer1 = new MediaPlayerWidget(player, &client);
    WindowsMediaPlayer1->setObjectName(u"WindowsMediaPlayer1"_s);
    WindowsMediaPlayer1->setGeometry(twipsToPixels(0, 0, 6735, 660));
    player.setVolume(50);

    Label3 = label(client, u"Label3"_s, u"查找歌曲："_s, 120, 720);
    Text1
        = textBox(client, u"Text1"_s, twipsToPixels(1320, 720, 3135, 270), Label3, Typing::Allowed);
    Command1 = button(client, u"Command1"_s, Captions::kSearch, twipsToPixels(4560, 645, 975, 375));
    Command2 = button(client, u"Command2"_s, u"Zuvo官网"_s, twipsToPixels(5620, 645, 1095, 375));

    Frame1 = new QGroupBox(u"歌曲列表："_s, &client);
    Frame1->setObjectName(u"Frame1"_s);
    Frame1->setGeometry(twipsToPixels(0, 1080, 6735, 5055));
    ListView1 = new ReportListView(Frame1);
    ListView1->setObjectName(u"ListView1"_s);
    ListView1->setGeometry(twipsToPixels(120, 240, 6495, 4695));

    StatusBar1 = new StatusBarWidget(&client);
    StatusBar1->setObjectName(u"StatusBar1"_s);
    StatusBar1->setGeometry(twipsToPixels(0, 7245, 6750, 255));
    StatusBar1->setPanelText(1, u"联系作者：quillpod@example.org"_s);
}

void Form1Controls::createDetailBoxes(QWidget &client)
{
    Label1 = label(client, u"Label1"_s, u"歌名："_s, 0, 6240);
    Text3 = textBox(client, u"Text3"_s, twipsToPixels(600, 6255, 1335, 270), Label1);
    Label4 = label(client, u"Label4"_s, u"歌曲ID："_s, 2040, 6255);
    Text4 = textBox(client, u"Text4"_s, twipsToPixels(2880, 6255, 1215, 270), Label4);
    Label5 = label(client, u"Label5"_s, u"歌曲编号："_s, 4200, 6255);
    Text5 = textBox(client, u"Text5"_s, twipsToPixels(5280, 6255, 1455, 270), Label5);
    Label2 = label(client, u"Label2"_s, u"歌曲外链地址："_s, 0, 6600);
    Text2 = textBox(client, u"Text2"_s, twipsToPixels(1560, 6600, 4335, 270), Label2);
    Command3 = button(client, u"Command3"_s, u"下载"_s, twipsToPixels(6000, 6600, 735, 615));
    lbl = label(client, u"lbl"_s, u"真实外链地址："_s, 0, 6960);
    Text6 = textBox(client, u"Text6"_s, twipsToPixels(1560, 6960, 4335, 270), lbl);
}

void Form1Controls::createMenus(QMainWindow &window)
{
    Menus = window.menuBar()->addMenu(u"菜单"_s);
    Menus->setObjectName(u"Menus"_s);
    BoLi = Menus->addAction(u"启用玻璃磨砂"_s);
    BoLi->setObjectName(u"BoLi"_s);
    BoLi->setCheckable(true);
    BoLi->setChecked(true);
    DownloadsList = Menus->addAction(u"下载列表"_s);
    DownloadsList->setObjectName(u"DownloadsList"_s);
    DownloadsList->setShortcut(QKeySequence(u"Ctrl+J"_s));

    // The list's popup menu is never part of the menu bar
    Memu = new QMenu(u"CaiDAN"_s, &window);
    Memu->setObjectName(u"Memu"_s);
    Players = Memu->addAction(u"播放"_s);
    Players->setObjectName(u"Players"_s);
    Memu->addSeparator()->setObjectName(u"line"_s);
    DOl = Memu->addAction(u"下载"_s);
    DOl->setObjectName(u"DOl"_s);
}

void Form1Controls::setTabOrder()
{
    // The design's tab order; labels and the status bar take no focus
    const QList<QWidget *> order {Text1,     Command1, Text2, WindowsMediaPlayer1,
                                  ListView1, Text3,    Text4, Command2,
                                  Command3,  Text5,    Text6};
    for (qsizetype i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}

void Form1Controls::fixSize(QMainWindow &window)
{
    // A window of fixed size, centred on the screen
    const QSize client(twipsToPixels(kClientWidth), twipsToPixels(kClientHeight));
    window.centralWidget()->setFixedSize(client);
    window.setFixedSize(client.width(), client.height() + window.menuBar()->sizeHint().height());
    if (const QScreen *screen = window.screen())
        window.move(screen->availableGeometry().center() - window.rect().center());
}
