#include "mainwindowcontrols.h"

#include "common/constants.h"
#include "common/twips.h"
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

void MainWindowControls::createControls(QMainWindow &window, AudioPlayer &player)
{
    auto *const client = new QWidget(&window);
    client->setObjectName(u"ClientArea"_s);
    window.setCentralWidget(client);
    createClientArea(*client, player);
    createDetailBoxes(*client);

    statusTimer = new QTimer(&window);
    statusTimer->setObjectName(u"statusTimer"_s);
    statusTimer->setInterval(kTickInterval);
    statusTimer->setSingleShot(true);

    createMenus(window);
    setTabOrder();
    fixSize(window);
}

void MainWindowControls::createClientArea(QWidget &client, AudioPlayer &player)
{
    playerStrip = new MediaPlayerWidget(player, &client);
    playerStrip->setObjectName(u"playerStrip"_s);
    playerStrip->setGeometry(twipsToPixels(0, 0, 6735, 660));
    player.setVolume(50);

    keywordLabel = label(client, u"keywordLabel"_s, u"查找歌曲："_s, 120, 720);
    keywordBox = textBox(client, u"keywordBox"_s, twipsToPixels(1320, 720, 3135, 270), keywordLabel,
                         Typing::Allowed);
    searchButton
        = button(client, u"searchButton"_s, Captions::kSearch, twipsToPixels(4560, 645, 975, 375));
    siteButton
        = button(client, u"siteButton"_s, u"Zuvo官网"_s, twipsToPixels(5620, 645, 1095, 375));

    songListFrame = new QGroupBox(u"歌曲列表："_s, &client);
    songListFrame->setObjectName(u"songListFrame"_s);
    songListFrame->setGeometry(twipsToPixels(0, 1080, 6735, 5055));
    songList = new ReportListView(songListFrame);
    songList->setObjectName(u"songList"_s);
    songList->setGeometry(twipsToPixels(120, 240, 6495, 4695));

    statusBarWidget = new StatusBarWidget(&client);
    statusBarWidget->setObjectName(u"statusBar"_s);
    statusBarWidget->setGeometry(twipsToPixels(0, 7245, 6750, 255));
    statusBarWidget->setPanelText(1, u"联系作者：quillpod@example.org"_s);
}

void MainWindowControls::createDetailBoxes(QWidget &client)
{
    titleLabel = label(client, u"titleLabel"_s, u"歌名："_s, 0, 6240);
    titleBox = textBox(client, u"titleBox"_s, twipsToPixels(600, 6255, 1335, 270), titleLabel);
    songIdLabel = label(client, u"songIdLabel"_s, u"歌曲ID："_s, 2040, 6255);
    songIdBox = textBox(client, u"songIdBox"_s, twipsToPixels(2880, 6255, 1215, 270), songIdLabel);
    serialLabel = label(client, u"serialLabel"_s, u"歌曲编号："_s, 4200, 6255);
    serialBox = textBox(client, u"serialBox"_s, twipsToPixels(5280, 6255, 1455, 270), serialLabel);
    linkLabel = label(client, u"linkLabel"_s, u"歌曲外链地址："_s, 0, 6600);
    linkBox = textBox(client, u"linkBox"_s, twipsToPixels(1560, 6600, 4335, 270), linkLabel);
    downloadButton
        = button(client, u"downloadButton"_s, u"下载"_s, twipsToPixels(6000, 6600, 735, 615));
    rawLinkLabel = label(client, u"rawLinkLabel"_s, u"真实外链地址："_s, 0, 6960);
    rawLinkBox
        = textBox(client, u"rawLinkBox"_s, twipsToPixels(1560, 6960, 4335, 270), rawLinkLabel);
}

void MainWindowControls::createMenus(QMainWindow &window)
{
    mainMenu = window.menuBar()->addMenu(u"菜单"_s);
    mainMenu->setObjectName(u"mainMenu"_s);
    glassAction = mainMenu->addAction(u"启用玻璃磨砂"_s);
    glassAction->setObjectName(u"glassAction"_s);
    glassAction->setCheckable(true);
    glassAction->setChecked(true);
    downloadsListAction = mainMenu->addAction(u"下载列表"_s);
    downloadsListAction->setObjectName(u"downloadsListAction"_s);
    downloadsListAction->setShortcut(QKeySequence(u"Ctrl+J"_s));

    // The list's popup menu is never part of the menu bar
    songMenu = new QMenu(&window);
    songMenu->setObjectName(u"songMenu"_s);
    playAction = songMenu->addAction(u"播放"_s);
    playAction->setObjectName(u"playAction"_s);
    songMenu->addSeparator()->setObjectName(u"songMenuSeparator"_s);
    downloadAction = songMenu->addAction(u"下载"_s);
    downloadAction->setObjectName(u"downloadAction"_s);
}

void MainWindowControls::setTabOrder()
{
    // The design's tab order; labels and the status bar take no focus
    const QList<QWidget *> order {keywordBox,     searchButton, linkBox,   playerStrip,
                                  songList,       titleBox,     songIdBox, siteButton,
                                  downloadButton, serialBox,    rawLinkBox};
    for (qsizetype i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}

void MainWindowControls::fixSize(QMainWindow &window)
{
    // A window of fixed size, centred on the screen
    const QSize client(twipsToPixels(kClientWidth), twipsToPixels(kClientHeight));
    window.centralWidget()->setFixedSize(client);
    window.setFixedSize(client.width(), client.height() + window.menuBar()->sizeHint().height());
    if (const QScreen *screen = window.screen())
        window.move(screen->availableGeometry().center() - window.rect().center());
}
