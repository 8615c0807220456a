#include "app/mainwindow.h"
#include "catalogueservice.h"
#include "fakes.h"
#include "playback/playorder.h"
#include "player/audioplayer.h"
#include "songlist/songlistmodel.h"
#include "testwindow.h"
#include "timescale.h"
#include "widgets/reportlistview.h"
#include "widgets/statusbarwidget.h"

#include <QAccessible>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QSettings>
#include <QTableWidget>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

// How long to watch for a broken song being requested again
constexpr int kWatchForRepeatsMs = 5000;

// The test window, after start-up unless `load` is false
struct Window : TestWindow {
    explicit Window(const QString &base, bool load = true) : TestWindow(base)
    {
        if (load)
            TestWindow::load();
    }

    QAction *action(const QString &name) const { return child<QAction>(name); }
};

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void layout();
    void defaultGeometry_data();
    void defaultGeometry();
    void listTakesTheRoom();
    void comesBackAtItsSize();
    void startUp();
    void startUpWithoutService();
    void columnsFitTheirContent();
    void popupMenu();
    void keywordStartsSearch_data();
    void keywordStartsSearch();
    void statusTooltip();
    void panelsShowWholeLines();
    void panelTwoFollowsThePlayer();
    void glassToggles();
    void siteButtonAndClosing();
    void playbackGoesOnFromTheList();
    void brokenMediaDoesNotLoop();
    void playingRowAndKeys();
    void shortcutsAreListed();

private:
    QTemporaryDir m_settingsDir;
};

void MainWindowTest::initTestCase()
{
    // The window remembers its place in a folder of this test's own, so that a window of
    // another test running beside it never opens at a size left here
    QVERIFY(m_settingsDir.isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settingsDir.path());
}

void MainWindowTest::layout()
{
    Window window(u"http://127.0.0.1:1"_s, false);
    MainWindow &mainWindow = window.window();

    QCOMPARE(mainWindow.centralWidget()->size(), QSize(450, 500));
    QVERIFY(mainWindow.windowTitle().startsWith(u"Quillpod V1.0 "_s));
    // An icon made from a missing file is not null, but has no sizes
    QVERIFY(!mainWindow.windowIcon().availableSizes().isEmpty());

    for (const QString &name : {u"keywordBox"_s, u"linkBox"_s, u"titleBox"_s, u"songIdBox"_s,
                                u"serialBox"_s, u"rawLinkBox"_s}) {
        const QLineEdit *box = window.child<QLineEdit>(name);
        QVERIFY2(box, qPrintable(name));
        QCOMPARE(box->isReadOnly(), name != u"keywordBox"_s);
        // Every box is announced by the label beside it
        const auto labels = mainWindow.findChildren<QLabel *>();
        QVERIFY2(std::any_of(labels.begin(), labels.end(),
                             [box](const QLabel *label) { return label->buddy() == box; }),
                 qPrintable(name));
    }
    for (const QString &name : {u"searchButton"_s, u"siteButton"_s, u"downloadButton"_s})
        QVERIFY(window.child<QPushButton>(name));
    for (const QString &name : {u"titleLabel"_s, u"linkLabel"_s, u"keywordLabel"_s,
                                u"songIdLabel"_s, u"serialLabel"_s, u"rawLinkLabel"_s})
        QVERIFY(window.child<QLabel>(name));
    QVERIFY(window.child<QGroupBox>(u"songListFrame"_s));
    QCOMPARE(window.list()->parentWidget(), window.child<QGroupBox>(u"songListFrame"_s));
    QVERIFY(window.status());
    QVERIFY(window.player());
    QVERIFY(mainWindow.findChild<QObject *>(u"statusTimer"_s));

    // The menu bar shows "菜单" and "帮助"; the popup is not part of it
    const QList<QAction *> menus = mainWindow.menuBar()->actions();
    QCOMPARE(menus.size(), 2);
    QCOMPARE(menus.first()->text(), u"菜单"_s);
    QCOMPARE(menus.last()->text(), u"帮助"_s);
    QCOMPARE(window.action(u"downloadsListAction"_s)->text(), u"下载列表"_s);
    QCOMPARE(window.action(u"downloadsListAction"_s)->shortcut(), QKeySequence(u"Ctrl+J"_s));
    QVERIFY(window.action(u"glassAction"_s)->isChecked());
    const QMenu *popup = window.child<QMenu>(u"songMenu"_s);
    QVERIFY(popup);
    QCOMPARE(popup->actions().size(), 4);
    QCOMPARE(popup->actions().at(0)->text(), u"播放"_s);
    QVERIFY(popup->actions().at(1)->isSeparator());
    QCOMPARE(popup->actions().at(2)->text(), u"下载"_s);
    QCOMPARE(popup->actions().at(3)->text(), u"收藏"_s);
    QCOMPARE(popup->actions().at(3)->shortcut(), QKeySequence(u"Ctrl+D"_s));

    // Read through accessibility, as a screen reader would
    QAccessibleInterface *button
        = QAccessible::queryAccessibleInterface(window.child<QPushButton>(u"searchButton"_s));
    QCOMPARE(button->text(QAccessible::Name), u"搜索"_s);
    QAccessibleInterface *box
        = QAccessible::queryAccessibleInterface(window.child<QLineEdit>(u"keywordBox"_s));
    QCOMPARE(box->text(QAccessible::Name), u"查找歌曲："_s);
}

