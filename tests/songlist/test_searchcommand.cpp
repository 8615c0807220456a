#include "catalogueservice.h"
#include "listrunrig.h"
#include "requesttrigger.h"
#include "songlist/searchcommand.h"
#include "timescale.h"

#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString kSuffix = u"&act=getmusiclist&rnd=0.6578650244507076"_s;

struct Search : ListRunRig {
    explicit Search(const QString &base) : ListRunRig(base) { }

    bool ended()
    {
        return QTest::qWaitFor([this] { return loader.state() != SongListLoader::State::Fetching; },
                               scaled(30000));
    }

    void addRow(const SongRow &row)
    {
        list.appendRows({row});
        list.showStoredRows();
    }

    SearchCommand command {urls, loader, list};
    QSignalSpy blank {&command, &SearchCommand::blankKeyword};
    QSignalSpy finished {&loader, &SongListLoader::finished};
};

} // namespace

class SearchCommandTest : public QObject {
    Q_OBJECT

private slots:
    void blankKeywordWarns_data();
    void blankKeywordWarns();
    void keywordGoesOutEncoded_data();
    void keywordGoesOutEncoded();
    void furtherPagesCarryTheKeyword();
    void secondClickStopsTheRun();
    void blankClickDuringRunDoesNotStop();
    void keywordTooLongStartsNoRun();
};

void SearchCommandTest::blankKeywordWarns_data()
{
    QTest::addColumn<QString>("keyword");
    QTest::newRow("empty") << QString();
    QTest::newRow("blanks") << u"   "_s;
}

void SearchCommandTest::blankKeywordWarns()
{
    QFETCH(QString, keyword);
    CatalogueService service;
    QVERIFY(service.isRunning());
    Search search(service.base());
    search.addRow(SongRow {u"a"_s, u"b"_s, u"c"_s});

    search.command.search(keyword);

    QCOMPARE(search.blank.size(), 1);
    QCOMPARE(search.list.size(), 1);
    QCOMPARE(search.loader.state(), SongListLoader::State::Idle);
    QVERIFY(service.requestTargets().isEmpty());
}

void SearchCommandTest::keywordGoesOutEncoded_data()
{
    QTest::addColumn<QString>("keyword");
    QTest::addColumn<QString>("encoded");
    QTest::newRow("tab alone is a keyword") << u"\t"_s << u"%09"_s;
    QTest::newRow("blanks inside and around") << u"  晚 风 "_s << u"%E6%99%9A%20%E9%A3%8E"_s;
}

void SearchCommandTest::keywordGoesOutEncoded()
{
    QFETCH(QString, keyword);
    QFETCH(QString, encoded);
    CatalogueService service;
    QVERIFY(service.isRunning());
    Search search(service.base());
    search.command.search(keyword);
    QVERIFY(search.ended());

    QVERIFY(search.blank.isEmpty());
    QCOMPARE(service.requestTargets().value(0), u"/data/?1=1&searchkey="_s + encoded + kSuffix);
    QCOMPARE(search.finished.size(), 1);
}

void SearchCommandTest::furtherPagesCarryTheKeyword()
{
    CatalogueService service({u"--songs"_s, u"200"_s, u"--per-page"_s, u"5"_s});
    QVERIFY(service.isRunning());
    Search search(service.base());
    search.command.search(u"晚风"_s);
    QVERIFY(search.ended());

    const QStringList targets = service.requestTargets();
    QVERIFY2(targets.size() >= 2, "the demo catalogue holds more than one page of 晚风");
    QCOMPARE(targets[0], u"/data/?1=1&searchkey=%E6%99%9A%E9%A3%8E"_s + kSuffix);
    for (int page = 2; page <= targets.size(); ++page)
        QCOMPARE(targets[page - 1],
                 u"/data/?1=1&searchkey=%E6%99%9A%E9%A3%8E&page=%1"_s.arg(page) + kSuffix);
    // Every row found is a song with the keyword, none of another class
    for (int row = 0; row < search.list.size(); ++row)
        QVERIFY2(search.list.row(row).text.contains(u"晚风"_s),
                 qPrintable(search.list.row(row).text));
    QCOMPARE(search.finished.first().first().toInt(), search.list.size());
}

void SearchCommandTest::secondClickStopsTheRun()
{
    CatalogueService service({u"--songs"_s, u"300"_s, u"--per-page"_s, u"2"_s, u"--delay-page"_s,
                              u"2:%1"_s.arg(scaled(1500))});
    QVERIFY(service.isRunning());
    Search search(service.base());
    bool runningAfterStop = true;
    const RequestTrigger stop(service, u"page=2"_s, [&] {
        search.command.search(u"晚风"_s);
        runningAfterStop = search.loader.isRunning();
    });
    search.command.search(u"晚风"_s);
    QVERIFY(search.loader.isRunning());
    QVERIFY(search.ended());

    QVERIFY(stop.fired());
    QVERIFY(!runningAfterStop);
    // Page 2's rows still arrived, page 3 was never asked for
    QCOMPARE(service.requestTargets().size(), 2);
    QCOMPARE(search.list.size(), 4);
    QCOMPARE(search.loader.state(), SongListLoader::State::Stopped);
}

void SearchCommandTest::blankClickDuringRunDoesNotStop()
{
    CatalogueService service({u"--songs"_s, u"40"_s, u"--per-page"_s, u"20"_s, u"--delay-page"_s,
                              u"2:%1"_s.arg(scaled(1000))});
    QVERIFY(service.isRunning());
    Search search(service.base());
    const RequestTrigger blankClick(service, u"page=2"_s, [&] { search.command.search(u" "_s); });
    // The default list as the run, so that it has two pages whatever a keyword would find
    search.loader.loadSongList(search.urls.defaultList());
    QVERIFY(search.ended());

    QCOMPARE(search.blank.size(), 1);
    QCOMPARE(service.requestTargets().size(), 2);
    QCOMPARE(search.list.size(), 40);
}

void SearchCommandTest::keywordTooLongStartsNoRun()
{
    CatalogueService service;
    QVERIFY(service.isRunning());
    Search search(service.base());
    QSignalSpy failed(&search.command, &SearchCommand::searchFailed);
    search.command.search(QString(40000, u'x'));

    QCOMPARE(failed.size(), 1);
    QCOMPARE(search.loader.state(), SongListLoader::State::Idle);
    QVERIFY(service.requestTargets().isEmpty());
}

QTEST_GUILESS_MAIN(SearchCommandTest)
#include "test_searchcommand.moc"
