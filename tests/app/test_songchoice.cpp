// What the five boxes show always belongs to one song, whatever answers late or not at all,
// driven through the window against the stand-in service.

#include "catalogueservice.h"
#include "requesttrigger.h"
#include "testwindow.h"
#include "timescale.h"

#include "downloads/downloadmanager.h"
#include "player/audioplayer.h"
#include "songlist/songlistmodel.h"
#include "widgets/reportlistview.h"

#include <QAction>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <chrono>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace {

const QString kPad(12, u' ');
// Songs that outlast every stretched wait, so that no song ends and goes on from the list inside
// a check that counts requests
const QStringList kLongSongs {u"--media-seconds"_s, u"120"_s};

// Songs "1" to `count` on one page, with `background` as the background track
QByteArray catalogue(int count, const QJsonArray &overrides, int background)
{
    QJsonArray songs;
    for (int k = 1; k <= count; ++k)
        songs.append(QJsonObject {{u"id"_s, QString::number(k)},
                                  {u"title"_s, u"歌%1"_s.arg(k)},
                                  {u"serial"_s, u"S%1"_s.arg(k)},
                                  {u"path"_s, u"/music/song_%1.wav"_s.arg(k)}});
    const QJsonObject root {{u"songs"_s, songs},
                            {u"background"_s, QJsonArray {QString::number(background)}},
                            {u"overrides"_s, overrides}};
    return QJsonDocument(root).toJson(QJsonDocument::Compact);
}

QJsonObject slowAddress(int id, int delayMs)
{
    return {{u"act"_s, u"getonemusic"_s}, {u"id"_s, QString::number(id)}, {u"delayMs"_s, delayMs}};
}

// The encoded link, which is played and shown in linkBox
QString link(const CatalogueService &service, int id)
{
    return service.base() + u"/music/song%5F"_s + QString::number(id) + u".wav"_s;
}

QString rawLink(const CatalogueService &service, int id)
{
    return service.base() + u"/music/song_"_s + QString::number(id) + u".wav"_s;
}

// The address requests, by song, in the order they were sent
QStringList addressRequests(const CatalogueService &service)
{
    QStringList ids;
    const QString marker = u"act=getonemusic&id="_s;
    for (const QString &target : service.requestTargets()) {
        if (const qsizetype at = target.indexOf(marker); at >= 0)
            ids.append(
                QUrl::fromPercentEncoding(target.mid(at + marker.size()).toUtf8()).trimmed());
    }
    return ids;
}

struct Boxes {
    QString titleBox, serialBox, songIdBox, linkBox, rawLinkBox;
    bool operator==(const Boxes &) const = default;
};

Boxes boxes(const TestWindow &window)
{
    return {window.box(u"titleBox"_s)->text(), window.box(u"serialBox"_s)->text(),
            window.box(u"songIdBox"_s)->text(), window.box(u"linkBox"_s)->text(),
            window.box(u"rawLinkBox"_s)->text()};
}

Boxes song(const CatalogueService &service, int id, bool links = true)
{
    const QString k = QString::number(id);
    return {u"歌"_s + k + kPad, u"S"_s + k + kPad, k + kPad, links ? link(service, id) : QString(),
            links ? rawLink(service, id) : QString()};
}

} // namespace

namespace QTest {
template<> char *toString(const Boxes &b)
{
    return toString(
        QStringList {b.titleBox, b.serialBox, b.songIdBox, b.linkBox, b.rawLinkBox}.join(u" | "_s));
}
} // namespace QTest

class SongChoiceTest : public QObject {
    Q_OBJECT

private slots:
    void failedLinkEmptiesTheLinkBoxes_data();
    void failedLinkEmptiesTheLinkBoxes();
    void userChoiceWinsOverGoingOn();
    void doubleClickIsFiveRequests();
    void clickBelowTheRowsKeepsTheSelection();
};

void SongChoiceTest::failedLinkEmptiesTheLinkBoxes_data()
{
    QTest::addColumn<QJsonObject>("fault");
    QTest::newRow("error page") << QJsonObject {{u"act"_s, u"getonemusic"_s},
                                                {u"id"_s, u"2"_s},
                                                {u"status"_s, 500},
                                                {u"body"_s, u"<html>出错了</html>"_s}};
    QTest::newRow("address on another host")
        << QJsonObject {{u"act"_s, u"getonemusic"_s}, {u"id"_s, u"2"_s}, {u"body"_s, u"@evil/x"_s}};
    QTest::newRow("no answer in time")
        << QJsonObject {{u"act"_s, u"getonemusic"_s}, {u"id"_s, u"2"_s}, {u"hang"_s, true}};
}

