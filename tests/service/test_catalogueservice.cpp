// The catalogue stand-in, driven over HTTP the way the client drives it: answer texts, keyword
// and media path decoding, audio files, switchable faults, outages and the request log.

#include "catalogueservice.h"
#include "timescale.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QSignalSpy>
#include <QTest>
#include <QtEndian>
#include <algorithm>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

constexpr auto kDefaultFirstPage = "/data/?1=1&classid=1&act=getmusiclist&rnd=0.12830016091693802";

QString defaultPage(int page)
{
    return u"/data/?1=1&classid=1&page=%1&act=getmusiclist&rnd=0.12313641141171777"_s.arg(page);
}

QString searchPage(const QString &encodedKeyword, int page = 1)
{
    const QString pagePart = page == 1 ? QString() : u"&page=%1"_s.arg(page);
    return u"/data/?1=1&searchkey=%1%2&act=getmusiclist&rnd=0.6578650244507076"_s.arg(
        encodedKeyword, pagePart);
}

const QByteArray kMediaCatalogue = R"({"songs": [
    {"id": "1", "title": "晚风【现场】", "serial": "A1", "path": "/music/晚风 现场_1.wav"},
    {"id": "2", "title": "Café", "serial": "A2", "path": "/music/Café_2.wav"},
    {"id": "3", "title": "断", "serial": "A3", "path": "/music/cut.wav", "media": "truncated"},
    {"id": "4", "title": "页", "serial": "A4", "path": "/music/page.wav", "media": "text"},
    {"id": "5", "title": "无", "serial": "A5", "path": "/music/gone.wav", "media": "missing"}
]})";

enum class Media { Wav, Truncated, NotAudio, None };

const QByteArray kOverridesCatalogue = R"({"overrides": [
    {"act": "getbglist", "body": ""},
    {"act": "getonemusic", "id": "10001", "bodyBase64": "77u/L211c2ljL3gud2F2"},
    {"act": "getmusiclist", "keyword": "情歌", "page": 1, "status": 503}
]})";

const QString kPaddedId = u"%20"_s.repeated(12);

struct Reply {
    QNetworkReply::NetworkError error = QNetworkReply::NoError;
    int status = 0;
    QByteArray body;
    QByteArray contentRange;
    qint64 elapsedMs = 0;
};

// Seconds for the service's switches, stretched like every other time bound
QString seconds(double value)
{
    return QString::number(value * timeScale());
}

QStringList capturesOf(const QRegularExpression &field, const QString &page)
{
    QStringList values;
    for (auto it = field.globalMatch(page); it.hasNext();)
        values.append(it.next().captured(1));
    return values;
}

