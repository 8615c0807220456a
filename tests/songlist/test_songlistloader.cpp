#include "catalogueservice.h"
#include "listrunrig.h"
#include "requesttrigger.h"
#include "timescale.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString kFirstPage = u"/data/?1=1&classid=1&act=getmusiclist&rnd=0.12830016091693802"_s;

QString furtherPage(int n)
{
    return u"/data/?1=1&classid=1&page=%1&act=getmusiclist&rnd=0.12313641141171777"_s.arg(n);
}

// A list run as its callers start it, and what it reported
struct Run : ListRunRig {
    explicit Run(const QString &base) : ListRunRig(base)
    {
        // The list is finished before the run says it ended
        QObject::connect(&loader, &SongListLoader::finished,
                         [this] { listFinishedAtEnd = int(listFinished.size()); });
        QObject::connect(&loader, &SongListLoader::progress,
                         [this](const QString &total, int page, int rows) {
                             progress.append(u"%1|%2|%3"_s.arg(total).arg(page).arg(rows));
                         });
    }

    // Starts the run and waits for its end
    bool load(const QString &url = {})
    {
        loader.loadSongList(url.isEmpty() ? urls.defaultList() : url);
        return ended();
    }
    bool ended()
    {
        return QTest::qWaitFor([this] { return loader.state() != SongListLoader::State::Fetching; },
                               scaled(30000));
    }
    int foundAtTheEnd() const { return finished.isEmpty() ? -1 : finished.last().first().toInt(); }

    QStringList progress;
    QSignalSpy listFinished {&list, &SongListModel::finished};
    int listFinishedAtEnd = -1;
    QSignalSpy running {&loader, &SongListLoader::runningChanged};
    QSignalSpy finished {&loader, &SongListLoader::finished};
    QSignalSpy failed {&loader, &SongListLoader::failed};
};

// An orderly end: the button is given back once, the rows are counted and the last one finished
void verifyOrderlyEnd(const Run &run, int rows)
{
    QCOMPARE(run.finished.size(), 1);
    QCOMPARE(run.foundAtTheEnd(), rows);
    QVERIFY(run.failed.isEmpty());
    QCOMPARE(run.running.size(), 2);
    QVERIFY(!run.running.last().first().toBool());
    QVERIFY(!run.loader.isRunning());
    QCOMPARE(run.list.size(), rows);
    QCOMPARE(run.listFinishedAtEnd, 1);
}

} // namespace

class SongListLoaderTest : public QObject {
    Q_OBJECT

private slots:
    void threePageRun();
    void totals_data();
    void totals();
    void stops_data();
    void stops();
    void noListEnds_data();
    void noListEnds();
    void failureAfterFirstPageSaysSo();
    void firstPageFailureGivesButtonBack();
    void newRunAbortsTheOldOne();
};

void SongListLoaderTest::threePageRun()
{
    CatalogueService service({u"--songs"_s, u"50"_s, u"--per-page"_s, u"20"_s});
    QVERIFY(service.isRunning());
    Run run(service.base());
    QVERIFY(run.load());

    QCOMPARE(service.requestTargets(), (QStringList {kFirstPage, furtherPage(2), furtherPage(3)}));
    QCOMPARE(run.progress, (QStringList {u"3|2|20"_s, u"3|3|40"_s}));
    verifyOrderlyEnd(run, 50);
    QCOMPARE(run.loader.state(), SongListLoader::State::Idle);
}

void SongListLoaderTest::totals_data()
{
    QTest::addColumn<QString>("total");
    QTest::addColumn<int>("requests");
    QTest::addColumn<QString>("secondPage");

    QTest::newRow("zero") << u"0"_s << 1 << QString();
    QTest::newRow("one") << u"1"_s << 1 << QString();
    QTest::newRow("blank before three") << u" 3"_s << 3 << u" 3|2|10"_s;
    QTest::newRow("fraction") << u"2.5"_s << 3 << u"2.5|2|10"_s;
}

void SongListLoaderTest::totals()
{
    QFETCH(QString, total);
    QFETCH(int, requests);
    QFETCH(QString, secondPage);

    CatalogueService service(
        {u"--songs"_s, u"100"_s, u"--per-page"_s, u"10"_s, u"--total-text"_s, total});
    QVERIFY(service.isRunning());
    Run run(service.base());
    QVERIFY(run.load());

    QCOMPARE(service.requestTargets().size(), requests);
    verifyOrderlyEnd(run, requests * 10);
    QCOMPARE(run.progress.value(0), secondPage);
}

