#include "net/serviceurls.h"

#include <QTest>

#include <limits>

using namespace Qt::StringLiterals;

namespace {

const QString kBase = u"http://127.0.0.1:8123"_s;

} // namespace

// Every address the program asks the service for, byte for byte: the service knows no other
class ServiceUrlsTest : public QObject {
    Q_OBJECT

private slots:
    void addresses_data();
    void addresses();
};

void ServiceUrlsTest::addresses_data()
{
    QTest::addColumn<QString>("built");
    QTest::addColumn<QString>("expected");

    const ServiceUrls urls(kBase);
    const QString keyword = u"abc%20%E4%B8%AD"_s;
    QTest::newRow("default list") << urls.defaultList()
                                  << kBase
            + u"/data/?1=1&classid=1&act=getmusiclist&rnd=0.12830016091693802"_s;
    QTest::newRow("default list, page 2")
        << urls.defaultList(2)
        << kBase + u"/data/?1=1&classid=1&page=2&act=getmusiclist&rnd=0.12313641141171777"_s;
    QTest::newRow("default list, last page there can be")
        << urls.defaultList(std::numeric_limits<qint32>::max())
        << kBase
            + u"/data/?1=1&classid=1&page=2147483647&act=getmusiclist&rnd=0.12313641141171777"_s;
    QTest::newRow("search") << urls.search(keyword)
                            << kBase
            + u"/data/?1=1&searchkey=abc%20%E4%B8%AD&act=getmusiclist&rnd=0.6578650244507076"_s;
    QTest::newRow("search, page 3") << urls.search(keyword, 3)
                                    << kBase
            + u"/data/?1=1&searchkey=abc%20%E4%B8%AD&page=3&act=getmusiclist&rnd=0.6578650244507076"_s;
    QTest::newRow("song address") << urls.songAddress(u"42"_s)
                                  << kBase + u"/data/?act=getonemusic&id=42"_s;
    QTest::newRow("song address, identifier sent as given")
        << urls.songAddress(u" 7 "_s) << kBase + u"/data/?act=getonemusic&id= 7 "_s;
    QTest::newRow("background list") << urls.backgroundList() << kBase + u"/data/?act=getbglist"_s;
    QTest::newRow("song link") << urls.onService(u"/mp3/%C4%E3.mp3"_s)
                               << kBase + u"/mp3/%C4%E3.mp3"_s;
    QTest::newRow("home page") << urls.homePage() << kBase;
}

void ServiceUrlsTest::addresses()
{
    QFETCH(QString, built);
    QFETCH(QString, expected);
    QCOMPARE(built, expected);
}

QTEST_GUILESS_MAIN(ServiceUrlsTest)
#include "test_serviceurls.moc"