QStringList titlesOf(const QString &page)
{
    static const QRegularExpression title(uR"re(title:"([^"]*)")re"_s);
    return capturesOf(title, page);
}

QStringList idsOf(const QString &page)
{
    static const QRegularExpression id(uR"re(\{id:"([^"]*)")re"_s);
    return capturesOf(id, page);
}

} // namespace

class CatalogueServiceTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void defaultListPages_data();
    void defaultListPages();
    void demoCatalogueHasTheAwkwardTitles();
    void search_data();
    void search();
    void searchPaging();
    void songAddress_data();
    void songAddress();
    void backgroundListResolves();
    void media_data();
    void media();
    void mediaRangeAndMelodies();
    void mediaCutAfterBytes();
    void listFaults_data();
    void listFaults();
    void hangEndsByTimeoutAndStop();
    void overrides_data();
    void overrides();
    void logHoldsExactTargets();
    void compressionCanBeTurnedOff();
    void refusedStarts_data();
    void refusedStarts();
    void outOfServiceFromTheStart_data();
    void outOfServiceFromTheStart();
    void outagesCutEveryConnection();

private:
    Reply get(const CatalogueService &service, const QString &target,
              const QByteArray &range = QByteArray(), int timeoutMs = 10000,
              QNetworkAccessManager *client = nullptr);

    QNetworkAccessManager m_network;
    std::unique_ptr<CatalogueService> m_demo;
    std::unique_ptr<CatalogueService> m_media;
    std::unique_ptr<CatalogueService> m_overrides;
};

Reply CatalogueServiceTest::get(const CatalogueService &service, const QString &target,
                                const QByteArray &range, int timeoutMs,
                                QNetworkAccessManager *client)
{
    // Strict parsing keeps escapes such as %E9 exactly as written.
    QNetworkRequest request(
        QUrl::fromEncoded((service.base() + target).toLatin1(), QUrl::StrictMode));
    request.setTransferTimeout(timeoutMs);
    if (!range.isEmpty())
        request.setRawHeader("Range", range);

    QElapsedTimer timer;
    timer.start();
    const std::unique_ptr<QNetworkReply> reply((client ? client : &m_network)->get(request));
    QEventLoop loop;
    connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
    if (!reply->isFinished())
        loop.exec();

    Reply result;
    result.error = reply->error();
    result.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (reply->isOpen())
        result.body = reply->readAll();
    result.contentRange = reply->rawHeader("Content-Range");
    result.elapsedMs = timer.elapsed();
    return result;
}

void CatalogueServiceTest::initTestCase()
{
    m_demo = std::make_unique<CatalogueService>(QStringList {u"--media-seconds"_s, u"0.5"_s});
    QVERIFY(m_demo->isRunning());
    m_media = std::make_unique<CatalogueService>(QStringList {u"--media-seconds"_s, u"0.5"_s},
                                                 kMediaCatalogue);
    QVERIFY(m_media->isRunning());
    m_overrides = std::make_unique<CatalogueService>(QStringList {}, kOverridesCatalogue);
    QVERIFY(m_overrides->isRunning());
}

void CatalogueServiceTest::cleanupTestCase()
{
    m_demo.reset();
    m_media.reset();
    m_overrides.reset();
}

void CatalogueServiceTest::defaultListPages_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("firstId");
    QTest::addColumn<int>("entries");

    QTest::newRow("first page") << QString::fromLatin1(kDefaultFirstPage) << "10001" << 20;
    QTest::newRow("page 2") << defaultPage(2) << "10021" << 20;
    QTest::newRow("last page") << defaultPage(11) << "10201" << 5;
    QTest::newRow("past the last") << defaultPage(12) << QString() << 0;
}

void CatalogueServiceTest::defaultListPages()
{
    QFETCH(QString, target);
    QFETCH(QString, firstId);
    QFETCH(int, entries);

    const Reply reply = get(*m_demo, target);
    QCOMPARE(reply.status, 200);
    const QString page = QString::fromUtf8(reply.body);
    QVERIFY2(page.startsWith(u"[{totalrecorder:205,totalpage:11}"), qPrintable(page.left(80)));
    QVERIFY(page.endsWith(u']'));
    QCOMPARE(page.count(u']'), 1);

    const QStringList ids = idsOf(page);
    QCOMPARE(ids.size(), entries);
    if (entries == 0) {
        QCOMPARE(page, u"[{totalrecorder:205,totalpage:11}]"_s);
        return;
    }
    QCOMPARE(ids.first(), firstId);
    // The client cuts title and serial up to a quote followed by a comma, so neither may be
    // the last field of an entry.
    static const QRegularExpression entry(
        uR"re(\{id:"\d+",title:"[^"]*",serial:"QP-\d{4}",\w+:)re"_s);
    QCOMPARE(page.count(entry), entries);
    if (entries >= 4)
        QVERIFY(page.contains(u"},\r\n{id:\""));
}

void CatalogueServiceTest::demoCatalogueHasTheAwkwardTitles()
{
    QStringList ids;
    QStringList titles;
    for (int page = 1; page <= 11; ++page) {
        const QString text = QString::fromUtf8(
            get(*m_demo, page == 1 ? QString::fromLatin1(kDefaultFirstPage) : defaultPage(page))
                .body);
        ids += idsOf(text);
        titles += titlesOf(text);
    }
    QCOMPARE(ids.size(), 205);
    QCOMPARE(QSet<QString>(ids.cbegin(), ids.cend()).size(), 205);

    static const QRegularExpression chinese(uR"(\p{Han})"_s);
    const auto has = [&titles](auto predicate) {
        return std::any_of(titles.cbegin(), titles.cend(), predicate);
    };
    QVERIFY(has([](const QString &title) { return title.contains(u"【现场】"); }));
    QVERIFY(has([](const QString &title) { return title.contains(u" 【"); }));
    QVERIFY(has([](const QString &title) { return !title.contains(chinese); }));
}

void CatalogueServiceTest::search_data()
{
    QTest::addColumn<QString>("encoded");
    QTest::addColumn<QString>("keyword");
    QTest::addColumn<int>("total");

    QTest::newRow("Chinese as UTF-8") << "%E6%83%85%E6%AD%8C" << u"情歌"_s << 12;
    QTest::newRow("é as one Latin-1 byte") << "%E9" << u"é"_s << 1;
    QTest::newRow("é in the three-byte form") << "%E0%83%A9" << u"é"_s << 1;
    QTest::newRow("surrogate pair") << "%ED%A0%BD%ED%B8%80" << u"😀"_s << 1;
    QTest::newRow("other case") << "BLUE" << u"BLUE"_s << 1;
    QTest::newRow("blank inside") << "%20%E5%A4%9C" << u" 夜"_s << 1;
    QTest::newRow("no match") << "zzz" << u"zzz"_s << 0;
}

void CatalogueServiceTest::search()
{
    QFETCH(QString, encoded);
    QFETCH(QString, keyword);
    QFETCH(int, total);

    const QString page = QString::fromUtf8(get(*m_demo, searchPage(encoded)).body);
    const QString heading = u"<h3>搜索：%1</h3>"_s.arg(keyword);
    const qsizetype headingAt = page.indexOf(heading);
    QVERIFY2(headingAt >= 0, qPrintable(page.left(300)));
    QVERIFY(page.indexOf(u"[{totalrecorder:%1,"_s.arg(total)) > headingAt);

    if (total == 0)
        QVERIFY(page.contains(u"[{totalrecorder:0,totalpage:0}]"));
    const QStringList titles = titlesOf(page);
    QCOMPARE(titles.size(), total);
    for (const QString &title : titles)
        QVERIFY2(title.contains(keyword, Qt::CaseInsensitive), qPrintable(title));
}

void CatalogueServiceTest::searchPaging()
{
    const CatalogueService service({u"--per-page"_s, u"5"_s});
    QVERIFY(service.isRunning());

    QStringList ids;
    for (int page = 1; page <= 4; ++page) {
        const QString text
            = QString::fromUtf8(get(service, searchPage(u"%E6%83%85%E6%AD%8C"_s, page)).body);
        QVERIFY(text.contains(u"<h3>搜索：情歌</h3>"));
        QVERIFY(text.contains(u"[{totalrecorder:12,totalpage:3}"));
        const QStringList pageIds = idsOf(text);
        QCOMPARE(pageIds.size(), page < 3 ? 5 : page == 3 ? 2 : 0);
        ids += pageIds;
    }
    QCOMPARE(QSet<QString>(ids.cbegin(), ids.cend()).size(), 12);
}

void CatalogueServiceTest::songAddress_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("path");

    QTest::newRow("padded as in a list row")
        << "10003" + kPaddedId << 200 << u"/music/星空 现场_10003.wav"_s;
    QTest::newRow("bare") << "10018" << 200 << u"/music/Blue Night_10018.wav"_s;
    QTest::newRow("unknown") << "99999" + kPaddedId << 404 << QString();
}

void CatalogueServiceTest::songAddress()
{
    QFETCH(QString, id);
    QFETCH(int, status);
    QFETCH(QString, path);

    const Reply reply = get(*m_demo, "/data/?act=getonemusic&id=" + id);
    QCOMPARE(reply.status, status);
    QCOMPARE(QString::fromUtf8(reply.body), path);
}

void CatalogueServiceTest::backgroundListResolves()
{
    // The client drops the quotes and takes what follows the first "id:" up to the next "}".
    QString list = QString::fromUtf8(get(*m_demo, u"/data/?act=getbglist"_s).body);
    list.remove(u'"');
    const qsizetype start = list.indexOf(u"id:");
    QVERIFY(start >= 0);
    const QString id = list.mid(start + 3, list.indexOf(u'}', start) - start - 3);

    const Reply reply = get(*m_demo, "/data/?act=getonemusic&id=" + id);
    QCOMPARE(reply.status, 200);
    QVERIFY(reply.body.startsWith("/music/"));
}

void CatalogueServiceTest::media_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<int>("status");
    QTest::addColumn<Media>("media");

    QTest::newRow("GBK escapes") << "/music/%CD%ED%B7%E7%20%CF%D6%B3%A1%5F1.wav" << 200
                                 << Media::Wav;
    QTest::newRow("UTF-8 escapes")
        << "/music/%E6%99%9A%E9%A3%8E%20%E7%8E%B0%E5%9C%BA_1.wav" << 200 << Media::Wav;
    QTest::newRow("GBK Latin letter") << "/music/Caf%A8%A6%5F2.wav" << 200 << Media::Wav;
    QTest::newRow("unknown path") << "/music/%CD%ED%B7%E7.wav" << 404 << Media::None;
    QTest::newRow("truncated") << "/music/cut.wav" << 200 << Media::Truncated;
    QTest::newRow("not audio") << "/music/page.wav" << 200 << Media::NotAudio;
    QTest::newRow("missing") << "/music/gone.wav" << 404 << Media::None;
}

