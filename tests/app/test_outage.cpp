// The service going away and coming back, as a laptop's user lives it: the song that plays
// waits for it and plays on, the default list comes back by itself, and F5 brings it back.

#include "catalogueservice.h"
#include "testwindow.h"
#include "timescale.h"

#include "net/serviceprober.h"
#include "playback/listplayer.h"
#include "playback/songhandlers.h"
#include "player/audioplayer.h"
#include "songlist/songlistloader.h"
#include "songlist/songlistmodel.h"
#include "widgets/reportlistview.h"
#include "widgets/statusbarwidget.h"

#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString kWaiting = u"网络连接中断，正在等待恢复…"_s;
const QString kBack = u"网络已恢复"_s;
const QString kDefaultFirstPage
    = u"/data/?1=1&classid=1&act=getmusiclist&rnd=0.12830016091693802"_s;
// The default catalogue: 205 songs on 11 pages
constexpr int kDefaultRows = 205;
constexpr int kWaitMs = 30000;

QString seconds(int milliseconds)
{
    return QString::number(milliseconds / 1000.0);
}

// Every text that panel 1 comes to show from now on, in order, into `texts`
void recordPanel1(const TestWindow &window, QStringList &texts)
{
    StatusBarWidget *const status = window.status();
    QObject::connect(status, &StatusBarWidget::panelTextChanged, status, [=, &texts](int panel) {
        if (panel == 1)
            texts.append(status->panelText(1));
    });
}

// The most attempts a wait makes while every request fails for `units` of its pauses, each of
// 2, 4, 8, 16 and then 30 units up to a tenth shorter: the first attempt, one after each pause
// that ends within them, and the one after that, which is answered
int mostAttempts(int units)
{
    constexpr int kPauses[] = {2, 4, 8, 16, 30};
    int attempts = 2;
    double elapsed = 0;
    for (std::size_t i = 0;; ++i) {
        elapsed += 0.9 * kPauses[std::min(i, std::size(kPauses) - 1)];
        if (elapsed > units)
            return attempts;
        ++attempts;
    }
}

} // namespace

class OutageTest : public QObject {
    Q_OBJECT

private slots:
    void songWaitsForTheService();
    void defaultListComesBack();
    void answeredProbesDoNotHurry_data();
    void answeredProbesDoNotHurry();
    void heldF5ReloadsOnce();
};

// A song cut off by the outage is not dead: no mark, no next row, one word of it, and the same
// song again from a little before where it broke off once the service answers
void OutageTest::songWaitsForTheService()
{
    // Media sent as fast as it plays, so that the song is still coming when the service goes; the
    // outage late enough that the song has played past the rewind, so that it seeks
    const int outageAt = scaled(4000) + 4000;
    constexpr int outageFor = 2000;
    CatalogueService service({u"--media-seconds"_s, u"30"_s, u"--media-rate"_s, u"44100"_s,
                              u"--outage"_s, seconds(outageAt) + u':' + seconds(outageFor)});
    QVERIFY(service.isRunning());
    QElapsedTimer sinceStart;
    sinceStart.start();
    QStringList panel1;
    TestWindow window(service.base());
    QVERIFY(window.load());
    QVERIFY(window.show());
    recordPanel1(window, panel1);
    // When each probe found the service still away, and the pause that then began
    QList<qint64> probedAt;
    QList<std::chrono::milliseconds> pauses;
    QObject::connect(&window.app().playbackProber(), &ServiceProber::probeFailed, &window.window(),
                     [&](std::chrono::milliseconds pause) {
                         probedAt.append(sinceStart.elapsed());
                         pauses.append(pause);
                     });
    window.doubleClickRow(2);
    AudioPlayer *const player = window.player();
    QTRY_VERIFY_WITH_TIMEOUT(player->statusText().startsWith(u"正在播放"_s), scaled(kWaitMs));
    QVERIFY2(sinceStart.elapsed() < outageAt, "too slow to start before the outage");
    const QString media = QUrl(player->url()).path(QUrl::FullyEncoded);
    const qsizetype before = service.requests().size();

    QTRY_COMPARE_WITH_TIMEOUT(window.panel(1), kBack, scaled(kWaitMs));
    QVERIFY(sinceStart.elapsed() >= outageAt + outageFor);
    QTRY_VERIFY_WITH_TIMEOUT(player->statusText().startsWith(u"正在播放"_s), scaled(kWaitMs));
    QCOMPARE(panel1.count(kWaiting), 1);
    // One probe per pause, and every pause longer than the one before
    QVERIFY(pauses.size() >= 2);
    for (qsizetype i = 1; i < pauses.size(); ++i) {
        QVERIFY(pauses.at(i) > pauses.at(i - 1));
        QVERIFY(probedAt.at(i) - probedAt.at(i - 1) >= pauses.at(i - 1).count() * 9 / 10);
    }
    QCOMPARE(window.songs().playMark(), 1);
    QCOMPARE(window.app().playIndex(), 2);
    QVERIFY(window.list()->listModel().index(1, 0).data(Qt::ToolTipRole).isNull());
    // Only the song's own media: one probe, then the song again, from where it broke off
    QTRY_VERIFY_WITH_TIMEOUT(!service.requests().constLast().range.isEmpty(), scaled(kWaitMs));
    const QList<CatalogueService::Request> after = service.requests().sliced(before);
    for (const CatalogueService::Request &request : after)
        QCOMPARE(request.target, media);
    QCOMPARE(after.first().method, u"HEAD"_s);
    QCOMPARE(after.constLast().method, u"GET"_s);
    QTRY_VERIFY_WITH_TIMEOUT(player->position() > 0, scaled(kWaitMs));

    // The song that plays again proves the service answers: the next wait starts afresh
    const std::chrono::milliseconds firstPause = pauses.first();
    pauses.clear();
    window.app().playbackProber().check(QUrl(u"http://127.0.0.1:1/"_s));
    QTRY_VERIFY_WITH_TIMEOUT(!pauses.isEmpty(), scaled(kWaitMs));
    QVERIFY(pauses.first() <= firstPause * 5 / 4);
}