void MainWindowTest::defaultGeometry_data()
{
    QTest::addColumn<QRect>("geometry");
    // In the client area, as the window has always placed them. A label is as large as its text
    // and may run beneath its box, so only its place is pinned.
    const QList<std::pair<QString, QRect>> controls {
        {u"playerStrip"_s, {0, 0, 449, 44}},  {u"keywordLabel"_s, {8, 48, 0, 0}},
        {u"keywordBox"_s, {88, 48, 209, 18}}, {u"searchButton"_s, {304, 43, 65, 25}},
        {u"siteButton"_s, {375, 43, 73, 25}}, {u"songListFrame"_s, {0, 72, 449, 337}},
        {u"songList"_s, {8, 88, 433, 313}},   {u"titleLabel"_s, {0, 416, 0, 0}},
        {u"titleBox"_s, {40, 417, 89, 18}},   {u"songIdLabel"_s, {136, 417, 0, 0}},
        {u"songIdBox"_s, {192, 417, 81, 18}}, {u"serialLabel"_s, {280, 417, 0, 0}},
        {u"serialBox"_s, {352, 417, 97, 18}}, {u"linkLabel"_s, {0, 440, 0, 0}},
        {u"linkBox"_s, {104, 440, 289, 18}},  {u"downloadButton"_s, {400, 440, 49, 41}},
        {u"rawLinkLabel"_s, {0, 464, 0, 0}},  {u"rawLinkBox"_s, {104, 464, 289, 18}},
        {u"statusBar"_s, {0, 483, 450, 17}},  {u"ClientArea"_s, {0, 0, 450, 500}},
    };
    for (const auto &[name, geometry] : controls)
        QTest::newRow(qPrintable(name)) << geometry;
}

void MainWindowTest::defaultGeometry()
{
    QFETCH(QRect, geometry);
    Window window(u"http://127.0.0.1:1"_s, false);
    QVERIFY(window.show());
    const QWidget *client = window.window().centralWidget();
    const auto *control = window.child<QWidget>(QString::fromLatin1(QTest::currentDataTag()));
    QVERIFY(control);
    const QRect expected
        = geometry.isEmpty() ? QRect(geometry.topLeft(), control->sizeHint()) : geometry;
    QCOMPARE(QRect(control->mapTo(client, QPoint()), control->size()), expected);
}