void CatalogueServiceTest::media()
{
    QFETCH(QString, target);
    QFETCH(int, status);
    QFETCH(Media, media);

    const Reply reply = get(*m_media, target);
    QCOMPARE(reply.status, status);
    const QByteArray &wav = reply.body;

    if (media == Media::NotAudio)
        QVERIFY(!wav.startsWith("RIFF"));
    if (media != Media::Wav && media != Media::Truncated)
        return;

    QVERIFY(wav.size() > 44);
    const auto u16 = [&wav](int at) { return qFromLittleEndian<quint16>(wav.constData() + at); };
    const auto u32 = [&wav](int at) { return qFromLittleEndian<quint32>(wav.constData() + at); };
    QCOMPARE(wav.left(4), "RIFF");
    QCOMPARE(wav.mid(8, 8), "WAVEfmt ");
    QCOMPARE(u16(20), 1); // PCM
    QCOMPARE(u16(22), 1); // mono
    QCOMPARE(u32(24), 22050u);
    QCOMPARE(u32(28), 44100u);
    QCOMPARE(u16(34), 16);
    QCOMPARE(wav.mid(36, 4), "data");
    // Half a second of 16-bit samples, announced in full even when the file is cut short.
    QCOMPARE(u32(40), 22050u);
    QCOMPARE(u32(4), 36u + 22050u);
    if (media == Media::Wav)
        QCOMPARE(wav.size(), 44 + 22050);
    else
        QVERIFY(wav.size() < 44 + 22050);
}