// Started while the service is away, the window comes up with the failure end and its promise,
// and the default list and background track follow once the service answers; F5 brings the
// default list back after a search, once however often it is pressed during the run
void OutageTest::defaultListComesBack()
{
    CatalogueService service({u"--outage"_s, u"0:"_s + seconds(scaled(2000))});
    QVERIFY(service.isRunning());
    TestWindow window(service.base());
    QVERIFY(window.load());
    QVERIFY2(window.panel(1).startsWith(u"搜索失败："_s), qPrintable(window.panel(1)));
    QVERIFY2(window.panel(1).endsWith(u"；网络恢复后自动重新加载"_s), qPrintable(window.panel(1)));
    QCOMPARE(window.songs().size(), 0);
    QCOMPARE(window.caption(), u"搜索"_s);
    QVERIFY(window.show());

    QTRY_COMPARE_WITH_TIMEOUT(window.songs().size(), kDefaultRows, scaled(kWaitMs));
    QVERIFY(window.waitForListRun());
    QCOMPARE(window.panel(1), u"搜索结束"_s);
    QTRY_VERIFY_WITH_TIMEOUT(!window.player()->url().isEmpty(), scaled(kWaitMs));
    QCOMPARE(service.requestTargets().count(kDefaultFirstPage), 1);

    window.box(u"keywordBox"_s)->setText(u"晚风"_s);
    QTest::mouseClick(window.button(u"searchButton"_s), Qt::LeftButton);
    QVERIFY(window.waitForListRun());
    QVERIFY(window.songs().size() < kDefaultRows);
    QTest::keyClick(&window.window(), Qt::Key_F5);
    QTest::keyClick(&window.window(), Qt::Key_F5);
    QVERIFY(window.waitForListRun());
    QCOMPARE(window.songs().size(), kDefaultRows);
    QCOMPARE(window.panel(1), u"搜索结束"_s);
    QCOMPARE(service.requestTargets().count(kDefaultFirstPage), 2);
}

void OutageTest::answeredProbesDoNotHurry_data()
{
    QTest::addColumn<QString>("act");
    QTest::addColumn<QString>("counted");

    // The default list at start-up, and the next song's link
    QTest::newRow("list") << u"getmusiclist"_s << kDefaultFirstPage;
    QTest::newRow("link") << u"getonemusic"_s << u"act=getonemusic"_s;
}

// A service that answers the probe but cuts every request for data: the wait goes on with
// longer pauses, as if the probe had not been answered
void OutageTest::answeredProbesDoNotHurry()
{
    QFETCH(QString, act);
    QFETCH(QString, counted);

    constexpr int kUnits = 24;
    const int refusalMs = kUnits * scaled(TestWindow::kRetryUnit).count();
    // No background track, whose link would count among the songs'
    CatalogueService service({u"--refuse-data"_s, act + u':' + seconds(refusalMs)},
                             R"({"background": []})");
    QVERIFY(service.isRunning());
    TestWindow window(service.base());
    const bool link = act == u"getonemusic";
    QSignalSpy listFailures(&window.app().loader(), &SongListLoader::failed);
    QSignalSpy linkFailures(&window.app().songs(), &SongHandlers::rowFailed);
    QVERIFY(window.load());
    if (link) {
        QVERIFY(window.show());
        QSignalSpy loaded(&window.app().songs(), &SongHandlers::rowLoaded);
        window.app().listPlayer().playNext();
        QVERIFY(loaded.wait(scaled(kWaitMs)));
    }
    QTRY_COMPARE_WITH_TIMEOUT(window.songs().size(), kDefaultRows, scaled(kWaitMs));
    // Attempts, not requests: Qt sends a request whose connection is cut before any answer once
    // more by itself
    const qsizetype attempts = (link ? linkFailures : listFailures).size() + 1;
    QVERIFY2(attempts > 2 && attempts <= mostAttempts(kUnits),
             qPrintable(QString::number(attempts)));
    QVERIFY(service.requestTargets().filter(counted).size() >= attempts);
}

// Holding F5 down runs the list once, and tapping it fast about once a second
void OutageTest::heldF5ReloadsOnce()
{
    CatalogueService service;
    QVERIFY(service.isRunning());
    TestWindow window(service.base());
    QVERIFY(window.load());
    QVERIFY(window.show());
    QWidget *const mainWindow = &window.window();
    for (int i = 0; i < 20; ++i)
        QTest::simulateEvent(mainWindow, true, Qt::Key_F5, Qt::NoModifier, QString(), true);
    QVERIFY(!window.listRunning());

    constexpr int kTaps = 30;
    QElapsedTimer sinceFirst;
    sinceFirst.start();
    for (int i = 0; i < kTaps; ++i) {
        QTest::keyClick(mainWindow, Qt::Key_F5);
        QVERIFY(window.waitForListRun());
    }
    const qsizetype runs = service.requestTargets().count(kDefaultFirstPage) - 1;
    QVERIFY(runs >= 1);
    QVERIFY2(runs <= 1 + sinceFirst.elapsed() / 1000, qPrintable(QString::number(runs)));
}

QTEST_MAIN(OutageTest)
#include "test_outage.moc"