void MainWindowTest::listTakesTheRoom()
{
    CatalogueService service({u"--songs"_s, u"3"_s});
    QVERIFY(service.isRunning());
    Window window(service.base());
    QVERIFY(window.show());
    ReportListView *list = window.list();
    const QList<const QWidget *> controls {
        list, window.box(u"keywordBox"_s), window.box(u"linkBox"_s),
        window.button(u"searchButton"_s), window.button(u"downloadButton"_s)};
    QList<QSize> before;
    for (const QWidget *control : controls)
        before.append(control->size());

    const QSize growth(300, 200);
    window.window().resize(window.window().size() + growth);
    QTRY_COMPARE_WITH_TIMEOUT(list->size(), before[0] + growth, scaled(5000));
    // The boxes take the width, the buttons keep their size
    QCOMPARE(controls[1]->size(), before[1] + QSize(growth.width(), 0));
    QCOMPARE(controls[2]->size(), before[2] + QSize(growth.width(), 0));
    QCOMPARE(controls[3]->size(), before[3]);
    QCOMPARE(controls[4]->size(), before[4]);
    // Short columns: the last one reaches the list's edge
    QCOMPARE(list->horizontalHeader()->length(), list->viewport()->width());
}

void MainWindowTest::comesBackAtItsSize()
{
    QSize left;
    {
        Window first(u"http://127.0.0.1:1"_s, false);
        QVERIFY(first.show());
        const QSize larger = first.window().size() + QSize(120, 80);
        first.window().resize(larger);
        QTRY_COMPARE_WITH_TIMEOUT(first.window().size(), larger, scaled(5000));
        first.window().close();
        left = first.window().size();
    }
    // Later windows of this program open at the default size again
    const auto forget = qScopeGuard([] { QSettings().clear(); });
    Window second(u"http://127.0.0.1:1"_s, false);
    QCOMPARE(second.window().size(), left);
}

void MainWindowTest::startUp()
{
    CatalogueService service({u"--media-seconds"_s, u"0.5"_s});
    QVERIFY(service.isRunning());
    Window window(service.base());

    ReportListView *list = window.list();

    SongListModel &songs = window.songs();
    QCOMPARE(songs.columnCount(), 3);
    QCOMPARE(list->listModel().headerData(0, Qt::Horizontal).toString(), u"歌曲名称："_s);
    QCOMPARE(list->listModel().headerData(1, Qt::Horizontal).toString(), u"歌曲编号："_s);
    QCOMPARE(list->listModel().headerData(2, Qt::Horizontal).toString(), u"歌曲ID："_s);
    QVERIFY(songs.size() >= 200);
    QCOMPARE(window.status()->panelText(1), u"搜索结束"_s);
    QCOMPARE(window.child<QPushButton>(u"searchButton"_s)->text(), u"搜索"_s);
    QVERIFY(!window.listRunning());
    QCOMPARE(window.app().playIndex(), 1);

    // Skin attached from the program's folder, glass off and unchecked
    QCOMPARE(window.skinning.calls,
             (QStringList {u"attach:/nonexistent/quillpod.she"_s, u"glass:off"_s}));
    QVERIFY(!window.action(u"glassAction"_s)->isChecked());

    // The background track plays at full volume
    QVERIFY(window.player()->url().startsWith(service.base() + u"/music/"_s));
    QCOMPARE(window.player()->volume(), 100);
    const QStringList targets = service.requestTargets();
    QVERIFY(targets.contains(u"/data/?act=getbglist"_s));
}

void MainWindowTest::startUpWithoutService()
{
    QTcpServer closed;
    QVERIFY(closed.listen(QHostAddress::LocalHost));
    const QString base = u"http://127.0.0.1:%1"_s.arg(closed.serverPort());
    closed.close();
    Window window(base);

    // The window comes up usable, says why the list is empty, and that it will load it once the
    // service answers
    const QString panel1 = window.status()->panelText(1);
    QVERIFY2(panel1.startsWith(u"搜索失败："_s) && panel1.endsWith(u"；网络恢复后自动重新加载"_s),
             qPrintable(panel1));
    QCOMPARE(window.child<QPushButton>(u"searchButton"_s)->text(), u"搜索"_s);
    QCOMPARE(window.songs().size(), 0);
    QCOMPARE(window.skinning.calls.size(), 2);
    QCOMPARE(window.player()->volume(), 100);
}

