#include "catalogueservice.h"
#include "fakes.h"
#include "listrunrig.h"
#include "net/textfetcher.h"
#include "net/urltexts.h"
#include "requesttrigger.h"
#include "songlist/searchstate.h"
#include "songlist/songlistloader.h"
#include "timescale.h"

#include <QNetworkAccessManager>
#include <QTcpServer>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

const QString kFirstPage = u"/data/?1=1&classid=1&act=getmusiclist&rnd=0.12830016091693802"_s;

QString furtherPage(int n)
{
    return u"/data/?1=1&classid=1&page=%1&act=getmusiclist&rnd=0.12313641141171777"_s.arg(n);
}

// A list run as its callers start it
struct Run : ListRunRig {
    explicit Run(const QString &base) : ListRunRig(base)
    {
        list.headers = {u"歌曲名称："_s, u"歌曲编号："_s, u"歌曲ID："_s};
        // What the callers do before a run
        caption.setCaption(u"停止"_s);
        state.Searching = true;
        state.CurrentPage = 1;
        state.FetchPhase = 1;
    }

    void load(const QString &url = {})
    {
        loader.LoadSongList(url.isEmpty() ? urls.text(105) : url);
    }
};

void verifyOrderlyEnd(const Run &run, int rows)
{
    QCOMPARE(run.status.panels[0], u"搜索结束"_s);
    QCOMPARE(run.status.panels[1], u"共找到：%1条资源"_s.arg(rows));
    QCOMPARE(run.caption.text, u"搜索"_s);
    QVERIFY(!run.state.Searching);
    QCOMPARE(run.state.CurrentPage, 1);
    QCOMPARE(run.list.count(), rows);
}

} // namespace

class SongListLoaderTest : public QObject {
    Q_OBJECT

private slots:
    void threePageRun();
    void totals_data();
    void totals();
    void stopDuringSecondPage();
    void stopDuringLastPage();
    void noListEnds_data();
    void noListEnds();
    void failureAfterFirstPageSaysSo();
    void firstPageFailureGivesButtonBack();
    void supersededRunDropsItsPage();
};

void SongListLoaderTest::threePageRun()
{
    CatalogueService service({u"--songs"_s, u"50"_s, u"--per-page"_s, u"20"_s});
    QVERIFY(service.isRunning());
    Run run(service.base());
    run.load();

    QCOMPARE(service.requestTargets(), (QStringList {kFirstPage, furtherPage(2), furtherPage(3)}));
    QCOMPARE(run.status.panel1History,
             (QStringList {u"共3页,正在查找第2页资源信息。"_s, u"共3页,正在查找第3页资源信息。"_s,
                           u"搜索结束"_s}));
    verifyOrderlyEnd(run, 50);
    QCOMPARE(run.state.FetchPhase, 1);
    // Finished: the last row selected and shown, every column sized, once each
    QCOMPARE(run.list.selected, 50);
    QCOMPARE(run.list.visible, 50);
    QCOMPARE(run.list.autoSized, (QList<int> {1, 2, 3}));
    QCOMPARE(run.dispatch.calls, 3);
}

void SongListLoaderTest::totals_data()
{
    QTest::addColumn<QString>("total");
    QTest::addColumn<int>("requests");
    QTest::addColumn<QString>("secondPageProgress");

    QTest::newRow("zero") << u"0"_s << 1 << QString();
    QTest::newRow("one") << u"1"_s << 1 << QString();
    QTest::newRow("blank before three") << u" 3"_s << 3 << u"共 3页,正在查找第2页资源信息。"_s;
    QTest::newRow("fraction") << u"2.5"_s << 3 << u"共2.5页,正在查找第2页资源信息。"_s;
}

void SongListLoaderTest::totals()
{
    QFETCH(QString, total);
    QFETCH(int, requests);
    QFETCH(QString, secondPageProgress);

    CatalogueService service(
        {u"--songs"_s, u"100"_s, u"--per-page"_s, u"10"_s, u"--total-text"_s, total});
    QVERIFY(service.isRunning());
    Run run(service.base());
    run.load();

    QCOMPARE(service.requestTargets().size(), requests);
    verifyOrderlyEnd(run, requests * 10);
    if (!secondPageProgress.isEmpty())
        QCOMPARE(run.status.panel1History.first(), secondPageProgress);
}

void SongListLoaderTest::stopDuringSecondPage()
{
    CatalogueService service({u"--songs"_s, u"60"_s, u"--per-page"_s, u"20"_s, u"--delay-page"_s,
                              u"2:%1"_s.arg(scaled(1500))});
    QVERIFY(service.isRunning());
    Run run(service.base());
    // The stop click arrives while page 2 is on its way
    const RequestTrigger stop(service, furtherPage(2), [&] {
        run.state.Searching = false;
        run.caption.setCaption(u"搜索"_s);
    });
    run.load();

    QCOMPARE(service.requestTargets(), (QStringList {kFirstPage, furtherPage(2)}));
    QCOMPARE(run.status.panel1History,
             (QStringList {u"共3页,正在查找第2页资源信息。"_s, u"共3页,正在查找第3页资源信息。"_s,
                           u"搜索结束"_s}));
    verifyOrderlyEnd(run, 40);
    QCOMPARE(run.list.selected, 40);
}

