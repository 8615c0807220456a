#include "common/failure.h"
#include "links/backgroundlist.h"
#include "playback/playorder.h"
#include "requesttrigger.h"
#include "songhandlerrig.h"
#include "timescale.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

const QString kPad(12, u' ');
const QString kPaddedQuery = u"%20%20%20%20%20%20%20%20%20%20%20%20"_s;

// Song k has the identifier "k" and a path that must be escaped in code page 936
QByteArray catalogue(int songs)
{
    QByteArray json = R"({"perPage": 20, "background": ["2"], "songs": [)";
    for (int k = 1; k <= songs; ++k) {
        json += uR"(%1{"id": "%2", "title": "晚风%2", "serial": "QP-%2", )"
                R"("path": "/music/晚风 现场_%2.wav"})"_s.arg(k == 1 ? "" : ",")
                    .arg(k)
                    .toUtf8();
    }
    // Song 2's address takes a while, so that other handlers can run inside the wait
    json += uR"(], "overrides": [{"act": "getonemusic", "id": "2", "delayMs": %1}]})"_s
                .arg(scaled(700))
                .toUtf8();
    return json;
}

QString encodedLink(const QString &base, int k)
{
    return base + u"/music/%CD%ED%B7%E7%20%CF%D6%B3%A1%5F%1.wav"_s.arg(k);
}

QString rawLink(const QString &base, int k)
{
    return base + u"/music/晚风 现场_%1.wav"_s.arg(k);
}

QString addressRequest(int k)
{
    return u"/data/?act=getonemusic&id=%1"_s.arg(k) + kPaddedQuery;
}

// What a lookup came to: its link, or "failed" when it gave none in time
QString outcome(LinkLookup *lookup)
{
    QString result = u"failed"_s;
    bool ended = false;
    QObject::connect(lookup, &LinkLookup::resolved, [&](const QString &link) {
        result = link;
        ended = true;
    });
    QObject::connect(lookup, &LinkLookup::failed, [&] { ended = true; });
    return QTest::qWaitFor([&] { return ended; }, scaled(10000)) ? result : u"no answer"_s;
}

struct Songs : SongHandlerRig {
    explicit Songs(int rows) : SongHandlerRig(catalogue(rows))
    {
        QList<SongRow> page;
        for (int k = 1; k <= rows; ++k)
            page.append(
                {u"晚风%1"_s.arg(k) + kPad, u"QP-%1"_s.arg(k) + kPad, QString::number(k) + kPad});
        addRows(page);
    }

    QString base() const { return service.base(); }

    // The order of the default mode
    PlayOrder order;
};

} // namespace

class SongHandlersTest : public QObject {
    Q_OBJECT

private slots:
    void clickShowsSongAndLinks();
    void doubleClickPlays();
    void playMenuLeavesRawLink();
    void downloads();
    void continuePlayback_data();
    void continuePlayback();
    void emptyListDoesNothing();
    void staleHandlerStopsWriting();
    void foreignHostIsRefused();
    void backgroundTrack();
    void backgroundCut_data();
    void backgroundCut();
};

void SongHandlersTest::clickShowsSongAndLinks()
{
    Songs songs(3);
    QVERIFY(songs.service.isRunning());
    songs.handlers.songClicked(3);

    QTRY_COMPARE(songs.rawLinkBox, rawLink(songs.base(), 3));
    QCOMPARE(songs.titleBox, u"晚风3"_s + kPad);
    QCOMPARE(songs.serialBox, u"QP-3"_s + kPad);
    QCOMPARE(songs.songIdBox, u"3"_s + kPad);
    QCOMPARE(songs.linkBox, encodedLink(songs.base(), 3));
    QCOMPARE(songs.service.requestTargets(), (QStringList {addressRequest(3), addressRequest(3)}));
    QVERIFY(songs.media.assigned.isEmpty());
    QCOMPARE(songs.handlers.playIndex(), 1);
}

