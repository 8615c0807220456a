#include "downloads/downloadfilename.h"
#include "downloads/downloaditemwidget.h"
#include "downloads/downloadmanager.h"
#include "downloads/downloadwebview.h"

#include <QDir>
#include <QFile>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include "localhttpserver.h"

#include <atomic>
#include <chrono>
#include <memory>
#include <set>
#include <thread>

using namespace std::chrono_literals;
using namespace Qt::StringLiterals;

namespace {

// A body that is not all one byte, so that a misplaced chunk shows.
std::string sampleBody(std::size_t size)
{
    std::string body(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        body[i] = char((i * 7 + i / 251) & 0xff);
    return body;
}

const std::string kSong = sampleBody(300 * 1024);

// Routes on a local server:
//   /music/<any>   the sample song, whatever the name
//   /missing/<any> 404 with an error page
//   /broken/<any>  announces 100 KiB, sends 4 KiB, closes the connection
//   /slow/<any>    100 KiB in 4 KiB steps every 50 ms
//   /stall/<any>   announces 100 bytes, sends none
void addRoutes(LocalHttpServer &local)
{
    httplib::Server &server = local.server();
    server.Get(R"(/music/.*)", [](const httplib::Request &, httplib::Response &res) {
        res.set_content(kSong, "audio/wav");
    });
    server.Get(R"(/missing/.*)", [](const httplib::Request &, httplib::Response &res) {
        res.status = 404;
        res.set_content("<html>not here</html>", "text/html");
    });
    server.Get(R"(/broken/.*)", [](const httplib::Request &, httplib::Response &res) {
        res.set_content_provider(100 * 1024, "audio/wav",
                                 [](std::size_t offset, std::size_t, httplib::DataSink &sink) {
                                     if (offset > 0)
                                         return false; // drops the connection
                                     sink.write(kSong.data(), 4096);
                                     return true;
                                 });
    });
    server.Get(R"(/slow/.*)", [&local](const httplib::Request &, httplib::Response &res) {
        res.set_content_provider(
            100 * 1024, "audio/wav",
            [&local](std::size_t offset, std::size_t length, httplib::DataSink &sink) {
                if (local.stopping())
                    return false;
                std::this_thread::sleep_for(50ms);
                return sink.write(kSong.data() + offset, std::min<std::size_t>(length, 4096));
            });
    });
    server.Get(R"(/stall/.*)", [&local](const httplib::Request &, httplib::Response &res) {
        res.set_content_provider(100, "audio/wav",
                                 [&local](std::size_t, std::size_t, httplib::DataSink &) {
                                     while (!local.stopping())
                                         std::this_thread::sleep_for(10ms);
                                     return false;
                                 });
    });
}

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList entries(const QTemporaryDir &dir)
{
    return QDir(dir.path())
        .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

} // namespace

class DownloadTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void nameFromAddress_data();
    void nameFromAddress();
    void longNamesAreCapped_data();
    void longNamesAreCapped();
    void freePathCountsUp();

    void savesBytesUnderDecodedName();
    void failedTransferLeavesNoFile_data();
    void failedTransferLeavesNoFile();
    void unsafeNameStaysInFolder_data();
    void unsafeNameStaysInFolder();
    void existingFileIsKept();
    void otherSchemesAreRefused_data();
    void otherSchemesAreRefused();
    void unwritableFolderFails();
    void cancelLeavesNoFile();
    void destroyingManagerLeavesNoFile();

private:
    std::unique_ptr<LocalHttpServer> m_server;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<DownloadManager> m_manager;
};

void DownloadTest::init()
{
    m_server = std::make_unique<LocalHttpServer>();
    addRoutes(*m_server);
    QVERIFY(m_server->start());
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_manager = std::make_unique<DownloadManager>();
    m_manager->setTargetDirectory(m_dir->path());
}

void DownloadTest::cleanup()
{
    // The client goes first, so the server does not wait on open connections.
    m_manager.reset();
    m_dir.reset();
    m_server.reset();
}

void DownloadTest::nameFromAddress_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("name");

    QTest::newRow("gbk escapes") << u"http://h/music/%CD%ED%B7%E7%20live%5F1.wav"_s
                                 << u"晚风 live_1.wav"_s;
    QTest::newRow("utf-8 escapes") << u"http://h/music/%E6%99%9A%E9%A3%8E.mp3"_s << u"晚风.mp3"_s;
    QTest::newRow("typed hanzi") << u"http://h/music/晚风.mp3"_s << u"晚风.mp3"_s;
    QTest::newRow("query ignored") << u"http://h/a.mp3?x=1/2#b/c"_s << u"a.mp3"_s;
    QTest::newRow("escaped slashes") << u"http://h/..%2F..%2Fetc%2Fpasswd"_s << u"_.._etc_passwd"_s;
    QTest::newRow("escaped backslashes") << u"http://h/%5C..%5Cboot.ini"_s << u"_.._boot.ini"_s;
    QTest::newRow("hidden") << u"http://h/.hidden"_s << u"hidden"_s;
    QTest::newRow("dot dot") << u"http://h/a/%2E%2E"_s << u"download"_s;
    QTest::newRow("blanks and dots") << u"http://h/%20.%20.x%20"_s << u"x"_s;
    QTest::newRow("controls") << u"http://h/a%00b%0A%7Fc%C2%85.wav"_s << u"abc.wav"_s;
    QTest::newRow("bidi override") << u"http://h/song%E2%80%AEvaw.exe"_s << u"songvaw.exe"_s;
    QTest::newRow("trailing slash") << u"http://h/music/"_s << u"download"_s;
    QTest::newRow("no path") << u"http://h"_s << u"download"_s;
}