void CatalogueServiceTest::mediaRangeAndMelodies()
{
    const QString gbk = u"/music/%D0%C7%BF%D5%20%CF%D6%B3%A1%5F10003.wav"_s;
    const QString utf8 = u"/music/%E6%98%9F%E7%A9%BA%20%E7%8E%B0%E5%9C%BA_10003.wav"_s;
    const Reply whole = get(*m_demo, gbk);
    QCOMPARE(whole.status, 200);
    QCOMPARE(get(*m_demo, utf8).body, whole.body);

    const Reply part = get(*m_demo, utf8, "bytes=100-199");
    QCOMPARE(part.status, 206);
    QCOMPARE(part.body, whole.body.mid(100, 100));
    QCOMPARE(part.contentRange, "bytes 100-199/" + QByteArray::number(whole.body.size()));

    // Neighbouring songs play different tunes, and the tunes are not silence.
    const QByteArray other = get(*m_demo, u"/music/Blue%20Night%5F10018.wav"_s).body;
    QCOMPARE(other.size(), whole.body.size());
    QVERIFY(other.mid(44) != whole.body.mid(44));
    QVERIFY(whole.body.mid(44).count('\0') < whole.body.size() / 2);
}

void CatalogueServiceTest::mediaCutAfterBytes()
{
    const QString target = u"/music/%E6%98%9F%E7%A9%BA%20%E7%8E%B0%E5%9C%BA_10003.wav"_s;
    const QByteArray whole = get(*m_demo, target).body;
    CatalogueService service({u"--media-seconds"_s, u"0.5"_s, u"--cut-media"_s, u"1000"_s});
    QVERIFY(service.isRunning());

    // Each answer breaks off 1000 bytes after where its range starts; a range that ends sooner
    // arrives whole. (Qt does not always report the break as an error: the bytes tell.)
    const Reply first = get(service, target);
    QCOMPARE(first.body, whole.left(1000));
    const Reply resumed = get(service, target, "bytes=1000-");
    QCOMPARE(resumed.status, 206);
    QCOMPARE(resumed.body, whole.mid(1000, 1000));
    const QByteArray tailRange = "bytes=" + QByteArray::number(whole.size() - 500) + '-';
    const Reply tail = get(service, target, tailRange);
    QCOMPARE(tail.error, QNetworkReply::NoError);
    QCOMPARE(tail.body, whole.right(500));
    // List pages are not media
    QCOMPARE(get(service, defaultPage(2)).error, QNetworkReply::NoError);
}

