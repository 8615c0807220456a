#include "catalogueservice.h"
#include "common/failure.h"
#include "net/textfetcher.h"
#include "timescale.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QNetworkAccessManager>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>

#include <algorithm>
#include <optional>

using namespace Qt::StringLiterals;

using namespace std::chrono_literals;

namespace {

const QString kFirstPage = u"/data/?1=1&classid=1&act=getmusiclist&rnd=0.12830016091693802"_s;
const QString kSongAddress = u"/data/?act=getonemusic&id="_s;

QString listPage(int page)
{
    return u"/data/?1=1&classid=1&page=%1&act=getmusiclist&rnd=0.12313641141171777"_s.arg(page);
}

// What one request came to: its text, or its failure's reason and kind
struct Answer {
    bool answered = false;
    QString text;
    QString reason;
    std::optional<FailureKind> kind;
};

Answer fetch(const TextFetcher &fetcher, const QString &url, const QString &charset)
{
    Answer answer;
    bool ended = false;
    QObject owner;
    TextRequest *const request = fetcher.fetchText(url, charset, &owner);
    QObject::connect(request, &TextRequest::finished, [&](const QString &text) {
        answer = {true, text, {}, {}};
        ended = true;
    });
    QObject::connect(request, &TextRequest::failed, [&](const QString &reason, FailureKind kind) {
        answer = {false, {}, reason, kind};
        ended = true;
    });
    if (!QTest::qWaitFor([&] { return ended; }, scaled(30000)))
        answer.reason = u"no end"_s;
    return answer;
}

} // namespace

// Every test declares its network access manager after the service: the manager closes its
// kept-alive connections as it goes, so that the service can stop at once.
class TextFetchTest : public QObject {
    Q_OBJECT

private slots:
    void statusAnswersAreText_data();
    void statusAnswersAreText();
    void emptyBodies_data();
    void emptyBodies();
    void charsetNames();
    void bytesToText_data();
    void bytesToText();
    void unknownCharsetFails_data();
    void unknownCharsetFails();
    void urlOnTheWire_data();
    void urlOnTheWire();
    void invalidUrlIsNotSent();
    void refusedConnectionFails();
    void cutBodyFails();
    void stalledRequestTimesOut();
    void failureKinds_data();
    void failureKinds();
    void answersComeFromTheEventLoop();
};

void TextFetchTest::statusAnswersAreText_data()
{
    QTest::addColumn<int>("status");
    QTest::newRow("404") << 404;
    QTest::newRow("500") << 500;
    QTest::newRow("503") << 503;
    QTest::newRow("400") << 400;
}

void TextFetchTest::statusAnswersAreText()
{
    QFETCH(int, status);
    const CatalogueService service({u"--status-page"_s, u"2:%1"_s.arg(status)});
    QVERIFY(service.isRunning());

    QNetworkAccessManager network;
    TextFetcher fetcher(network);
    const QString text = fetch(fetcher, service.base() + listPage(2), u"utf-8"_s).text;
    QVERIFY2(text.contains(u"服务器出错（%1）"_s.arg(status)), qPrintable(text));
    // The connection stays usable for the next answer.
    QVERIFY(fetch(fetcher, service.base() + listPage(3), u"utf-8"_s).text.contains(u']'));
}

void TextFetchTest::emptyBodies_data()
{
    QTest::addColumn<QStringList>("serviceArguments");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("charset");

    QTest::newRow("unknown song, 404") << QStringList() << kSongAddress + u"99999"_s << u"Utf-8"_s;
    QTest::newRow("empty list page, 200")
        << QStringList {u"--empty-page"_s, u"1"_s} << kFirstPage << u"utf-8"_s;
    // No decoder is involved for an empty body, so its name is never looked at.
    QTest::newRow("empty body, unknown charset")
        << QStringList {u"--empty-page"_s, u"1"_s} << kFirstPage << u"no-such-set"_s;
}

void TextFetchTest::emptyBodies()
{
    QFETCH(QStringList, serviceArguments);
    QFETCH(QString, path);
    QFETCH(QString, charset);
    const CatalogueService service(serviceArguments);
    QVERIFY(service.isRunning());

    QNetworkAccessManager network;
    TextFetcher fetcher(network);
    const Answer answer = fetch(fetcher, service.base() + path, charset);
    QVERIFY(answer.answered);
    QCOMPARE(answer.text, QString());
}