void MainWindowTest::columnsFitTheirContent()
{
    CatalogueService service({u"--songs"_s, u"45"_s, u"--media-seconds"_s, u"0.5"_s});
    QVERIFY(service.isRunning());
    Window window(service.base());
    ReportListView *list = window.list();
    SongListModel &songs = window.songs();

    QCOMPARE(window.list()->selectedRow(), 44);
    const QFontMetrics metrics = list->fontMetrics();
    for (int column = 0; column < 3; ++column) {
        int widest = 0;
        for (int row = 1; row <= songs.size(); ++row)
            widest
                = std::max(widest, metrics.horizontalAdvance(songs.row(row - 1).subItem(column)));
        QVERIFY(widest > 0);
        // As wide as the widest cell, trailing blanks included, not as the header
        QVERIFY2(list->columnWidth(column) >= widest, qPrintable(QString::number(column)));
        QVERIFY(list->columnWidth(column) <= widest + 12);
    }
}

void MainWindowTest::popupMenu()
{
    CatalogueService service({u"--songs"_s, u"5"_s, u"--media-seconds"_s, u"0.5"_s});
    QVERIFY(service.isRunning());
    Window window(service.base());
    QVERIFY(window.show());
    ReportListView *list = window.list();
    SongListModel &songs = window.songs();
    QMenu *popup = window.child<QMenu>(u"songMenu"_s);

    list->clearSelection();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(5, 200));
    QVERIFY(!popup->isVisible());
    // Over the blank area of a list with rows, with nothing selected: the menu opens
    QTest::mouseClick(list->viewport(), Qt::RightButton, {}, QPoint(5, 200));
    QTRY_VERIFY_WITH_TIMEOUT(popup->isVisible(), scaled(5000));
    popup->hide();

    songs.clear();
    QTest::mouseClick(list->viewport(), Qt::RightButton, {}, QPoint(5, 5));
    QTest::qWait(scaled(50));
    QVERIFY(!popup->isVisible());
}

void MainWindowTest::keywordStartsSearch_data()
{
    QTest::addColumn<bool>("enter");
    QTest::addColumn<QString>("keyword");
    QTest::newRow("button, blank") << false << u"   "_s;
    QTest::newRow("Enter, blank") << true << u"   "_s;
    QTest::newRow("button, keyword") << false << u"晚风"_s;
    QTest::newRow("Enter, keyword") << true << u"晚风"_s;
}

// The search button and Enter in the keyword box search for the keyword; a blank keyword asks
// for one instead, and the box is emptied for it once the message is closed
void MainWindowTest::keywordStartsSearch()
{
    QFETCH(bool, enter);
    QFETCH(QString, keyword);
    CatalogueService service({u"--media-seconds"_s, u"0.5"_s});
    QVERIFY(service.isRunning());
    Window window(service.base());
    QVERIFY(window.show());
    const qsizetype requestsBefore = service.requestTargets().size();
    QLineEdit *const box = window.box(u"keywordBox"_s);
    box->setText(keyword);

    if (enter)
        QTest::keyClick(box, Qt::Key_Return);
    else
        QTest::mouseClick(window.button(u"searchButton"_s), Qt::LeftButton);

    if (!keyword.trimmed().isEmpty()) {
        QVERIFY(window.messageBox.shown.isEmpty());
        QVERIFY(window.waitForListRun());
        // The background track may still be on its way: any of the requests since
        const QStringList since = service.requestTargets().sliced(requestsBefore);
        QVERIFY(std::any_of(since.begin(), since.end(), [](const QString &target) {
            return target.contains(u"searchkey="_s);
        }));
        return;
    }
    QCOMPARE(window.messageBox.shown.size(), 1);
    QCOMPARE(window.messageBox.shown[0].text, u"请输入歌曲名称或者关键字！"_s);
    QCOMPARE(window.messageBox.shown[0].title, u"输入信息不完整"_s);
    QCOMPARE(window.messageBox.shown[0].icon, MessageBox::Icon::Warning);
    QCOMPARE(window.messageBox.shown[0].buttons, MessageBox::Buttons::Ok);
    QCOMPARE(box->text(), QString());
    QTRY_VERIFY(box->hasFocus());
    QCOMPARE(service.requestTargets().size(), requestsBefore);
}

