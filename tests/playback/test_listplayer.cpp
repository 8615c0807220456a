// The list player on its own, against the stand-in service: the player is a fake, so that the order
// of play and the pauses between tries show without a window.

#include "playback/listplayer.h"
#include "playback/playorder.h"
#include "songhandlerrig.h"
#include "timescale.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

const QString kPad(12, u' ');

// Songs "1" to `count`; the address of every song from `firstUnusable` on is an answer that
// cannot be used, given at once
QByteArray catalogue(int count, int firstUnusable)
{
    QByteArray json = R"({"background": ["1"], "songs": [)";
    for (int k = 1; k <= count; ++k)
        json += uR"(%1{"id": "%2", "title": "歌%2", "serial": "S%2", "path": "/music/s_%2.wav"})"_s
                    .arg(k == 1 ? u""_s : u","_s)
                    .arg(k)
                    .toUtf8();
    json += R"(], "overrides": [)";
    for (int k = firstUnusable; k <= count; ++k)
        json += uR"(%1{"act": "getonemusic", "id": "%2", "body": "页面不存在"})"_s
                    .arg(k == firstUnusable ? u""_s : u","_s)
                    .arg(k)
                    .toUtf8();
    return json + "]}";
}

struct Rig : SongHandlerRig {
    explicit Rig(int rows, int firstUnusable = 1000)
        : SongHandlerRig(catalogue(rows, firstUnusable))
    {
        QList<SongRow> page;
        for (int k = 1; k <= rows; ++k)
            page.append(
                {u"歌%1"_s.arg(k) + kPad, u"S%1"_s.arg(k) + kPad, QString::number(k) + kPad});
        addRows(page);
    }

    QString link(int k) const
    {
        return service.base() + u"/music/s%5F"_s + QString::number(k) + u".wav"_s;
    }
    // The identifiers asked for, in order
    QStringList asked() const
    {
        QStringList ids;
        for (const QString &target : service.requestTargets())
            ids.append(target.section(u"id="_s, 1).trimmed().remove(u"%20"_s));
        return ids;
    }

    // The 1-based row that plays, 0 for none
    int playMark() const { return list.playMark() + 1; }
    bool failed(int row) const { return !list.errorReason(row - 1).isEmpty(); }

    ListPlayer player {handlers, list, media};
};

} // namespace

class ListPlayerTest : public QObject {
    Q_OBJECT

private slots:
    void nextAndPrevious();
    void desktopStopStaysStopped();
    void announcesRowsThatBeginToPlay();
    void failingAddressesAreTriedOncePerPause();
    void userCancelsTheSkip();
};

void ListPlayerTest::nextAndPrevious()
{
    Rig rig(3);
    QVERIFY(rig.service.isRunning());
    // Nothing from the list plays: next is row 1, and each goes on from the row that plays
    for (const int row : {1, 2, 3, 1}) {
        rig.player.playNext();
        QTRY_VERIFY(!rig.handlers.hasPendingChoice());
        QCOMPARE(rig.media.url(), rig.link(row));
        QCOMPARE(rig.playMark(), row);
        QCOMPARE(rig.handlers.playIndex(), row);
        QCOMPARE(rig.titleBox, u"歌%1"_s.arg(row) + kPad);
        // Every box shows the song that plays, the raw link too
        QCOMPARE(rig.rawLinkBox, rig.service.base() + u"/music/s_%1.wav"_s.arg(row));
    }
    // As a double-click: three requests each
    QCOMPARE(rig.asked().size(), 12);
    QCOMPARE(rig.asked().mid(9), QStringList(3, u"1"_s));

    // Some of the song has played: previous starts it over, asking nothing
    rig.media.at = PlayOrder::kRestartAfterMs + 500;
    rig.player.playPrevious();
    QCOMPARE(rig.media.at, 0);
    QCOMPARE(rig.playMark(), 1);
    QCOMPARE(rig.asked().size(), 12);
    for (const int row : {3, 2}) {
        rig.player.playPrevious();
        QTRY_COMPARE(rig.media.url(), rig.link(row));
        QCOMPARE(rig.handlers.playIndex(), row);
    }
}