void TextFetchTest::charsetNames()
{
    const CatalogueService service;
    QVERIFY(service.isRunning());
    QNetworkAccessManager network;
    TextFetcher fetcher(network);

    const QString lower = fetch(fetcher, service.base() + kFirstPage, u"utf-8"_s).text;
    const QString mixed = fetch(fetcher, service.base() + kFirstPage, u"Utf-8"_s).text;
    QCOMPARE(mixed, lower);
    QVERIFY(lower.contains(u"totalpage"));
    const auto nonAscii = [](QChar c) { return c.unicode() > 0x7F; };
    QVERIFY2(std::any_of(lower.cbegin(), lower.cend(), nonAscii), "no decoded non-ASCII text");
    QVERIFY(!lower.contains(QChar::ReplacementCharacter));

    QVERIFY(!fetch(fetcher, service.base() + kFirstPage, u"no-such-set"_s).answered);
}

void TextFetchTest::bytesToText_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("charset");
    QTest::addColumn<QString>("expected");

    QTest::newRow("utf-8") << "/music/\xE6\xAD\x8C.wav"_qba << u"utf-8"_s << u"/music/歌.wav"_s;
    QTest::newRow("name in upper case") << "\xE4\xB8\xAD"_qba << u"UTF-8"_s << u"中"_s;
    QTest::newRow("byte-order mark dropped") << "\xEF\xBB\xBFid"_qba << u"utf-8"_s << u"id"_s;
    QTest::newRow("invalid byte") << "a\xFF"
                                     "b"_qba
                                  << u"utf-8"_s << u"a\uFFFDb"_s;
    // Nothing is held back waiting for a next chunk: every byte left over is replaced.
    QTest::newRow("sequence cut at the end")
        << "ab\xE4\xB8"_qba << u"Utf-8"_s << u"ab\uFFFD\uFFFD"_s;
    QTest::newRow("utf-16 with its mark")
        << QByteArray("\xFF\xFE\x2D\x4E", 4) << u"UTF-16"_s << u"中"_s;
    QTest::newRow("latin-1") << "caf\xE9"_qba << u"iso-8859-1"_s << u"café"_s;
}

void TextFetchTest::bytesToText()
{
    QFETCH(QByteArray, body);
    QFETCH(QString, charset);
    QFETCH(QString, expected);
    QCOMPARE(TextFetcher::bytesToText(body, charset), expected);
}

void TextFetchTest::unknownCharsetFails_data()
{
    QTest::addColumn<QString>("charset");
    QTest::newRow("empty name") << QString();
    QTest::newRow("made up") << u"utf-9"_s;
}

void TextFetchTest::unknownCharsetFails()
{
    QFETCH(QString, charset);
    QVERIFY_THROWS_EXCEPTION(Failure, TextFetcher::bytesToText("abc"_qba, charset));
}

void TextFetchTest::urlOnTheWire_data()
{
    QTest::addColumn<QString>("query");
    QTest::addColumn<QString>("target");

    // A list row keeps twelve blanks after the identifier, and they are sent with it.
    QTest::newRow("trailing blanks of an id")
        << u"act=getonemusic&id=10001            "_s
        << u"act=getonemusic&id=10001"_s + QString(u"%20"_s).repeated(12);
    QTest::newRow("caller's escapes untouched") << u"act=getonemusic&id=%25%2B%26%3D%E4%B8%AD"_s
                                                << u"act=getonemusic&id=%25%2B%26%3D%E4%B8%AD"_s;
    QTest::newRow("raw non-ASCII as UTF-8")
        << u"act=getonemusic&id=中"_s << u"act=getonemusic&id=%E4%B8%AD"_s;
    QTest::newRow("raw characters a URL cannot hold")
        << u"act=getonemusic&id={|}\"<>^`\\"_s
        << u"act=getonemusic&id=%7B%7C%7D%22%3C%3E%5E%60%5C"_s;
}

void TextFetchTest::urlOnTheWire()
{
    QFETCH(QString, query);
    QFETCH(QString, target);
    const CatalogueService service;
    QVERIFY(service.isRunning());

    QNetworkAccessManager network;
    TextFetcher fetcher(network);
    const QString text = fetch(fetcher, service.base() + u"/data/?"_s + query, u"Utf-8"_s).text;
    QCOMPARE(service.requestTargets(), QStringList {u"/data/?"_s + target});
    if (query.startsWith(u"act=getonemusic&id=10001"))
        QVERIFY2(text.startsWith(u"/music/"), qPrintable(text));
}

void TextFetchTest::invalidUrlIsNotSent()
{
    const CatalogueService service;
    QVERIFY(service.isRunning());
    QNetworkAccessManager network;
    TextFetcher fetcher(network);

    QVERIFY(!fetch(fetcher, service.base() + u"/data/?id=%zz"_s, u"utf-8"_s).answered);
    fetch(fetcher, service.base() + u"/data/?act=getbglist"_s, u"utf-8"_s);
    QCOMPARE(service.requestTargets(), QStringList {u"/data/?act=getbglist"_s});
}

