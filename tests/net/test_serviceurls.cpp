#include "net/requestforms.h"
#include "net/urltexts.h"

#include <QTest>

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

    const UrlTexts urls(kBase);
    const QString keyword = u"abc%20%E4%B8%AD"_s;
    QTest::newRow("default list") << urls.text(UrlTexts::DefaultListFirstPage)
                                  << kBase
            + u"/data/?1=1&classid=1&act=getmusiclist&rnd=0.12830016091693802"_s;
    QTest::newRow("default list, page 2")
        << urls.text(UrlTexts::ListPagePrefix) + u"2"_s + urls.text(UrlTexts::ListPageSuffix)
        << kBase + u"/data/?1=1&classid=1&page=2&act=getmusiclist&rnd=0.12313641141171777"_s;
    QTest::newRow("default list, last page there can be") << urls.text(UrlTexts::ListPagePrefix)
            + u"2147483647"_s + urls.text(UrlTexts::ListPageSuffix)
                                                          << kBase
            + u"/data/?1=1&classid=1&page=2147483647&act=getmusiclist&rnd=0.12313641141171777"_s;
    QTest::newRow("search") << urls.text(UrlTexts::SearchFirstPage) + keyword
            + RequestForms::kSearchSuffix
                            << kBase
            + u"/data/?1=1&searchkey=abc%20%E4%B8%AD&act=getmusiclist&rnd=0.6578650244507076"_s;
    QTest::newRow("search, page 3") << urls.text(UrlTexts::SearchFirstPage) + keyword
            + RequestForms::kPageKey + u"3"_s + RequestForms::kSearchSuffix
                                    << kBase
            + u"/data/?1=1&searchkey=abc%20%E4%B8%AD&page=3&act=getmusiclist&rnd=0.6578650244507076"_s;
    QTest::newRow("song address") << urls.text(UrlTexts::SongAddress) + u"42"_s
                                  << kBase + u"/data/?act=getonemusic&id=42"_s;
    QTest::newRow("song address, identifier sent as given") << urls.text(UrlTexts::SongAddress)
            + u" 7 "_s << kBase + u"/data/?act=getonemusic&id= 7 "_s;
    QTest::newRow("background list") << urls.serviceBase() + RequestForms::kBackgroundListPath
                                     << kBase + u"/data/?act=getbglist"_s;
    QTest::newRow("song link") << urls.serviceBase() + u"/mp3/%C4%E3.mp3"_s
                               << kBase + u"/mp3/%C4%E3.mp3"_s;
    QTest::newRow("home page") << urls.serviceBase() << kBase;
}

void ServiceUrlsTest::addresses()
{
    QFETCH(QString, built);
    QFETCH(QString, expected);
    QCOMPARE(built, expected);
}

QTEST_GUILESS_MAIN(ServiceUrlsTest)
#include "test_serviceurls.moc"