// A stop while a page is on its way: that page's rows still arrive, and it is the last page asked
// for. When it was the last page anyway, the run ends as after any last page.
void SongListLoaderTest::stops_data()
{
    QTest::addColumn<int>("songs");
    QTest::addColumn<QStringList>("progress");
    QTest::addColumn<SongListLoader::State>("end");

    QTest::newRow("during the second of three pages")
        << 60 << QStringList {u"3|2|20"_s, u"3|3|40"_s} << SongListLoader::State::Stopped;
    QTest::newRow("during the last page")
        << 40 << QStringList {u"2|2|20"_s} << SongListLoader::State::Idle;
}

void SongListLoaderTest::stops()
{
    QFETCH(int, songs);
    QFETCH(QStringList, progress);
    QFETCH(SongListLoader::State, end);
    CatalogueService service({u"--songs"_s, QString::number(songs), u"--per-page"_s, u"20"_s,
                              u"--delay-page"_s, u"2:%1"_s.arg(scaled(1500))});
    QVERIFY(service.isRunning());
    Run run(service.base());
    const RequestTrigger stop(service, furtherPage(2), [&] { run.loader.stop(); });
    QVERIFY(run.load());

    QVERIFY(stop.fired());
    QCOMPARE(service.requestTargets(), (QStringList {kFirstPage, furtherPage(2)}));
    QCOMPARE(run.progress, progress);
    verifyOrderlyEnd(run, 40);
    QCOMPARE(run.loader.state(), end);
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
    QVERIFY(run.load());

    if (rows == 0) {
        QCOMPARE(run.finished.size(), 1);
        QCOMPARE(run.foundAtTheEnd(), 0);
        QVERIFY(run.list.isEmpty());
        return;
    }
    verifyOrderlyEnd(run, rows);
}

void SongListLoaderTest::failureAfterFirstPageSaysSo()
{
    for (const QStringList &fault :
         {QStringList {u"--cut-page"_s, u"2"_s}, QStringList {u"--total-text"_s, u"abc"_s}}) {
        CatalogueService service(QStringList {u"--songs"_s, u"60"_s, u"--per-page"_s, u"20"_s}
                                 + fault);
        QVERIFY(service.isRunning());
        Run run(service.base());
        QVERIFY(run.load());

        // The rows so far stay and are finished; the run says why it ended and gives the
        // button back
        QCOMPARE(run.list.size(), 20);
        QCOMPARE(run.listFinished.size(), 1);
        QVERIFY(!run.loader.isRunning());
        QCOMPARE(run.loader.state(), SongListLoader::State::Failed);
        QCOMPARE(run.failed.size(), 1);
        QCOMPARE(run.failed.first().at(0).toString(), run.loader.lastFailure());
        QCOMPARE(run.failed.first().at(1).toInt(), 20);
        QCOMPARE(run.failed.first().at(2).value<FailureKind>(), FailureKind::Answered);
        QVERIFY(!run.loader.lastFailure().isEmpty());
        QVERIFY(run.finished.isEmpty());
    }
}

void SongListLoaderTest::firstPageFailureGivesButtonBack()
{
    QTcpServer closed;
    QVERIFY(closed.listen(QHostAddress::LocalHost));
    const quint16 port = closed.serverPort();
    closed.close();

    Run run(u"http://127.0.0.1:%1"_s.arg(port));
    QVERIFY(run.load());

    QVERIFY(!run.loader.isRunning());
    QCOMPARE(run.running.size(), 2);
    QVERIFY2(run.loader.lastFailure().startsWith(u"网络请求失败："_s),
             qPrintable(run.loader.lastFailure()));
    QCOMPARE(run.failed.first().at(2).value<FailureKind>(), FailureKind::Unreachable);
}

void SongListLoaderTest::newRunAbortsTheOldOne()
{
    CatalogueService service({u"--songs"_s, u"30"_s, u"--per-page"_s, u"10"_s, u"--delay-page"_s,
                              u"1:%1"_s.arg(scaled(800))});
    QVERIFY(service.isRunning());
    Run run(service.base());

    // While the first run waits for its first page, the user stops it and searches anew
    const QString searchUrl = run.urls.search(u"%E6%99%9A"_s);
    const RequestTrigger newSearch(service, u"classid=1&act=getmusiclist"_s, [&] {
        run.loader.stop();
        run.list.clear();
        run.loader.loadSongList(searchUrl, u"%E6%99%9A"_s);
    });
    run.loader.loadSongList(run.urls.defaultList());
    QTRY_VERIFY_WITH_TIMEOUT(newSearch.fired(), scaled(5000));
    QVERIFY(run.ended());

    // Only the newer run's rows; the old run's page was never taken in
    QCOMPARE(run.finished.size(), 1);
    QVERIFY(run.list.size() > 0);
    for (int row = 0; row < run.list.size(); ++row)
        QVERIFY2(run.list.row(row).text.contains(u"晚"_s), qPrintable(run.list.row(row).text));
    QCOMPARE(run.foundAtTheEnd(), run.list.size());
}

QTEST_GUILESS_MAIN(SongListLoaderTest)
#include "test_songlistloader.moc"