void DownloadTest::nameFromAddress()
{
    QFETCH(QString, address);
    QFETCH(QString, name);
    QCOMPARE(downloadNameFromUrl(QUrl(address)), name);
}

void DownloadTest::longNamesAreCapped_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("suffix");

    QTest::newRow("ascii") << QString(1000, u'a') + u".wav"_s << u".wav"_s;
    QTest::newRow("hanzi") << QString(300, u'风') + u".mp3"_s << u".mp3"_s;
    QTest::newRow("surrogate pairs") << QString(u"🎵"_s).repeated(200) + u".ogg"_s << u".ogg"_s;
    QTest::newRow("long suffix") << u"a."_s + QString(400, u'b') << QString();
}

void DownloadTest::longNamesAreCapped()
{
    QFETCH(QString, name);
    QFETCH(QString, suffix);

    const QString plain = plainFileName(name);
    QVERIFY(QFile::encodeName(plain).size() <= kMaxDownloadNameBytes);
    QVERIFY(plain.size() > 20);
    QVERIFY(plain.endsWith(suffix));
    QVERIFY2(plain.isValidUtf16(), "a surrogate pair was split");
}

void DownloadTest::freePathCountsUp()
{
    std::set<QString> taken;
    const auto isTaken = [&taken](const QString &path) { return taken.contains(path); };
    const QDir dir(u"/d"_s);

    QCOMPARE(freeFilePath(u"/d"_s, u"a.wav"_s, isTaken), dir.filePath(u"a.wav"_s));
    taken = {dir.filePath(u"a.wav"_s), dir.filePath(u"a (1).wav"_s)};
    QCOMPARE(freeFilePath(u"/d"_s, u"a.wav"_s, isTaken), dir.filePath(u"a (2).wav"_s));
    taken = {dir.filePath(u"Mr. Brown.mp3"_s)};
    QCOMPARE(freeFilePath(u"/d"_s, u"Mr. Brown.mp3"_s, isTaken),
             dir.filePath(u"Mr. Brown (1).mp3"_s));
    taken = {dir.filePath(u"%1 %2"_s)};
    QCOMPARE(freeFilePath(u"/d"_s, u"%1 %2"_s, isTaken), dir.filePath(u"%1 %2 (1)"_s));
}

void DownloadTest::savesBytesUnderDecodedName()
{
    DownloadWebView view;
    view.downloads().setTargetDirectory(m_dir->path());
    QSignalSpy finished(&view.downloads(), &DownloadManager::finished);

    view.Navigate(m_server->url(u"/music/%CD%ED%B7%E7%20live%5F1.wav"_s));
    QVERIFY(view.downloads().window().isVisible());
    QVERIFY(finished.wait(10000));

    const QString expected = QDir(m_dir->path()).filePath(u"晚风 live_1.wav"_s);
    QCOMPARE(finished.at(0).at(0).toString(), expected);
    QVERIFY(finished.at(0).at(1).toBool());
    QCOMPARE(entries(*m_dir), QStringList {u"晚风 live_1.wav"_s});
    QCOMPARE(contents(expected), QByteArray::fromStdString(kSong));

    const QList<DownloadItemWidget *> items = view.downloads().window().items();
    QCOMPARE(items.size(), 1);
    QCOMPARE(items.at(0)->fileName(), u"晚风 live_1.wav"_s);
    QCOMPARE(items.at(0)->statusText(), u"已完成"_s);
}

void DownloadTest::failedTransferLeavesNoFile_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("reason");

    QTest::newRow("404") << u"/missing/a.wav"_s << u"404"_s;
    QTest::newRow("closed mid-body") << u"/broken/a.wav"_s << QString();
    QTest::newRow("stalled") << u"/stall/a.wav"_s << u"超时"_s;
}

void DownloadTest::failedTransferLeavesNoFile()
{
    QFETCH(QString, path);
    QFETCH(QString, reason);

    m_manager->setTransferTimeout(500ms);
    QSignalSpy finished(m_manager.get(), &DownloadManager::finished);
    m_manager->download(m_server->url(path));
    QVERIFY(finished.wait(10000));

    QVERIFY(!finished.at(0).at(1).toBool());
    QVERIFY(finished.at(0).at(2).toString().contains(reason));
    QCOMPARE(entries(*m_dir), QStringList());
    QVERIFY(m_manager->window().items().at(0)->statusText().startsWith(u"失败："_s));
    QCOMPARE(m_manager->runningCount(), 0);
}