void CatalogueServiceTest::listFaults_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("target");
    QTest::addColumn<bool>("fails");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("bodyHas"); // empty: the body must be empty
    QTest::addColumn<int>("minMs");

    QTest::newRow("error status") << QStringList {"--status-page", "2:500"} << defaultPage(2)
                                  << true << 500 << u"<html>"_s << 0;
    QTest::newRow("other page unaffected")
        << QStringList {"--status-page", "2:500"} << defaultPage(3) << false << 200
        << u"{id:\"10041\""_s << 0;
    QTest::newRow("empty") << QStringList {"--empty-page", "2"} << defaultPage(2) << false << 200
                           << QString() << 0;
    QTest::newRow("cut") << QStringList {"--cut-page", "2"} << defaultPage(2) << true << 200
                         << QString() << 0;
    QTest::newRow("cut search") << QStringList {"--cut-page", "1"} << searchPage(u"abc"_s) << true
                                << 200 << QString() << 0;
    QTest::newRow("delay") << QStringList {"--delay-page", "2:400"} << defaultPage(2) << false
                           << 200 << u"{id:\"10021\""_s << 400;
    QTest::newRow("total text") << QStringList {"--total-text", " 3"}
                                << QString::fromLatin1(kDefaultFirstPage) << false << 200
                                << u"[{totalrecorder:205,totalpage: 3},"_s << 0;
}

void CatalogueServiceTest::listFaults()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, target);
    QFETCH(bool, fails);
    QFETCH(int, status);
    QFETCH(QString, bodyHas);
    QFETCH(int, minMs);

    const CatalogueService service(arguments);
    QVERIFY(service.isRunning());
    const Reply reply = get(service, target);
    QCOMPARE(reply.error != QNetworkReply::NoError, fails);
    QCOMPARE(reply.status, status);
    QVERIFY(reply.elapsedMs >= minMs);

    const QString body = QString::fromUtf8(reply.body);
    if (fails && status == 200)
        return; // cut off: whatever arrived is not the point
    if (bodyHas.isEmpty()) {
        QCOMPARE(body, QString());
        return;
    }
    QVERIFY2(body.contains(bodyHas), qPrintable(body.left(200)));
    // An error page must read as a page without a list.
    QCOMPARE(body.contains(u']'), status == 200);
}

void CatalogueServiceTest::hangEndsByTimeoutAndStop()
{
    CatalogueService service({u"--hang-page"_s, u"2"_s});
    QVERIFY(service.isRunning());

    const Reply hung = get(service, defaultPage(2), {}, 400);
    QCOMPARE(hung.error, QNetworkReply::OperationCanceledError);
    QVERIFY(hung.elapsedMs < 5000);
    // Logged on arrival, although never answered.
    QCOMPARE(service.requestTargets(), QStringList {defaultPage(2)});
    QCOMPARE(get(service, defaultPage(3)).status, 200);

    // A request still hanging when the service stops must not hold the service up.
    const std::unique_ptr<QNetworkReply> pending(m_network.get(
        QNetworkRequest(QUrl::fromEncoded((service.base() + defaultPage(2)).toLatin1()))));
    QTRY_COMPARE_WITH_TIMEOUT(service.requestTargets().size(), 3, scaled(5000));
    QElapsedTimer timer;
    timer.start();
    service.stop();
    QVERIFY(timer.elapsed() < scaled(3000));
    QCOMPARE(service.exitStatus(), QProcess::NormalExit);
    QCOMPARE(service.exitCode(), 0);
    QTRY_VERIFY_WITH_TIMEOUT(pending->isFinished(), scaled(5000));
}

void CatalogueServiceTest::overrides_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<bool>("exact");

    QTest::newRow("empty background list") << u"/data/?act=getbglist"_s << 200 << ""_ba << true;
    QTest::newRow("address with byte-order mark") << "/data/?act=getonemusic&id=10001" + kPaddedId
                                                  << 200 << "\xEF\xBB\xBF/music/x.wav"_ba << true;
    QTest::newRow("other address untouched") << "/data/?act=getonemusic&id=10002" + kPaddedId << 200
                                             << "/music/情歌_10002.wav"_ba << true;
    QTest::newRow("status only, regular body")
        << searchPage(u"%E6%83%85%E6%AD%8C"_s) << 503 << "<h3>搜索：情歌</h3>"_ba << false;
    QTest::newRow("default list untouched")
        << QString::fromLatin1(kDefaultFirstPage) << 200 << "[{totalrecorder:205,"_ba << false;
}