void SongHandlersTest::doubleClickPlays()
{
    Songs songs(3);
    songs.handlers.songActivated(3);

    QCOMPARE(songs.handlers.playIndex(), 3);
    QTRY_COMPARE(songs.rawLinkBox, rawLink(songs.base(), 3));
    QCOMPARE(songs.media.assigned, QStringList {encodedLink(songs.base(), 3)});
    QCOMPARE(songs.linkBox, encodedLink(songs.base(), 3));
    QCOMPARE(songs.songIdBox, u"3"_s + kPad);
    QCOMPARE(songs.service.requestTargets().size(), 3);
}

void SongHandlersTest::playMenuLeavesRawLink()
{
    Songs songs(3);
    songs.rawLinkBox = u"earlier"_s;
    songs.handlers.playTriggered(1);

    QTRY_COMPARE(songs.linkBox, encodedLink(songs.base(), 1));
    QVERIFY(!songs.handlers.hasPendingChoice());
    QCOMPARE(songs.handlers.playIndex(), 1);
    QCOMPARE(songs.media.assigned, QStringList {encodedLink(songs.base(), 1)});
    QCOMPARE(songs.titleBox, u"晚风1"_s + kPad);
    QCOMPARE(songs.rawLinkBox, u"earlier"_s);
    QCOMPARE(songs.service.requestTargets().size(), 2);
}

void SongHandlersTest::downloads()
{
    Songs songs(3);
    // The button with nothing shown does nothing
    songs.handlers.downloadClicked(QString());
    QVERIFY(songs.downloads.isEmpty());

    // The popup item fetches the chosen song's link and changes no box
    QSignalSpy shown(&songs.handlers, &SongHandlers::linkShown);
    songs.handlers.downloadTriggered(1);
    QTRY_COMPARE(songs.downloads, QStringList {encodedLink(songs.base(), 1)});
    QVERIFY(shown.isEmpty());
    QCOMPARE(songs.service.requestTargets().size(), 1);

    // The button opens exactly what the link box shows, without asking the service
    songs.handlers.downloadClicked(u"http://127.0.0.1:1/shown.wav"_s);
    QCOMPARE(songs.downloads.last(), u"http://127.0.0.1:1/shown.wav"_s);
    QCOMPARE(songs.service.requestTargets().size(), 1);
}

void SongHandlersTest::continuePlayback_data()
{
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("playIndex");
    QTest::addColumn<int>("next");

    QTest::newRow("middle row plays again") << 4 << 3 << 3;
    QTest::newRow("last row goes on with the first") << 4 << 4 << 1;
    QTest::newRow("first row plays again") << 4 << 1 << 1;
    QTest::newRow("one row") << 1 << 1 << 1;
    QTest::newRow("index beyond a shorter list") << 3 << 9 << 1;
}

void SongHandlersTest::continuePlayback()
{
    QFETCH(int, rows);
    QFETCH(int, playIndex);
    QFETCH(int, next);
    Songs songs(rows);
    songs.handlers.setPlayIndex(playIndex);

    // Only a stop counts, once: the change before it may be reported once the song has ended
    songs.media.state = PlayState::Stopped;
    songs.handlers.playerStateChanged(PlayState::Playing, songs.order);
    QVERIFY(songs.service.requestTargets().isEmpty());

    songs.handlers.playerStateChanged(PlayState::Stopped, songs.order);
    QCOMPARE(songs.handlers.playIndex(), next);
    QTRY_COMPARE(songs.media.assigned, QStringList {encodedLink(songs.base(), next)});
    // The boxes are left alone
    QVERIFY(songs.linkBox.isEmpty());
}

void SongHandlersTest::emptyListDoesNothing()
{
    Songs songs(1);
    songs.list.clear();
    songs.media.state = PlayState::Stopped;
    songs.handlers.songClicked(1);
    songs.handlers.songActivated(1);
    songs.handlers.playerStateChanged(PlayState::Stopped, songs.order);
    QVERIFY(songs.media.assigned.isEmpty());
    QVERIFY(songs.service.requestTargets().isEmpty());
}

