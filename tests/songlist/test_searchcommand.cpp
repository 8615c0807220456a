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

    FakeTextBox keyword;
    FakeMessageBox messageBox;
    SearchCommand command {urls, loader, keyword, list, messageBox};
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
    void enterActsAsClick();
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
    search.list.rows = {ReportRow {u"a"_s, u"b"_s, u"c"_s}};
    search.keyword.value = keyword;

    search.command.searchRequested();

    QCOMPARE(search.messageBox.shown.size(), 1);
    QCOMPARE(search.messageBox.shown[0].text, u"请输入歌曲名称或者关键字！"_s);
    QCOMPARE(search.messageBox.shown[0].title, u"输入信息不完整"_s);
    QCOMPARE(search.messageBox.shown[0].icon, MessageBox::Icon::Warning);
    QCOMPARE(search.messageBox.shown[0].buttons, MessageBox::Buttons::Ok);
    // Once the box is closed
    QCOMPARE(search.keyword.value, QString());
    QVERIFY(search.keyword.focused);
    QCOMPARE(search.list.count(), 1);
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
    search.keyword.value = keyword;

    search.command.searchRequested();
    QVERIFY(search.ended());

    QVERIFY(search.messageBox.shown.isEmpty());
    QCOMPARE(service.requestTargets().value(0), u"/data/?1=1&searchkey="_s + encoded + kSuffix);
    QCOMPARE(search.finished.size(), 1);
}

void SearchCommandTest::furtherPagesCarryTheKeyword()
{
    CatalogueService service({u"--songs"_s, u"200"_s, u"--per-page"_s, u"5"_s});
    QVERIFY(service.isRunning());
    Search search(service.base());
    search.keyword.value = u"晚风"_s;
    search.command.searchRequested();
    QVERIFY(search.ended());

    const QStringList targets = service.requestTargets();
    QVERIFY2(targets.size() >= 2, "the demo catalogue holds more than one page of 晚风");
    QCOMPARE(targets[0], u"/data/?1=1&searchkey=%E6%99%9A%E9%A3%8E"_s + kSuffix);
    for (int page = 2; page <= targets.size(); ++page)
        QCOMPARE(targets[page - 1],
                 u"/data/?1=1&searchkey=%E6%99%9A%E9%A3%8E&page=%1"_s.arg(page) + kSuffix);
    // Every row found is a song with the keyword, none of another class
    for (const ReportRow &row : std::as_const(search.list.rows))
        QVERIFY2(row.text.contains(u"晚风"_s), qPrintable(row.text));
    QCOMPARE(search.finished.first().first().toInt(), search.list.count());
}

void SearchCommandTest::enterActsAsClick()
{
    CatalogueService service;
    QVERIFY(service.isRunning());
    Search search(service.base());
    search.keyword.value = u"星空"_s;
    search.command.keywordKeyPressed(Qt::Key_A);
    QCOMPARE(search.loader.state(), SongListLoader::State::Idle);
    search.command.keywordKeyPressed(Qt::Key_Return);
    QVERIFY(search.ended());
    QVERIFY(service.requestTargets().size() >= 1);
    QCOMPARE(search.finished.size(), 1);
}

void SearchCommandTest::secondClickStopsTheRun()
{
    CatalogueService service({u"--songs"_s, u"300"_s, u"--per-page"_s, u"2"_s, u"--delay-page"_s,
                              u"2:%1"_s.arg(scaled(1500))});
    QVERIFY(service.isRunning());
    Search search(service.base());
    search.keyword.value = u"晚风"_s;
    bool runningAfterStop = true;
    const RequestTrigger stop(service, u"page=2"_s, [&] {
        search.command.keywordKeyPressed(Qt::Key_Return);
        runningAfterStop = search.loader.isRunning();
    });
    search.command.searchRequested();
    QVERIFY(search.loader.isRunning());
    QVERIFY(search.ended());

    QVERIFY(stop.fired());
    QVERIFY(!runningAfterStop);
    // Page 2's rows still arrived, page 3 was never asked for
    QCOMPARE(service.requestTargets().size(), 2);
    QCOMPARE(search.list.count(), 4);
    QCOMPARE(search.loader.state(), SongListLoader::State::Stopped);
}

void SearchCommandTest::blankClickDuringRunDoesNotStop()
{
    CatalogueService service({u"--songs"_s, u"40"_s, u"--per-page"_s, u"20"_s, u"--delay-page"_s,
                              u"2:%1"_s.arg(scaled(1000))});
    QVERIFY(service.isRunning());
    Search search(service.base());
    const RequestTrigger blankClick(service, u"page=2"_s, [&] {
        search.keyword.value = u" "_s;
        search.command.searchRequested();
    });
    // The default list as the run, so that it has two pages whatever a keyword would find
    search.loader.loadSongList(search.urls.defaultList());
    QVERIFY(search.ended());

    QCOMPARE(search.messageBox.shown.size(), 1);
    QCOMPARE(service.requestTargets().size(), 2);
    QCOMPARE(search.list.count(), 40);
}

void SearchCommandTest::keywordTooLongStartsNoRun()
{
    CatalogueService service;
    QVERIFY(service.isRunning());
    Search search(service.base());
    QSignalSpy failed(&search.command, &SearchCommand::searchFailed);
    search.keyword.value = QString(40000, u'x');
    search.command.searchRequested();

    QCOMPARE(failed.size(), 1);
    QCOMPARE(search.loader.state(), SongListLoader::State::Idle);
    QVERIFY(service.requestTargets().isEmpty());
}

QTEST_GUILESS_MAIN(SearchCommandTest)
#include "test_searchcommand.moc"