void CatalogueServiceTest::overrides()
{
    QFETCH(QString, target);
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(bool, exact);

    const Reply reply = get(*m_overrides, target);
    QCOMPARE(reply.status, status);
    if (exact)
        QCOMPARE(reply.body, body);
    else
        QVERIFY(reply.body.contains(body));
}

void CatalogueServiceTest::logHoldsExactTargets()
{
    const CatalogueService service;
    QVERIFY(service.isRunning());
    const QStringList targets = {
        QString::fromLatin1(kDefaultFirstPage),
        searchPage(u"%E9"_s, 2),
        "/data/?act=getonemusic&id=10001" + kPaddedId,
        u"/music/%CD%ED%B7%E7%20x.wav"_s,
        u"/data/?act=getbglist"_s,
        u"/elsewhere?x=%2B"_s,
    };
    for (const QString &target : targets)
        get(service, target);
    QCOMPARE(service.requestTargets(), targets);

    // Probes and resumed transfers show as such
    const std::unique_ptr<QNetworkReply> probe(
        m_network.head(QNetworkRequest(QUrl(service.base() + u"/"_s))));
    QSignalSpy probed(probe.get(), &QNetworkReply::finished);
    QVERIFY(probed.wait());
    get(service, targets[3], "bytes=10-");
    const QList<CatalogueService::Request> requests = service.requests();
    QCOMPARE(requests.size(), targets.size() + 2);
    QCOMPARE(requests[0].method, u"GET"_s);
    QCOMPARE(requests[0].range, QString());
    QCOMPARE(requests[targets.size()].method, u"HEAD"_s);
    QCOMPARE(requests[targets.size()].target, u"/"_s);
    QCOMPARE(requests.last().range, u"bytes=10-"_s);
    QCOMPARE(requests.last().target, targets[3]);
}

void CatalogueServiceTest::compressionCanBeTurnedOff()
{
    // Asking by hand keeps Qt from inflating the answer, so the wire form can be compared
    const auto fetchRaw = [this](const CatalogueService &service) {
        QNetworkRequest request(QUrl(service.base() + defaultPage(2)));
        request.setRawHeader("Accept-Encoding", "br, gzip");
        const std::unique_ptr<QNetworkReply> reply(m_network.get(request));
        QEventLoop loop;
        connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
        if (!reply->isFinished())
            loop.exec();
        return std::pair {reply->rawHeader("Content-Encoding"), reply->readAll()};
    };
    const auto [plainEncoding, plainBody] = fetchRaw(CatalogueService({u"--no-compression"_s}));
    QVERIFY2(plainEncoding.isEmpty(), plainEncoding.constData());
    QVERIFY(plainBody.startsWith("[{totalrecorder:205,totalpage:11}"));
    QCOMPARE(plainBody, get(*m_demo, defaultPage(2)).body);

    const auto [encoding, body] = fetchRaw(*m_demo);
    QVERIFY(encoding == "br" || encoding == "gzip");
    QVERIFY(body.size() < plainBody.size());
}

void CatalogueServiceTest::refusedStarts_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("says");

    // A second service on a busy port used to start and share the connections with the first.
    QTest::newRow("port of a running service")
        << QStringList {u"--port"_s, QString::number(m_demo->port())} << 1 << u"in use"_s;
    QTest::newRow("outage without a length") << QStringList {"--outage", "1"} << 2 << "--outage";
    QTest::newRow("outage of no time") << QStringList {"--outage", "1:0"} << 2 << "--outage";
    QTest::newRow("outage before the start") << QStringList {"--outage", "-1:2"} << 2 << "--outage";
    QTest::newRow("refusal of no time")
        << QStringList {"--refuse-first", "0"} << 2 << "--refuse-first";
    QTest::newRow("media at no pace") << QStringList {"--media-rate", "0"} << 2 << "--media-rate";
    QTest::newRow("data refusal without an act")
        << QStringList {"--refuse-data", "5"} << 2 << "--refuse-data";
    QTest::newRow("help") << QStringList {"--help"} << 0 << "";
}

