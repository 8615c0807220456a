#include "mainwindowcontrols.h"

#include "common/constants.h"
#include "player/audioplayer.h"
#include "player/mediaplayerwidget.h"
#include "player/playmodelook.h"
#include "widgets/reportlistview.h"
#include "widgets/statusbarwidget.h"

#include <QAction>
#include <QActionGroup>
#include <QBoxLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QMetaEnum>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QStackedLayout>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

// The client area at the window's default size, which is also its smallest
constexpr QSize kClientSize {450, 500};
// The player's strip and the search row share one line of pixels
constexpr int kPlayerStripHeight = 44;
constexpr int kSearchRowTop = 43;
constexpr int kBoxHeight = 18;
constexpr auto kGeometryKey = "mainwindow/geometry"_L1;

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

QLabel *label(QWidget &client, const QString &name, const QString &caption)
{
    auto *const field = new QLabel(caption, &client);
    field->setObjectName(name);
    field->setTextFormat(Qt::PlainText);
    field->setFont(labelFont());
    return field;
}

enum class Typing { Allowed, ReadOnly };

// A text box with the label that names it to screen readers; it is never narrower than `width`
QLineEdit *textBox(QWidget &client, const QString &name, int width, QLabel *buddy,
                   Typing typing = Typing::ReadOnly)
{
    auto *const field = new QLineEdit(&client);
    field->setObjectName(name);
    field->setMinimumWidth(width);
    field->setFixedHeight(kBoxHeight);
    field->setReadOnly(typing == Typing::ReadOnly);
    buddy->setBuddy(field);
    return field;
}

QAction *action(QWidget &owner, const QString &name, const QString &caption,
                const QKeySequence &keys = {})
{
    auto *const item = new QAction(caption, &owner);
    item->setObjectName(name);
    item->setShortcut(keys);
    return item;
}

QPushButton *button(QWidget &client, const QString &name, const QString &caption, QSize size)
{
    auto *const field = new QPushButton(caption, &client);
    field->setObjectName(name);
    field->setFixedSize(size);
    field->setAutoDefault(false);
    return field;
}

// Where a label and its box sit in their row: the box starts `indent` pixels right of the
// label, which may run beneath it as it always has
struct FieldPlace {
    int indent;
    int labelTop = 0;
    int boxTop = 0;
};

QLayout *field(QLabel *label, QLineEdit *box, FieldPlace place)
{
    auto *const boxRow = new QHBoxLayout;
    boxRow->setContentsMargins(place.indent, place.boxTop - place.labelTop, 0, 0);
    boxRow->addWidget(box, 0, Qt::AlignTop);
    auto *const cell = new QGridLayout;
    cell->setContentsMargins(0, place.labelTop, 0, 0);
    cell->addWidget(label, 0, 0, Qt::AlignLeft | Qt::AlignTop);
    cell->addLayout(boxRow, 0, 0);
    return cell;
}

QBoxLayout *row(QBoxLayout::Direction direction, QMargins margins = {})
{
    auto *const layout = new QBoxLayout(direction);
    layout->setContentsMargins(margins);
    layout->setSpacing(0);
    return layout;
}

} // namespace

void MainWindowControls::createControls(QMainWindow &window, AudioPlayer &player)
{
    auto *const client = new QWidget(&window);
    client->setObjectName(u"ClientArea"_s);
    client->setMinimumSize(kClientSize);
    window.setCentralWidget(client);
    createClientArea(*client, player);
    createDetailBoxes(*client);
    layOut(*client);

    statusTimer = new QTimer(&window);
    statusTimer->setObjectName(u"statusTimer"_s);
    statusTimer->setInterval(kTickInterval);
    statusTimer->setSingleShot(true);

    createMenus(window);
    setTabOrder();
    restorePlace(window);
}