void TextFetchTest::refusedConnectionFails()
{
    QTcpServer closed;
    QVERIFY(closed.listen(QHostAddress::LocalHost, 0));
    const quint16 port = closed.serverPort();
    closed.close();

    QNetworkAccessManager network;
    TextFetcher fetcher(network);
    const Answer answer
        = fetch(fetcher, u"http://127.0.0.1:%1/data/?act=getbglist"_s.arg(port), u"utf-8"_s);
    QVERIFY(!answer.answered);
    QVERIFY2(answer.reason.startsWith(u"网络请求失败："), qPrintable(answer.reason));
    QCOMPARE(answer.kind, FailureKind::Unreachable);
}

void TextFetchTest::cutBodyFails()
{
    const CatalogueService service({u"--cut-page"_s, u"1"_s});
    QVERIFY(service.isRunning());

    QNetworkAccessManager network;
    TextFetcher fetcher(network);
    QCOMPARE(fetch(fetcher, service.base() + kFirstPage, u"utf-8"_s).kind, FailureKind::Answered);
    // Only the cut page fails; the next one is read in full.
    QVERIFY(fetch(fetcher, service.base() + listPage(2), u"utf-8"_s).text.contains(u']'));
}

void TextFetchTest::stalledRequestTimesOut()
{
    const CatalogueService service({u"--hang-page"_s, u"1"_s});
    QVERIFY(service.isRunning());

    QNetworkAccessManager network;
    TextFetcher fetcher(network);
    fetcher.setTransferTimeout(300ms);
    QElapsedTimer clock;
    clock.start();
    const Answer answer = fetch(fetcher, service.base() + kFirstPage, u"utf-8"_s);
    QVERIFY(!answer.answered);
    QCOMPARE(answer.reason, u"网络请求超时"_s);
    // Silence from the start: nothing shows that the service is there
    QCOMPARE(answer.kind, FailureKind::Unreachable);
    QVERIFY2(clock.elapsed() >= 250 && clock.elapsed() < scaled(5000),
             qPrintable(QString::number(clock.elapsed())));
}

void TextFetchTest::failureKinds_data()
{
    QTest::addColumn<QStringList>("fault");
    QTest::addColumn<FailureKind>("kind");

    QTest::newRow("cut before any byte")
        << QStringList {u"--refuse-first"_s, u"60"_s} << FailureKind::Unreachable;
    QTest::newRow("larger than the cap")
        << QStringList {u"--endless-page"_s, u"1"_s} << FailureKind::Answered;
    QTest::newRow("trickling past the deadline")
        << QStringList {u"--drip-page"_s, u"1:100"_s} << FailureKind::Answered;
}

void TextFetchTest::failureKinds()
{
    QFETCH(QStringList, fault);
    QFETCH(FailureKind, kind);
    const CatalogueService service(fault);
    QVERIFY(service.isRunning());

    QNetworkAccessManager network;
    TextFetcher fetcher(network);
    fetcher.setDeadline(std::chrono::milliseconds(scaled(1000)));
    const Answer answer = fetch(fetcher, service.base() + kFirstPage, u"utf-8"_s);
    QVERIFY(!answer.answered);
    QCOMPARE(answer.kind, kind);
}

// A request speaks only from the event loop, and an aborted one not at all
void TextFetchTest::answersComeFromTheEventLoop()
{
    const CatalogueService service({u"--hang-page"_s, u"1"_s});
    QVERIFY(service.isRunning());
    QNetworkAccessManager network;
    const TextFetcher fetcher(network);
    QObject owner;

    TextRequest *const invalid = fetcher.fetchText(service.base() + u"/%zz"_s, u"utf-8"_s, &owner);
    QSignalSpy refused(invalid, &TextRequest::failed);
    QVERIFY(refused.isEmpty());
    QVERIFY(refused.wait(scaled(5000)));

    TextRequest *const hanging = fetcher.fetchText(service.base() + kFirstPage, u"utf-8"_s, &owner);
    QSignalSpy answered(hanging, &TextRequest::finished);
    QSignalSpy failed(hanging, &TextRequest::failed);
    QTRY_COMPARE_WITH_TIMEOUT(service.requestTargets().size(), 1, scaled(5000));
    hanging->abort();
    QVERIFY(!fetch(fetcher, service.base() + listPage(2), u"utf-8"_s).text.isEmpty());
    QVERIFY(answered.isEmpty() && failed.isEmpty());
}

QTEST_MAIN(TextFetchTest)
#include "test_textfetch.moc"