void MainWindowTest::statusTooltip()
{
    Window window(u"http://127.0.0.1:1"_s, false);
    QVERIFY(window.show());
    // The timer would write the player's status into panel 2
    window.child<QTimer>(u"statusTimer"_s)->stop();
    StatusBarWidget *status = window.status();
    status->setPanelText(1, QString());
    status->setPanelText(2, QString());
    QTest::mouseMove(status, QPoint(10, 5));
    QCOMPARE(status->toolTipText(), u"  | "_s);

    status->setPanelText(1, u"<b>一</b>"_s);
    status->setPanelText(2, u"二"_s);
    QTest::mouseMove(status, QPoint(20, 5));
    QCOMPARE(status->toolTipText(), u"<b>一</b>  | 二"_s);
}

// The status bar's panels are tall enough for a line: an underscore of a file name, the lowest
// mark, is drawn and not cut off
void MainWindowTest::panelsShowWholeLines()
{
    Window window(u"http://127.0.0.1:1"_s, false);
    QVERIFY(window.show());
    window.child<QTimer>(u"statusTimer"_s)->stop();
    StatusBarWidget *status = window.status();
    for (const int panel : {1, 2}) {
        QLabel *const label = status->panel(panel);
        status->setPanelText(panel, u"____"_s);
        QTRY_COMPARE(label->text(), u"____"_s);
        const QImage image = label->grab().toImage();
        const QRgb background = image.pixel(image.width() - 1, 0);
        int marks = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x)
                marks += image.pixel(x, y) != background;
        }
        QVERIFY2(marks > 0, qPrintable(u"panel %1"_s.arg(panel)));
    }
}

void MainWindowTest::panelTwoFollowsThePlayer()
{
    CatalogueService service({u"--songs"_s, u"60"_s, u"--per-page"_s, u"20"_s, u"--delay-page"_s,
                              u"2:600"_s, u"--media-seconds"_s, u"0.5"_s});
    QVERIFY(service.isRunning());
    Window window(service.base(), false);
    StatusBarWidget *status = window.status();

    // While the run waits for its pages, the timer ticks but leaves panel 2 to the loader
    bool sawPlayerStatus = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (window.listRunning() && status->panelText(2) == window.player()->statusText())
            sawPlayerStatus = true;
    });
    watch.start(5);
    QVERIFY(window.load());
    watch.stop();
    QVERIFY(!sawPlayerStatus);
    QCOMPARE(window.status()->panelText(1), u"搜索结束"_s);

    // Within a tick of the end the player's status shows
    QTRY_COMPARE_WITH_TIMEOUT(status->panelText(2), window.player()->statusText(), scaled(200));

    // Idle, the timer rests; a change of the player's status wakes it at once
    QTimer *timer = window.child<QTimer>(u"statusTimer"_s);
    QTRY_VERIFY_WITH_TIMEOUT(!timer->isActive(), scaled(5000));
    window.player()->setUrl(u"ftp://127.0.0.1/x.wav"_s);
    QVERIFY(window.player()->statusText().startsWith(u"错误"_s));
    QTRY_COMPARE_WITH_TIMEOUT(status->panelText(2), window.player()->statusText(), scaled(50));
}

void MainWindowTest::glassToggles()
{
    Window window(u"http://127.0.0.1:1"_s, false);
    QAction *glass = window.action(u"glassAction"_s);
    glass->setChecked(false);
    glass->trigger();
    QVERIFY(glass->isChecked());
    glass->trigger();
    QVERIFY(!glass->isChecked());
    QCOMPARE(window.skinning.calls, (QStringList {u"glass:on"_s, u"glass:off"_s}));
}