void CatalogueServiceTest::refusedStarts()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, says);

    QProcess service;
    service.start(QString::fromUtf8(CATALOGUE_SERVICE_PATH), arguments);
    const bool ended = service.waitForFinished(scaled(5000));
    if (!ended)
        service.kill();
    const QByteArray output = service.readAllStandardOutput();
    QVERIFY2(ended, output.constData());
    QCOMPARE(service.exitCode(), exitCode);
    const QString error = QString::fromUtf8(service.readAllStandardError());
    QVERIFY2(error.contains(says), qPrintable(error));
    if (exitCode == 0)
        QVERIFY2(output.startsWith("Usage: catalogue-service "), output.constData());
}

void CatalogueServiceTest::outOfServiceFromTheStart_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QNetworkReply::NetworkError>("error");
    QTest::addColumn<bool>("refusalsLogged");

    QTest::newRow("outage from the start") << QStringList {u"--outage"_s, "0:" + seconds(1)}
                                           << QNetworkReply::ConnectionRefusedError << false;
    QTest::newRow("refused from the first request") << QStringList {u"--refuse-first"_s, seconds(1)}
                                                    << QNetworkReply::RemoteHostClosedError << true;
}

void CatalogueServiceTest::outOfServiceFromTheStart()
{
    QFETCH(QStringList, arguments);
    QFETCH(QNetworkReply::NetworkError, error);
    QFETCH(bool, refusalsLogged);

    QElapsedTimer sinceStart;
    sinceStart.start();
    const CatalogueService service(arguments);
    QVERIFY(service.isRunning());
    const Reply refused = get(service, defaultPage(2));
    QCOMPARE(refused.error, error);
    QCOMPARE(refused.status, 0);
    QVERIFY(refused.body.isEmpty());
    // The log holds every request that reached the service
    QCOMPARE(service.requestTargets().isEmpty(), !refusalsLogged);

    QTRY_COMPARE_WITH_TIMEOUT(get(service, defaultPage(2)).status, 200, scaled(5000));
    QVERIFY(sinceStart.elapsed() >= scaled(1000));
}

void CatalogueServiceTest::outagesCutEveryConnection()
{
    const QString media = u"/music/%E6%98%9F%E7%A9%BA%20%E7%8E%B0%E5%9C%BA_10003.wav"_s;
    const qsizetype wavBytes = 44 + 2 * 22050;
    QElapsedTimer sinceStart;
    sinceStart.start();
    // The song takes over 2 s at this pace, so the first outage breaks into it.
    const CatalogueService service({u"--media-seconds"_s, u"1"_s, u"--media-rate"_s,
                                    QString::number(20000 / timeScale()), u"--outage"_s,
                                    seconds(1) + ':' + seconds(1), u"--outage"_s,
                                    seconds(3) + ':' + seconds(1)});
    QVERIFY(service.isRunning());
    // A second client keeps its connection open while idle
    QNetworkAccessManager idleClient;
    QCOMPARE(get(service, defaultPage(3), {}, 10000, &idleClient).status, 200);

    const Reply song = get(service, media);
    QVERIFY(song.error != QNetworkReply::NoError);
    QVERIFY2(!song.body.isEmpty() && song.body.size() < wavBytes,
             qPrintable(QString::number(song.body.size())));
    // Not answered over the connection kept from before the outage either
    const Reply idle = get(service, defaultPage(3), {}, 10000, &idleClient);
    QCOMPARE(idle.status, 0);
    QVERIFY(idle.error != QNetworkReply::NoError);

    QTRY_COMPARE_WITH_TIMEOUT(get(service, defaultPage(4)).status, 200, scaled(5000));
    QVERIFY(sinceStart.elapsed() >= scaled(2000));
    // Down once more, and back on the same port
    QTRY_COMPARE_WITH_TIMEOUT(get(service, defaultPage(4)).error,
                              QNetworkReply::ConnectionRefusedError, scaled(5000));
    QTRY_COMPARE_WITH_TIMEOUT(get(service, defaultPage(5)).status, 200, scaled(5000));
    QVERIFY(sinceStart.elapsed() >= scaled(4000));

    // A request sent on a connection as it is cut may still reach the service: it is logged.
    const QStringList targets = service.requestTargets();
    QCOMPARE(targets.mid(0, 2), (QStringList {defaultPage(3), media}));
    QVERIFY(targets.contains(defaultPage(4)));
    QCOMPARE(targets.last(), defaultPage(5));
}

QTEST_GUILESS_MAIN(CatalogueServiceTest)
#include "test_catalogueservice.moc"