void DownloadTest::unsafeNameStaysInFolder_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("name");

    QTest::newRow("escaped slashes") << u"/music/..%2F..%2Fetc%2Fpasswd"_s << u"_.._etc_passwd"_s;
    QTest::newRow("hidden") << u"/music/.hidden"_s << u"hidden"_s;
}

void DownloadTest::unsafeNameStaysInFolder()
{
    QFETCH(QString, path);
    QFETCH(QString, name);

    QSignalSpy finished(m_manager.get(), &DownloadManager::finished);
    m_manager->download(m_server->url(path));
    QVERIFY(finished.wait(10000));

    QVERIFY(finished.at(0).at(1).toBool());
    QCOMPARE(finished.at(0).at(0).toString(), QDir(m_dir->path()).filePath(name));
    QCOMPARE(entries(*m_dir), QStringList {name});
}

void DownloadTest::existingFileIsKept()
{
    const QDir dir(m_dir->path());
    QFile old(dir.filePath(u"song.wav"_s));
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("old");
    old.close();

    // Two at once: the running first one holds its name as well.
    QSignalSpy finished(m_manager.get(), &DownloadManager::finished);
    m_manager->download(m_server->url(u"/music/song.wav"_s));
    m_manager->download(m_server->url(u"/music/song.wav"_s));
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 2, 10000);

    QStringList files = entries(*m_dir);
    files.sort();
    QCOMPARE(files, (QStringList {u"song (1).wav"_s, u"song (2).wav"_s, u"song.wav"_s}));
    QCOMPARE(contents(dir.filePath(u"song.wav"_s)), QByteArray("old"));
    QCOMPARE(contents(dir.filePath(u"song (1).wav"_s)), QByteArray::fromStdString(kSong));
    QCOMPARE(contents(dir.filePath(u"song (2).wav"_s)), QByteArray::fromStdString(kSong));
}

void DownloadTest::otherSchemesAreRefused_data()
{
    QTest::addColumn<QString>("address");

    QTest::newRow("file") << u"file:///etc/passwd"_s;
    QTest::newRow("ftp") << u"ftp://127.0.0.1/a.wav"_s;
    QTest::newRow("javascript") << u"javascript:alert(1)"_s;
    QTest::newRow("relative") << u"/music/a.wav"_s;
    QTest::newRow("empty") << QString();
}

void DownloadTest::otherSchemesAreRefused()
{
    QFETCH(QString, address);

    QSignalSpy finished(m_manager.get(), &DownloadManager::finished);
    m_manager->download(address);

    QCOMPARE(finished.size(), 1);
    QVERIFY(!finished.at(0).at(1).toBool());
    QCOMPARE(finished.at(0).at(0).toString(), QString());
    QCOMPARE(entries(*m_dir), QStringList());
    QVERIFY(m_manager->window().isVisible());
    QVERIFY(m_manager->window().items().at(0)->statusText().startsWith(u"失败："_s));
}

void DownloadTest::unwritableFolderFails()
{
    m_manager->setTargetDirectory(QDir(m_dir->path()).filePath(u"gone"_s));
    QSignalSpy finished(m_manager.get(), &DownloadManager::finished);
    m_manager->download(m_server->url(u"/music/a.wav"_s));

    QCOMPARE(finished.size(), 1);
    QVERIFY(!finished.at(0).at(1).toBool());
    QCOMPARE(m_manager->runningCount(), 0);
    QCOMPARE(entries(*m_dir), QStringList());
}

void DownloadTest::cancelLeavesNoFile()
{
    QSignalSpy finished(m_manager.get(), &DownloadManager::finished);
    m_manager->download(m_server->url(u"/slow/a.wav"_s));
    DownloadItemWidget *item = m_manager->window().items().at(0);
    QTRY_VERIFY(item->findChild<QProgressBar *>(u"progress"_s)->value() > 0);

    QTest::mouseClick(item->findChild<QPushButton *>(u"cancel"_s), Qt::LeftButton);
    QTRY_COMPARE(finished.size(), 1);

    QVERIFY(!finished.at(0).at(1).toBool());
    QCOMPARE(item->statusText(), u"已取消"_s);
    QCOMPARE(entries(*m_dir), QStringList());
}

void DownloadTest::destroyingManagerLeavesNoFile()
{
    m_manager->download(m_server->url(u"/slow/a.wav"_s));
    const QProgressBar *progress
        = m_manager->window().items().at(0)->findChild<QProgressBar *>(u"progress"_s);
    QTRY_VERIFY(progress->value() > 0);

    m_manager.reset();
    QCOMPARE(entries(*m_dir), QStringList());
    // Nothing of the destroyed transfer may run later.
    QTest::qWait(200);
    QCOMPARE(entries(*m_dir), QStringList());
}

QTEST_MAIN(DownloadTest)
#include "test_download.moc"