void MainWindowTest::siteButtonAndClosing()
{
    Window window(u"http://127.0.0.1:1"_s, false);
    QTest::mouseClick(window.child<QPushButton>(u"siteButton"_s), Qt::LeftButton);
    QCOMPARE(window.shell.opened, QStringList {u"http://127.0.0.1:1"_s});

    window.window().close();
    QCOMPARE(window.shell.opened.last(), u"http://127.0.0.1:1/bye"_s);
    QCOMPARE(window.programEnds, 1);
}

namespace {

int addressRequests(const CatalogueService &service, const QString &id)
{
    const QString target = u"/data/?act=getonemusic&id="_s + id;
    int count = 0;
    for (const QString &line : service.requestTargets())
        count += line.startsWith(target) && line.mid(target.size()).startsWith(u"%20"_s);
    return count;
}

} // namespace

void MainWindowTest::playbackGoesOnFromTheList()
{
    CatalogueService service({u"--songs"_s, u"6"_s, u"--media-seconds"_s, u"0.4"_s});
    QVERIFY(service.isRunning());
    Window window(service.base());
    AudioPlayer *player = window.player();
    const QString firstId = window.songs().row(0).subItem(2).trimmed();
    const QString backgroundTrack = player->url();
    QVERIFY(!backgroundTrack.isEmpty());

    // The background track ends, and row 1 follows; when it ends, row 1 again
    QTRY_COMPARE_WITH_TIMEOUT(addressRequests(service, firstId), 1, scaled(20000));
    QTRY_VERIFY_WITH_TIMEOUT(player->url() != backgroundTrack, scaled(5000));
    const QString firstRow = player->url();
    QTRY_COMPARE_WITH_TIMEOUT(addressRequests(service, firstId), 2, scaled(20000));
    QCOMPARE(window.app().playIndex(), 1);
    QTRY_COMPARE_WITH_TIMEOUT(player->url(), firstRow, scaled(5000));
}

// Row 1's media is missing; the background track is song 2, the last row. Each time the list
// comes round to row 1 it fails, and after a pause row 2 plays: a dead song costs one request a
// round, never a burst.
void MainWindowTest::brokenMediaDoesNotLoop()
{
    const QByteArray catalogue = R"({"background": ["2"], "songs": [
        {"id": "1", "title": "坏", "serial": "S1", "path": "/music/missing_1.wav", "media": "missing"},
        {"id": "2", "title": "好", "serial": "S2", "path": "/music/good_2.wav"}]})";
    CatalogueService service({u"--media-seconds"_s, u"0.4"_s}, catalogue);
    QVERIFY(service.isRunning());
    Window window(service.base());

    // The pause is measured from the failure itself, not from when a poll first saw it
    QElapsedTimer clock;
    connect(
        window.player(), &AudioPlayer::mediaFailed, this, [&clock] { clock.start(); },
        Qt::SingleShotConnection);
    QTRY_COMPARE_WITH_TIMEOUT(addressRequests(service, u"1"_s), 1, scaled(20000));
    QTRY_VERIFY_WITH_TIMEOUT(window.player()->statusText().startsWith(u"错误"_s), scaled(10000));
    QVERIFY(clock.isValid());
    // The failed song is not taken for a stop that would load it again: row 2 follows the pause
    QTRY_COMPARE_WITH_TIMEOUT(addressRequests(service, u"2"_s), 1, scaled(20000));
    QVERIFY2(clock.elapsed() >= PlayOrder::kSkipDelay.count(),
             qPrintable(QString::number(clock.elapsed())));
    QTest::qWait(scaled(kWatchForRepeatsMs));
    const qint64 rounds = clock.elapsed() / PlayOrder::kSkipDelay.count() + 1;
    QVERIFY2(
        addressRequests(service, u"1"_s) <= rounds,
        qPrintable(
            u"%1 requests in %2 ms"_s.arg(addressRequests(service, u"1"_s)).arg(clock.elapsed())));
}