void ListPlayerTest::desktopStopStaysStopped()
{
    Rig rig(2);
    // Nothing plays: nothing to stop, and later stops go on from the list as before
    rig.media.state = PlayState::Ready;
    rig.player.stopPlayback();
    QVERIFY(!rig.player.stoppedForGood());
    QCOMPARE(rig.media.stops, 0);

    rig.media.state = PlayState::Playing;
    rig.player.stopPlayback();
    QCOMPARE(rig.media.stops, 1);
    QCOMPARE(rig.media.position(), 0);
    rig.player.playStateChanged(rig.media.state);
    QVERIFY(rig.player.stoppedForGood());
    // Until something plays again
    rig.media.state = PlayState::Buffering;
    rig.player.playStateChanged(rig.media.state);
    QVERIFY(!rig.player.stoppedForGood());
}

void ListPlayerTest::announcesRowsThatBeginToPlay()
{
    Rig rig(3);
    const QSignalSpy started(&rig.player, &ListPlayer::songStarted);
    rig.player.playNext();
    QTRY_VERIFY(!rig.media.assigned.isEmpty());
    rig.media.state = PlayState::Playing;
    rig.player.playStateChanged(rig.media.state);
    // Once, without the list's padding; a pause and a resume are no new start
    rig.media.state = PlayState::Paused;
    rig.player.playStateChanged(rig.media.state);
    rig.media.state = PlayState::Playing;
    rig.player.playStateChanged(rig.media.state);
    QCOMPARE(started.size(), 1);
    QCOMPARE(started.first().first().toString(), u"歌1"_s);

    // A song the list did not hand over, like the background track, is no row's
    rig.media.setUrl(rig.link(2));
    rig.player.playStateChanged(rig.media.state);
    QCOMPARE(started.size(), 1);
}

// Every address fails at once: the next row is still tried only after the pause, and after
// five songs in a row trying stops
void ListPlayerTest::failingAddressesAreTriedOncePerPause()
{
    Rig rig(10, 3);
    QVERIFY(rig.service.isRunning());
    rig.player.rowLoaded(2);
    rig.media.failed = u"无法播放该媒体"_s;
    rig.media.state = PlayState::Ready;

    QList<qint64> tries;
    QElapsedTimer clock;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        while (tries.size() < rig.asked().size())
            tries.append(clock.elapsed());
    });
    clock.start();
    watch.start(5);
    const QSignalSpy gaveUp(&rig.player, &ListPlayer::gaveUp);
    rig.player.mediaFailed();
    const auto bound = scaled(5 * int(PlayOrder::kSkipDelay.count()) + 10000);
    QTRY_COMPARE_WITH_TIMEOUT(gaveUp.size(), 1, bound);
    QCOMPARE(gaveUp.first().at(0).toInt(), 5);
    QCOMPARE(gaveUp.first().at(1).toString(), u"歌曲地址无效：服务返回的不是站内路径"_s);

    QCOMPARE(rig.asked(), (QStringList {u"3"_s, u"4"_s, u"5"_s, u"6"_s}));
    qint64 previous = 0;
    for (const qint64 at : std::as_const(tries)) {
        // The timer's own slack is a few milliseconds either way
        QVERIFY2(at - previous >= PlayOrder::kSkipDelay.count() - 20,
                 qPrintable(QString::number(at - previous)));
        previous = at;
    }
    qInfo("%lld tries in %lld ms: %.2f requests a second", qint64(tries.size()), clock.elapsed(),
          tries.size() * 1000.0 / clock.elapsed());
    for (int row = 2; row <= 6; ++row)
        QVERIFY(rig.failed(row));
    QVERIFY(!rig.player.skipPending());
    // No link could be had: the player was given none
    QVERIFY(rig.media.assigned.isEmpty());
}

void ListPlayerTest::userCancelsTheSkip()
{
    Rig rig(3);
    rig.player.rowLoaded(1);
    rig.media.failed = u"无法播放该媒体"_s;
    rig.player.mediaFailed();
    QVERIFY(rig.player.skipPending());
    QCOMPARE(rig.list.errorReason(0), u"无法播放该媒体"_s);

    rig.handlers.songClicked(3);
    QVERIFY(!rig.player.skipPending());

    // So does the song started again with the player's own button
    rig.player.mediaFailed();
    QVERIFY(rig.player.skipPending());
    rig.media.state = PlayState::Buffering;
    rig.player.playStateChanged(rig.media.state);
    QVERIFY(!rig.player.skipPending());
}

QTEST_GUILESS_MAIN(ListPlayerTest)
#include "test_listplayer.moc"