void SongHandlersTest::staleHandlerStopsWriting()
{
    Songs songs(3);
    // Row 2's link is slow; while it is on its way the user clicks row 3
    const RequestTrigger click(songs.service, addressRequest(2),
                               [&] { songs.handlers.songClicked(3); });
    songs.handlers.songActivated(2);

    // Row 3 is shown with its own links; row 2 is neither shown nor played, and its late
    // answer was never waited for
    QTRY_COMPARE(songs.rawLinkBox, rawLink(songs.base(), 3));
    QCOMPARE(songs.titleBox, u"晚风3"_s + kPad);
    QCOMPARE(songs.linkBox, encodedLink(songs.base(), 3));
    QVERIFY(songs.media.assigned.isEmpty());
    // Still, the double-click remembered the row it was made on
    QCOMPARE(songs.handlers.playIndex(), 2);
}

void SongHandlersTest::foreignHostIsRefused()
{
    for (const QByteArray &answer :
         {QByteArray("@evil.example/x.wav"), QByteArray(".evil.example/x.wav")}) {
        QTemporaryDir dir;
        const QString file = dir.filePath(u"c.json"_s);
        QFile out(file);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(R"({"songs": [{"id": "1", "title": "a", "serial": "b", "path": "/a.wav"}],
                     "overrides": [{"act": "getonemusic", "body": ")"
                  + answer + R"("}]})");
        out.close();
        CatalogueService evil({u"--catalogue"_s, file});
        QNetworkAccessManager network;
        TextFetcher fetcher(network);
        ServiceUrls evilUrls(evil.base());
        LinkResolver evilLinks(fetcher, evilUrls);
        QObject owner;
        QCOMPARE(outcome(evilLinks.resolveSongLink(u"1"_s + kPad, &owner)), u"failed"_s);
        QCOMPARE(outcome(evilLinks.resolveSongLinkRaw(u"1"_s + kPad, &owner)), u"failed"_s);
    }
}

void SongHandlersTest::backgroundTrack()
{
    Songs songs(3);
    QCOMPARE(outcome(songs.links.fetchBackgroundTrack(&songs.handlers)),
             encodedLink(songs.base(), 2));
    QCOMPARE(songs.service.requestTargets(),
             (QStringList {u"/data/?act=getbglist"_s, u"/data/?act=getonemusic&id=2"_s}));
}

void SongHandlersTest::backgroundCut_data()
{
    QTest::addColumn<QString>("body");
    QTest::addColumn<QString>("id");

    QTest::newRow("plain") << u"[{id:735}]"_s << u"735"_s;
    QTest::newRow("quotes anywhere") << u"[{\"id\":\"7\"3\"5\"}]"_s << u"735"_s;
    QTest::newRow("cut stops at the brace") << u"[{id:735,title:x}]"_s << u"735,title:x"_s;
    QTest::newRow("first record only") << u"[{id:1},{id:2}]"_s << u"1"_s;
    QTest::newRow("end of a longer key") << u"[{sid:9,id:1}]"_s << u"9,id:1"_s;
    QTest::newRow("case matters") << u"[{ID:5,x:1,id:6}]"_s << u"6"_s;
    QTest::newRow("no id") << u"[{title:x}]"_s << QString();
    QTest::newRow("no brace after id") << u"[{id:5"_s << QString();
    QTest::newRow("empty") << QString() << QString();
}

void SongHandlersTest::backgroundCut()
{
    QFETCH(QString, body);
    QFETCH(QString, id);
    if (id.isNull())
        QVERIFY_THROWS_EXCEPTION(Failure, cutBackgroundId(body));
    else
        QCOMPARE(cutBackgroundId(body), id);
}

QTEST_GUILESS_MAIN(SongHandlersTest)
#include "test_songhandlers.moc"