void MainWindowControls::createClientArea(QWidget &client, AudioPlayer &player)
{
    playerStrip = new MediaPlayerWidget(player, &client);
    playerStrip->setObjectName(u"playerStrip"_s);
    playerStrip->setFixedHeight(kPlayerStripHeight);
    player.setVolume(50);

    keywordLabel = label(client, u"keywordLabel"_s, u"查找歌曲："_s);
    keywordBox = textBox(client, u"keywordBox"_s, 209, keywordLabel, Typing::Allowed);
    searchButton = button(client, u"searchButton"_s, Captions::kSearch, {65, 25});
    siteButton = button(client, u"siteButton"_s, u"Zuvo官网"_s, {73, 25});

    songListFrame = new QGroupBox(u"歌曲列表："_s, &client);
    songListFrame->setObjectName(u"songListFrame"_s);
    // The list keeps its place below the caption whatever the style makes of the frame
    songListFrame->setAttribute(Qt::WA_LayoutOnEntireRect);
    songList = new ReportListView(songListFrame);
    songList->setObjectName(u"songList"_s);
    // The kept lists take the song list's place when their tab is chosen
    auto *const frameLayout = row(QBoxLayout::TopToBottom, {8, 16, 8, 8});
    songListFrame->setLayout(frameLayout);
    songListStack = new QStackedLayout;
    frameLayout->addLayout(songListStack);
    songListStack->addWidget(songList);

    statusBarWidget = new StatusBarWidget(&client);
    statusBarWidget->setObjectName(u"statusBar"_s);
    statusBarWidget->setFixedHeight(17);
    statusBarWidget->setPanelText(1, u"联系作者：quillpod@example.org"_s);
}

void MainWindowControls::createDetailBoxes(QWidget &client)
{
    titleLabel = label(client, u"titleLabel"_s, u"歌名："_s);
    titleBox = textBox(client, u"titleBox"_s, 89, titleLabel);
    songIdLabel = label(client, u"songIdLabel"_s, u"歌曲ID："_s);
    songIdBox = textBox(client, u"songIdBox"_s, 81, songIdLabel);
    serialLabel = label(client, u"serialLabel"_s, u"歌曲编号："_s);
    serialBox = textBox(client, u"serialBox"_s, 97, serialLabel);
    linkLabel = label(client, u"linkLabel"_s, u"歌曲外链地址："_s);
    linkBox = textBox(client, u"linkBox"_s, 289, linkLabel);
    downloadButton = button(client, u"downloadButton"_s, u"下载"_s, {49, 41});
    rawLinkLabel = label(client, u"rawLinkLabel"_s, u"真实外链地址："_s);
    rawLinkBox = textBox(client, u"rawLinkBox"_s, 289, rawLinkLabel);
}

void MainWindowControls::layOut(QWidget &client)
{
    // The player's strip reaches one pixel into the search row, whose buttons lie over it
    auto *const search = row(QBoxLayout::LeftToRight, {8, 0, 1, 0});
    search->addLayout(field(keywordLabel, keywordBox, {80, 5, 5}), 1);
    search->addSpacing(7);
    search->addWidget(searchButton, 0, Qt::AlignTop);
    search->addSpacing(6);
    search->addWidget(siteButton, 0, Qt::AlignTop);
    auto *const top = new QGridLayout;
    top->setSpacing(0);
    top->setRowMinimumHeight(0, kSearchRowTop);
    top->addWidget(playerStrip, 0, 0, 2, 1, Qt::AlignTop);
    top->addLayout(search, 1, 0);

    auto *const details = row(QBoxLayout::LeftToRight);
    details->addLayout(field(titleLabel, titleBox, {40, 0, 1}), 1);
    details->addSpacing(7);
    details->addLayout(field(songIdLabel, songIdBox, {56, 1, 1}), 1);
    details->addSpacing(7);
    details->addLayout(field(serialLabel, serialBox, {72, 1, 1}), 1);

    auto *const links = new QGridLayout;
    links->setHorizontalSpacing(7);
    links->setVerticalSpacing(5);
    links->addLayout(field(linkLabel, linkBox, {104}), 0, 0);
    links->addLayout(field(rawLinkLabel, rawLinkBox, {104}), 1, 0);
    links->addWidget(downloadButton, 0, 1, 2, 1, Qt::AlignTop);
    links->setColumnStretch(0, 1);

    auto *const body = row(QBoxLayout::TopToBottom, {0, 0, 1, 0});
    body->addLayout(top);
    body->addSpacing(4);
    body->addWidget(songListFrame, 1);
    body->addSpacing(7);
    body->addLayout(details);
    body->addSpacing(4);
    body->addLayout(links);
    auto *const whole = row(QBoxLayout::TopToBottom);
    client.setLayout(whole);
    whole->addLayout(body, 1);
    whole->addWidget(statusBarWidget);
}