void SongChoiceTest::failedLinkEmptiesTheLinkBoxes()
{
    QFETCH(QJsonObject, fault);
    CatalogueService service(kLongSongs, catalogue(3, {fault}, 3));
    QVERIFY(service.isRunning());
    TestWindow window(service.base(), scaled(1000ms));
    QVERIFY(window.load());
    QVERIFY(window.show());

    window.clickRow(1);
    QCOMPARE(boxes(window), song(service, 1));
    window.clickRow(2);

    // Song two's fields, and no link of song one's beside them
    QCOMPARE(boxes(window), song(service, 2, false));
    QVERIFY2(window.panel(1).startsWith(u"获取歌曲链接失败："_s), qPrintable(window.panel(1)));
    QCOMPARE(addressRequests(service), (QStringList {u"3"_s, u"1"_s, u"1"_s, u"2"_s}));
    // "下载" has nothing to fetch now
    QTest::mouseClick(window.button(u"downloadButton"_s), Qt::LeftButton);
    QVERIFY(window.app().downloads().ids().isEmpty());
}

void SongChoiceTest::userChoiceWinsOverGoingOn()
{
    // Two rows: row 2 is the last, so going on from the list folds back to row 1. The
    // background track is row 1's song, long enough to be still playing when it is stopped.
    CatalogueService service({u"--media-seconds"_s, u"30"_s},
                             catalogue(2, {slowAddress(2, scaled(1500))}, 1));
    QVERIFY(service.isRunning());
    TestWindow window(service.base(), scaled(30000ms));
    QVERIFY(window.load());
    QVERIFY(window.show());
    AudioPlayer *const player = window.player();
    QTRY_VERIFY_WITH_TIMEOUT(player->playState() == PlayState::Playing, scaled(30000));

    // "播放" on row 2; while its link is on its way the background track is stopped, and the
    // player goes on from the list inside that wait
    window.list()->selectRow(1);
    const RequestTrigger stop(service, u"id=2"_s, [player] { player->stop(); });
    window.child<QAction>(u"playAction"_s)->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(stop.fired(), scaled(5000));
    QVERIFY(window.waitForSongChoice());

    QCOMPARE(player->url(), link(service, 2));
    QCOMPARE(window.app().playIndex(), 2);
    QCOMPARE(boxes(window),
             (Boxes {song(service, 2).titleBox, song(service, 2).serialBox,
                     song(service, 2).songIdBox, link(service, 2), QString()}));
    QCOMPARE(addressRequests(service), (QStringList {u"1"_s, u"2"_s, u"1"_s, u"2"_s}));
}

void SongChoiceTest::doubleClickIsFiveRequests()
{
    CatalogueService service(kLongSongs, catalogue(3, {slowAddress(1, scaled(300))}, 3));
    QVERIFY(service.isRunning());
    TestWindow window(service.base());
    QVERIFY(window.load());
    QVERIFY(window.show());

    window.doubleClickRow(1);
    // The click's two requests and the double-click's three; the release that ends the
    // double-click arrives during its wait and is no click of its own
    QCOMPARE(addressRequests(service),
             (QStringList {u"3"_s, u"1"_s, u"1"_s, u"1"_s, u"1"_s, u"1"_s}));
    QCOMPARE(boxes(window), song(service, 1));
    QCOMPARE(window.app().playIndex(), 1);
}

void SongChoiceTest::clickBelowTheRowsKeepsTheSelection()
{
    CatalogueService service(kLongSongs, catalogue(3, {}, 3));
    QVERIFY(service.isRunning());
    TestWindow window(service.base());
    QVERIFY(window.load());
    QVERIFY(window.show());
    ReportListView *const list = window.list();

    window.clickRow(2);
    const QRect lastRow = list->visualRect(list->listModel().index(2, 0));
    const QPoint below(lastRow.left() + 5, lastRow.bottom() + 20);
    QVERIFY(!list->indexAt(below).isValid());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, below);
    QVERIFY(window.waitForSongChoice());

    // The click in the list still shows the selected song
    QCOMPARE(window.list()->selectedRow(), 1);
    QCOMPARE(boxes(window), song(service, 2));
    QCOMPARE(addressRequests(service), (QStringList {u"3"_s, u"2"_s, u"2"_s, u"2"_s, u"2"_s}));
}

QTEST_MAIN(SongChoiceTest)
#include "test_songchoice.moc"