// The playing row carries the play mark, which follows the song that plays and goes with the
// rows; Ctrl+L shows that row as a click on it would, Ctrl+F goes to the search box
void MainWindowTest::playingRowAndKeys()
{
    QByteArray catalogue = R"({"background": ["1"], "songs": [)";
    for (int k = 1; k <= 5; ++k)
        catalogue
            += uR"(%1{"id": "%2", "title": "歌%2", "serial": "S%2"})"_s.arg(k == 1 ? u""_s : u","_s)
                   .arg(k)
                   .toUtf8();
    CatalogueService service({u"--media-seconds"_s, u"30"_s}, catalogue + "]}");
    QVERIFY(service.isRunning());
    Window window(service.base());
    QVERIFY(window.show());
    window.window().activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window.window()));
    ReportListView *const list = window.list();
    SongListModel &songs = window.songs();
    const auto marked = [&](int row) {
        return list->listModel().index(row - 1, 0).data(Qt::DecorationRole).isValid();
    };
    // The background track is no row
    QCOMPARE(songs.playMark(), -1);

    window.doubleClickRow(3);
    QCOMPARE(songs.playMark(), 2);
    QVERIFY(marked(3));
    QCOMPARE(songs.row(2).text, u"歌3"_s + QString(12, u' '));
    window.doubleClickRow(5);
    QVERIFY(marked(5));
    QVERIFY(!marked(3));

    window.clickRow(1);
    const int asked = addressRequests(service, u"5"_s);
    QTest::keyClick(&window.window(), Qt::Key_L, Qt::ControlModifier);
    QVERIFY(window.waitForSongChoice());
    QCOMPARE(window.list()->selectedRow(), 4);
    QCOMPARE(window.box(u"titleBox"_s)->text().trimmed(), u"歌5"_s);
    QVERIFY(!window.box(u"rawLinkBox"_s)->text().isEmpty());
    QCOMPARE(addressRequests(service, u"5"_s), asked + 2);

    QTest::keyClick(&window.window(), Qt::Key_F, Qt::ControlModifier);
    QLineEdit *const keyword = window.box(u"keywordBox"_s);
    QVERIFY(keyword->hasFocus());

    // A new list: the old rows and their mark are gone, and Ctrl+L has nothing to show
    keyword->setText(u"歌"_s);
    QTest::mouseClick(window.button(u"searchButton"_s), Qt::LeftButton);
    QVERIFY(window.waitForListRun());
    QCOMPARE(songs.size(), 5);
    QCOMPARE(songs.playMark(), -1);
    QVERIFY(!marked(5));
    QTest::keyClick(&window.window(), Qt::Key_L, Qt::ControlModifier);
    QCOMPARE(window.list()->selectedRow(), 4);
    QCOMPARE(addressRequests(service, u"5"_s), asked + 2);
}

// "键盘快捷键" lists every action of the window that has keys, with its keys
void MainWindowTest::shortcutsAreListed()
{
    Window window(u"http://127.0.0.1:1"_s, false);
    QVERIFY(window.show());
    window.action(u"shortcutsAction"_s)->trigger();
    const auto *table = window.child<QTableWidget>(u"shortcutsTable"_s);
    QTRY_VERIFY_WITH_TIMEOUT(table->isVisible(), scaled(5000));
    QStringList listed;
    for (int row = 0; row < table->rowCount(); ++row)
        listed.append(table->item(row, 0)->text() + u" = "_s + table->item(row, 1)->text());
    int withKeys = 0;
    for (const QAction *action : window.window().findChildren<QAction *>()) {
        if (action->shortcut().isEmpty())
            continue;
        ++withKeys;
        const QString entry = QString(action->text()).remove(u'&') + u" = "_s
            + action->shortcut().toString(QKeySequence::NativeText);
        QVERIFY2(listed.contains(entry), qPrintable(entry));
    }
    // Among them the quit, the settings and the keys that no menu shows
    QVERIFY(withKeys >= 6);
}

QTEST_MAIN(MainWindowTest)
#include "test_mainwindow.moc"
