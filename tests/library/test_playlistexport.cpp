// A kept list written as an M3U8 playlist, asking the stand-in for each song's address

#include "library/playlistexport.h"

#include "catalogueservice.h"
#include "links/linkresolver.h"
#include "net/serviceurls.h"
#include "net/textfetcher.h"
#include "timescale.h"

#include <QFile>
#include <QNetworkAccessManager>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QByteArray kCatalogue = R"({"songs": [
    {"id": "1", "title": "晚风", "serial": "S1", "path": "/music/a.wav"},
    {"id": "2", "title": "夜曲", "serial": "S2", "path": "/music/b.wav"},
    {"id": "3", "title": "x", "serial": "S3", "path": "/music/c.wav"}],
    "overrides": [{"act": "getonemusic", "id": "2", "body": "页面不存在"}]})";

} // namespace

class PlaylistExportTest : public QObject {
    Q_OBJECT

private slots:
    void writesWhatOtherPlayersOpen();
    void cancelWritesNothing();

private:
    CatalogueService m_service {{}, kCatalogue};
    ServiceUrls m_urls {m_service.base()};
    QNetworkAccessManager m_network;
    TextFetcher m_fetcher {m_network};
    LinkResolver m_links {m_fetcher, m_urls};
    QTemporaryDir m_dir;
};

// One line per title whatever it holds, the song that failed left out and named, one request
// per song in the list's order
void PlaylistExportTest::writesWhatOtherPlayersOpen()
{
    const QString path = m_dir.filePath(u"收藏.m3u8"_s);
    PlaylistExport playlist(m_links,
                            {{u"晚风            "_s, u"S1"_s, u"1"_s},
                             {u"夜曲"_s, u"S2"_s, u"2"_s},
                             {u"x\n/etc/passwd\r\u2028y"_s, u"S3"_s, u"3"_s}},
                            path);
    QSignalSpy finished(&playlist, &PlaylistExport::finished);
    QSignalSpy progress(&playlist, &PlaylistExport::progress);
    playlist.start();
    QVERIFY(finished.wait(scaled(10000)));
    QCOMPARE(finished.first().first().toStringList(), QStringList {u"夜曲"_s});
    QCOMPARE(progress.count(), 3);

    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString base = m_service.base();
    QCOMPARE(QString::fromUtf8(file.readAll()),
             u"#EXTM3U\n#EXTINF:-1,晚风\n%1/music/a.wav\n"
             "#EXTINF:-1,x /etc/passwd  y\n%1/music/c.wav\n"_s.arg(base));
    QCOMPARE(m_service.requestTargets().filter(u"getonemusic"_s).size(), 3);
}

void PlaylistExportTest::cancelWritesNothing()
{
    const QString path = m_dir.filePath(u"cancelled.m3u8"_s);
    PlaylistExport playlist(m_links, {{u"晚风"_s, u"S1"_s, u"1"_s}}, path);
    QSignalSpy finished(&playlist, &PlaylistExport::finished);
    playlist.start();
    playlist.cancel();
    QVERIFY(!finished.wait(scaled(500)));
    QVERIFY(!QFile::exists(path));
}

QTEST_GUILESS_MAIN(PlaylistExportTest)

#include "test_playlistexport.moc"