void SongListLoaderTest::stopDuringLastPage()
{
    CatalogueService service({u"--songs"_s, u"40"_s, u"--per-page"_s, u"20"_s, u"--delay-page"_s,
                              u"2:%1"_s.arg(scaled(1500))});
    QVERIFY(service.isRunning());
    Run run(service.base());
    const RequestTrigger stop(service, furtherPage(2), [&] { run.state.Searching = false; });
    run.load();

    QCOMPARE(service.requestTargets().size(), 2);
    verifyOrderlyEnd(run, 40);
    // The last page's end came first
    QCOMPARE(run.state.FetchPhase, 1);
}

void SongListLoaderTest::noListEnds_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("rows");

    QTest::newRow("error page") << QStringList {u"--status-page"_s, u"2:500"_s} << 20;
    QTest::newRow("empty first page") << QStringList {u"--empty-page"_s, u"1"_s} << 0;
}

void SongListLoaderTest::noListEnds()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, rows);
    CatalogueService service(QStringList {u"--songs"_s, u"60"_s, u"--per-page"_s, u"20"_s}
                             + arguments);
    QVERIFY(service.isRunning());
    Run run(service.base());
    run.load();

    verifyOrderlyEnd(run, rows);
    // The no-list end leaves the phase as the header left it
    QCOMPARE(run.state.FetchPhase, 5);
}

void SongListLoaderTest::failureAfterFirstPageSaysSo()
{
    for (const QStringList &fault :
         {QStringList {u"--cut-page"_s, u"2"_s}, QStringList {u"--total-text"_s, u"abc"_s}}) {
        CatalogueService service(QStringList {u"--songs"_s, u"60"_s, u"--per-page"_s, u"20"_s}
                                 + fault);
        QVERIFY(service.isRunning());
        Run run(service.base());
        run.load();

        // The rows so far stay and are finished; the run says why it ended and gives the
        // button back
        QCOMPARE(run.list.count(), 20);
        QCOMPARE(run.list.selected, 20);
        QCOMPARE(run.caption.text, u"搜索"_s);
        QVERIFY(!run.state.Searching);
        QCOMPARE(run.state.CurrentPage, 1);
        QCOMPARE(run.state.FetchPhase, 1);
        QVERIFY2(run.status.panels[0].startsWith(u"搜索失败："_s),
                 qPrintable(run.status.panels[0]));
        QCOMPARE(run.status.panels[1], u"共找到：20条资源"_s);
        QCOMPARE(run.loader.lastFailure(), run.status.panels[0].mid(5));
    }
}

void SongListLoaderTest::firstPageFailureGivesButtonBack()
{
    QTcpServer closed;
    QVERIFY(closed.listen(QHostAddress::LocalHost));
    const quint16 port = closed.serverPort();
    closed.close();

    Run run(u"http://127.0.0.1:%1"_s.arg(port));
    run.load();

    QVERIFY(!run.state.Searching);
    QCOMPARE(run.caption.text, u"搜索"_s);
    QCOMPARE(run.state.CurrentPage, 1);
    QCOMPARE(run.state.FetchPhase, 1);
    QVERIFY2(run.status.panels[0].startsWith(u"搜索失败："_s), qPrintable(run.status.panels[0]));
}

void SongListLoaderTest::supersededRunDropsItsPage()
{
    CatalogueService service({u"--songs"_s, u"30"_s, u"--per-page"_s, u"10"_s, u"--delay-page"_s,
                              u"1:%1"_s.arg(scaled(800))});
    QVERIFY(service.isRunning());
    Run run(service.base());

    // While the first run waits for its first page, the user stops it and searches anew; the
    // new run runs to its end inside the old run's wait.
    const QString searchUrl
        = run.urls.text(101) + u"%E6%99%9A&act=getmusiclist&rnd=0.6578650244507076"_s;
    bool innerDone = false;
    const RequestTrigger newSearch(service, u"classid=1&act=getmusiclist"_s, [&] {
        run.state.Searching = false;
        run.caption.setCaption(u"停止"_s);
        run.state.Searching = true;
        run.state.CurrentPage = 1;
        run.state.FetchPhase = 1;
        run.list.clear();
        run.loader.LoadSongList(searchUrl, u"%E6%99%9A"_s);
        innerDone = true;
    });
    run.load();

    QVERIFY(innerDone);
    const QList<ReportRow> innerRows = run.list.rows;
    const QString innerPanel1 = run.status.panels[0];
    const QString innerPanel2 = run.status.panels[1];
    // Only the newer run's rows and texts; the stale first page was dropped
    QVERIFY(service.requestTargets().size() >= 2);
    QCOMPARE(innerPanel1, u"搜索结束"_s);
    QCOMPARE(innerPanel2, u"共找到：%1条资源"_s.arg(innerRows.size()));
    QCOMPARE(run.caption.text, u"搜索"_s);
    QVERIFY(!run.state.Searching);
    for (const ReportRow &row : innerRows)
        QVERIFY2(row.text.contains(u"晚"_s), qPrintable(row.text));
}

QTEST_GUILESS_MAIN(SongListLoaderTest)
#include "test_songlistloader.moc"