void MainWindowControls::createMenus(QMainWindow &window)
{
    mainMenu = window.menuBar()->addMenu(u"菜单"_s);
    mainMenu->setObjectName(u"mainMenu"_s);
    glassAction = mainMenu->addAction(u"启用玻璃磨砂"_s);
    glassAction->setObjectName(u"glassAction"_s);
    glassAction->setCheckable(true);
    glassAction->setChecked(true);
    createPlayModeMenu();
    downloadsListAction = mainMenu->addAction(u"下载列表"_s);
    downloadsListAction->setObjectName(u"downloadsListAction"_s);
    downloadsListAction->setShortcut(QKeySequence(u"Ctrl+J"_s));
    mainMenu->addSeparator();
    settingsAction = action(window, u"settingsAction"_s, u"设置…"_s, QKeySequence(u"Ctrl+,"_s));
    clearHistoryAction = action(window, u"clearHistoryAction"_s, u"清除搜索历史"_s);
    quitAction = action(window, u"quitAction"_s, u"退出"_s, QKeySequence(u"Ctrl+Q"_s));
    mainMenu->addActions({settingsAction, clearHistoryAction});
    mainMenu->addSeparator();
    mainMenu->addAction(quitAction);

    helpMenu = window.menuBar()->addMenu(u"帮助"_s);
    helpMenu->setObjectName(u"helpMenu"_s);
    shortcutsAction = action(window, u"shortcutsAction"_s, u"键盘快捷键"_s);
    aboutAction = action(window, u"aboutAction"_s, u"关于 Quillpod"_s);
    helpMenu->addActions({shortcutsAction, aboutAction});

    findAction = action(window, u"findAction"_s, u"查找歌曲"_s, QKeySequence(u"Ctrl+F"_s));
    playingRowAction
        = action(window, u"playingRowAction"_s, u"显示正在播放的歌曲"_s, QKeySequence(u"Ctrl+L"_s));
    reloadAction
        = action(window, u"reloadAction"_s, u"重新加载默认列表"_s, QKeySequence(Qt::Key_F5));
    // Holding F5 down asks once
    reloadAction->setAutoRepeat(false);
    window.addActions({findAction, playingRowAction, reloadAction});

    // The list's popup menu is never part of the menu bar
    songMenu = new QMenu(&window);
    songMenu->setObjectName(u"songMenu"_s);
    playAction = songMenu->addAction(u"播放"_s);
    playAction->setObjectName(u"playAction"_s);
    songMenu->addSeparator()->setObjectName(u"songMenuSeparator"_s);
    downloadAction = songMenu->addAction(u"下载"_s);
    downloadAction->setObjectName(u"downloadAction"_s);
    // Also by Ctrl+D on the selected row, with the menu closed
    favouriteAction = songMenu->addAction(u"收藏"_s);
    favouriteAction->setObjectName(u"favouriteAction"_s);
    favouriteAction->setShortcut(QKeySequence(u"Ctrl+D"_s));
    window.addAction(favouriteAction);
}

void MainWindowControls::createPlayModeMenu()
{
    playModeMenu = mainMenu->addMenu(u"播放模式"_s);
    playModeMenu->setObjectName(u"playModeMenu"_s);
    playModeGroup = new QActionGroup(playModeMenu);
    playModeGroup->setObjectName(u"playModeGroup"_s);
    const QMetaEnum modes = QMetaEnum::fromType<PlayMode>();
    for (const PlayMode mode : PlayModes::kPlayModes) {
        QAction *const action = playModeMenu->addAction(PlayModeLook::name(mode));
        action->setObjectName(
            u"playMode%1Action"_s.arg(QLatin1StringView(modes.valueToKey(static_cast<int>(mode)))));
        action->setCheckable(true);
        action->setData(QVariant::fromValue(mode));
        playModeGroup->addAction(action);
    }
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

void MainWindowControls::restorePlace(QMainWindow &window)
{
    if (window.restoreGeometry(QSettings().value(kGeometryKey).toByteArray()))
        return;
    // The first run: the default size, centred on the screen
    window.resize(kClientSize.width(),
                  kClientSize.height() + window.menuBar()->sizeHint().height());
    if (const QScreen *screen = window.screen())
        window.move(screen->availableGeometry().center() - window.rect().center());
}

void MainWindowControls::rememberPlace(const QMainWindow &window)
{
    QSettings().setValue(kGeometryKey, window.saveGeometry());
}
