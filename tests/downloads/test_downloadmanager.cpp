// The download manager on its own, without a window, against local servers: files, transfers,
// waits for the service and the items it keeps across runs.

#include "downloads/downloadfilename.h"
#include "downloads/downloadmanager.h"

#include <QDir>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include "catalogueservice.h"
#include "filehelpers.h"
#include "localhttpserver.h"
#include "standalonedownloads.h"
#include "timescale.h"

#include <chrono>
#include <memory>
#include <mutex>
#include <thread>

using namespace std::chrono_literals;
using namespace Qt::StringLiterals;

namespace {

using FileHelpers::contents;
using FileHelpers::entries;
using FileHelpers::writeFile;

// A body that is not all one byte, so that a misplaced chunk shows.
std::string sampleBody(std::size_t size)
{
    std::string body(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        body[i] = char((i * 7 + i / 251) & 0xff);
    return body;
}

const std::string kSong = sampleBody(300 * 1024);
const QByteArray kSongBytes = QByteArray::fromStdString(kSong);

// A song of the stand-in's demo catalogue
const QString kDemoSong = u"/music/%E6%98%9F%E7%A9%BA%20%E7%8E%B0%E5%9C%BA_10003.wav"_s;

QByteArray fetch(const QString &url)
{
    QNetworkAccessManager network;
    const std::unique_ptr<QNetworkReply> reply(network.get(QNetworkRequest(QUrl(url))));
    QSignalSpy done(reply.get(), &QNetworkReply::finished);
    return done.wait(scaled(10000)) ? reply->readAll() : QByteArray();
}

using State = DownloadManager::State;
using Retry = DownloadManager::Retry;

// A wait for the service lasts about a tenth of a second in all: 2, 4, 8, 16, 30 units
RetrySchedule shortPauses()
{
    return RetrySchedule(scaled(10ms));
}

// Probes that never come within a test: only the user ends the wait
RetrySchedule endlessPauses()
{
    return RetrySchedule(1h);
}

// Remembers a download as the last run would have left it unfinished
void rememberUnfinished(const QString &url, const QString &path, const QByteArray &validator = {})
{
    QSettings settings;
    settings.beginWriteArray("downloads/unfinished"_L1);
    settings.setArrayIndex(0);
    settings.setValue("url"_L1, url);
    settings.setValue("path"_L1, path);
    settings.setValue("validator"_L1, validator);
    settings.endArray();
}

// The song's bytes changed, as a file replaced on the server
const QByteArray kChangedSongBytes = QByteArray(kSongBytes).replace('\x07', '\x08');
constexpr std::size_t kSlice = 100000;

// Answers with `body` as it is, whatever range the request asked for: chunked, so that the
// library does not cut the body itself. From 0.18 on the library also checks the range against
// the body's length, which a chunked body has not, and would answer 416: it is told that no
// range was asked (the server's own request object, so the cast is sound).
void sendAsIs(const httplib::Request &req, httplib::Response &res, int status,
              const std::string &body, const std::string &contentRange = {})
{
    const_cast<httplib::Request &>(req).ranges.clear();
    res.status = status;
    if (!contentRange.empty())
        res.set_header("Content-Range", contentRange);
    res.set_chunked_content_provider("audio/wav",
                                     [body](std::size_t offset, httplib::DataSink &sink) {
                                         if (offset < body.size())
                                             sink.write(body.data() + offset, body.size() - offset);
                                         else
                                             sink.done();
                                         return true;
                                     });
}

std::string byteRange(std::size_t first, std::size_t end, std::size_t total)
{
    return "bytes " + std::to_string(first) + '-' + std::to_string(end - 1) + '/'
        + std::to_string(total);
}

// The sample song (or its changed version) answered in one of the ways a server may:
//   slices    ETag "v1"; a range is answered with at most kSlice bytes
//   changed   ETag "v2" and the changed song; If-Range with another tag gets the whole of it
//   complete  a range from the end is answered 416 with the size
void answerRanged(const std::string &mode, const httplib::Request &req, httplib::Response &res)
{
    const bool changed = mode == "changed";
    const std::string body = changed ? kChangedSongBytes.toStdString() : kSong;
    res.set_header("ETag", changed ? "\"v2\"" : "\"v1\"");
    const std::string range = req.get_header_value("Range");
    const std::string ifRange = req.get_header_value("If-Range");
    if (range.rfind("bytes=", 0) != 0 || (changed && !ifRange.empty() && ifRange != "\"v2\"")) {
        sendAsIs(req, res, 200, body);
        return;
    }
    const std::size_t first = std::stoul(range.substr(6));
    if (first >= body.size()) {
        sendAsIs(req, res, 416, {}, "bytes */" + std::to_string(body.size()));
        return;
    }
    const std::size_t end = mode == "slices" ? std::min(first + kSlice, body.size()) : body.size();
    sendAsIs(req, res, 206, body.substr(first, end - first), byteRange(first, end, body.size()));
}

} // namespace

class DownloadManagerTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void savesBytesUnderDecodedName();
    void failedTransferKeepsOnlyPartialData_data();
    void failedTransferKeepsOnlyPartialData();
    void unsafeNameStaysInFolder_data();
    void unsafeNameStaysInFolder();
    void existingFileIsKept();
    void otherSchemesAreRefused_data();
    void otherSchemesAreRefused();
    void unwritableFolderFails();
    void cancelLeavesNoFile_data();
    void cancelLeavesNoFile();
    void removingRowDeletesPartialData();

    void brokenDownloadResumesToExactBytes();
    void outageIsWaitedOut();
    void closedProgramResumesInNextRun();
    void resumeOnlyFromTheRightByte_data();
    void resumeOnlyFromTheRightByte();

    void answersAreTakenForWhatTheySay_data();
    void answersAreTakenForWhatTheySay();
    void fullDiskIsSaid();

private:
    void addRoutes();
    void note(const httplib::Request &req);
    const DownloadManager::Item *restoreAndRetry(const QString &url, const QString &path,
                                                 const QByteArray &validator = {});
    const DownloadManager::Item *onlyItem() const;

    std::unique_ptr<LocalHttpServer> m_server;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<StandAloneDownloads> m_manager;
    QTemporaryDir m_settingsDir;
    std::mutex m_rangesLock;
    // "Range|If-Range" of each GET to every route but /norange/, in order
    QStringList m_ranges;
};

// Routes on a local server:
//   /music/<any>      the sample song, whatever the name, with byte ranges
//   /missing/<any>    404 with an error page
//   /broken/<any>     announces 100 KiB, sends 4 KiB, closes the connection
//   /slow/<any>       100 KiB in 4 KiB steps every 50 ms, with byte ranges
//   /stall/<any>      announces 100 bytes, sends none
//   /norange/<any>    the sample song, always whole
//   /ranged/<mode>/<any>  see answerRanged()
void DownloadManagerTest::addRoutes()
{
    httplib::Server &server = m_server->server();
    server.Get(R"(/ranged/(\w+)/.*)", [this](const httplib::Request &req, httplib::Response &res) {
        note(req);
        answerRanged(req.matches[1], req, res);
    });
    server.Get(R"(/music/.*)", [this](const httplib::Request &req, httplib::Response &res) {
        note(req);
        res.set_content(kSong, "audio/wav");
    });
    server.Get(R"(/missing/.*)", [this](const httplib::Request &req, httplib::Response &res) {
        note(req);
        res.status = 404;
        res.set_content("<html>not here</html>", "text/html");
    });
    server.Get(R"(/broken/.*)", [this](const httplib::Request &req, httplib::Response &res) {
        note(req);
        res.set_content_provider(100 * 1024, "audio/wav",
                                 [](std::size_t offset, std::size_t, httplib::DataSink &sink) {
                                     if (offset > 0)
                                         return false; // drops the connection
                                     sink.write(kSong.data(), 4096);
                                     return true;
                                 });
    });
    LocalHttpServer &local = *m_server;
    server.Get(R"(/slow/.*)", [this, &local](const httplib::Request &req, httplib::Response &res) {
        note(req);
        res.set_header("ETag", "\"s1\"");
        res.set_content_provider(
            100 * 1024, "audio/wav",
            [&local](std::size_t offset, std::size_t length, httplib::DataSink &sink) {
                if (local.stopping())
                    return false;
                std::this_thread::sleep_for(50ms);
                return sink.write(kSong.data() + offset, std::min<std::size_t>(length, 4096));
            });
    });
    server.Get(R"(/stall/.*)", [this, &local](const httplib::Request &req, httplib::Response &res) {
        note(req);
        res.set_content_provider(100, "audio/wav",
                                 [&local](std::size_t, std::size_t, httplib::DataSink &) {
                                     while (!local.stopping())
                                         std::this_thread::sleep_for(10ms);
                                     return false;
                                 });
    });
    server.Get(R"(/norange/.*)", [](const httplib::Request &req, httplib::Response &res) {
        // Chunked and with its status set, so that the library does not send the range itself
        const_cast<httplib::Request &>(req).ranges.clear();
        res.status = 200;
        res.set_chunked_content_provider(
            "audio/wav", [](std::size_t offset, httplib::DataSink &sink) {
                if (offset < kSong.size())
                    sink.write(kSong.data() + offset, kSong.size() - offset);
                else
                    sink.done();
                return true;
            });
    });
}

void DownloadManagerTest::note(const httplib::Request &req)
{
    if (req.method != "GET")
        return; // the probes of a download that waits
    const std::scoped_lock lock(m_rangesLock);
    m_ranges.append(QString::fromStdString(req.get_header_value("Range") + '|'
                                           + req.get_header_value("If-Range")));
}

// Lists a download as the last run left it unfinished and goes on with it
const DownloadManager::Item *DownloadManagerTest::restoreAndRetry(const QString &url,
                                                                  const QString &path,
                                                                  const QByteArray &validator)
{
    rememberUnfinished(url, path, validator);
    m_manager->restoreUnfinished();
    const DownloadManager::Item *item = onlyItem();
    if (item)
        m_manager->retry(item->id);
    return item;
}

void DownloadManagerTest::initTestCase()
{
    // Settings go to a folder of the test's own
    QVERIFY(m_settingsDir.isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settingsDir.path());
    QCoreApplication::setOrganizationName(u"quillpod"_s);
    QCoreApplication::setApplicationName(u"quillpod"_s);
}

void DownloadManagerTest::init()
{
    QSettings().clear();
    {
        const std::scoped_lock lock(m_rangesLock);
        m_ranges.clear();
    }
    m_server = std::make_unique<LocalHttpServer>();
    addRoutes();
    QVERIFY(m_server->start());
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_manager = std::make_unique<StandAloneDownloads>();
    m_manager->setTargetDirectory(m_dir->path());
    m_manager->setRetrySchedule(shortPauses());
}

void DownloadManagerTest::cleanup()
{
    // The client goes first, so the server does not wait on open connections.
    m_manager.reset();
    m_dir.reset();
    m_server.reset();
}

const DownloadManager::Item *DownloadManagerTest::onlyItem() const
{
    const QList<int> ids = m_manager->ids();
    return ids.size() == 1 ? m_manager->item(ids.first()) : nullptr;
}

void DownloadManagerTest::savesBytesUnderDecodedName()
{
    QSignalSpy finished(m_manager.get(), &DownloadManager::finished);
    QSignalSpy shown(m_manager.get(), &DownloadManager::showRequested);

    m_manager->download(m_server->url(u"/music/%CD%ED%B7%E7%20live%5F1.wav"_s));
    QCOMPARE(shown.size(), 1);
    QVERIFY(finished.wait(scaled(10000)));

    const QString expected = QDir(m_dir->path()).filePath(u"晚风 live_1.wav"_s);
    QCOMPARE(finished.at(0).at(0).toString(), expected);
    QVERIFY(finished.at(0).at(1).toBool());
    QCOMPARE(entries(m_dir->path()), QStringList {u"晚风 live_1.wav"_s});
    QCOMPARE(contents(expected), kSongBytes);

    const DownloadManager::Item *item = onlyItem();
    QVERIFY(item);
    QCOMPARE(item->name, u"晚风 live_1.wav"_s);
    QCOMPARE(item->state, State::Completed);
    QCOMPARE(item->received, qint64(kSongBytes.size()));
    QCOMPARE(QSettings().beginReadArray("downloads/unfinished"_L1), 0);
}

void DownloadManagerTest::failedTransferKeepsOnlyPartialData_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("reason");
    QTest::addColumn<int>("keptBytes");
    QTest::addColumn<Retry>("offer"); // what trying again does
    QTest::addColumn<int>("waits"); // for the service, each time going on by itself

    // An answer fails at once; a connection cut in the middle waits for the service, which
    // answers at once, and goes on as often as it may
    QTest::newRow("404") << u"/missing/a.wav"_s << u"404"_s << 0 << Retry::FromStart << 0;
    QTest::newRow("closed mid-body") << u"/broken/a.wav"_s << QString() << 4096 << Retry::Resume
                                     << DownloadManager::kAutomaticResumes;
    QTest::newRow("stalled") << u"/stall/a.wav"_s << u"超时"_s << 0 << Retry::FromStart << 0;
}

void DownloadManagerTest::failedTransferKeepsOnlyPartialData()
{
    QFETCH(QString, path);
    QFETCH(QString, reason);
    QFETCH(int, keptBytes);
    QFETCH(Retry, offer);
    QFETCH(int, waits);

    m_manager->setTransferTimeout(scaled(500ms));
    QSignalSpy finished(m_manager.get(), &DownloadManager::finished);
    int waited = 0;
    connect(m_manager.get(), &DownloadManager::changed, this,
            [this, &waited](int id) { waited += m_manager->item(id)->state == State::Waiting; });
    m_manager->download(m_server->url(path));
    QVERIFY(finished.wait(scaled(10000)));

    QVERIFY(!finished.at(0).at(1).toBool());
    QVERIFY(finished.at(0).at(2).toString().contains(reason));
    // Never anything under the final name; what arrived waits in the hidden partial file
    const QString part = QDir(m_dir->path()).filePath(u".a.wav.part"_s);
    QCOMPARE(entries(m_dir->path()), keptBytes ? QStringList {u".a.wav.part"_s} : QStringList());
    QCOMPARE(contents(part), kSongBytes.left(keptBytes));

    const DownloadManager::Item *item = onlyItem();
    QCOMPARE(item->state, State::Failed);
    QCOMPARE(item->reason, finished.at(0).at(2).toString());
    QCOMPARE(item->retry, offer);
    QCOMPARE(item->received, qint64(keptBytes));
    QCOMPARE(m_manager->runningCount(), 0);
    // Kept for the next run, whether or not data arrived
    QCOMPARE(QSettings().beginReadArray("downloads/unfinished"_L1), 1);
    QCOMPARE(finished.size(), 1);
    QCOMPARE(waited, waits);
    // Each time from the data kept (the library may send a request again by itself)
    const std::scoped_lock lock(m_rangesLock);
    QVERIFY(m_ranges.size() > waits);
    QCOMPARE(m_ranges.first(), u"|"_s);
    for (const QString &range : m_ranges.mid(1))
        QCOMPARE(range, u"bytes=%1-|"_s.arg(keptBytes));
}

void DownloadManagerTest::unsafeNameStaysInFolder_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("name");

    QTest::newRow("escaped slashes")
        << u"/music/..%2F..%2Fetc%2Fpasswd"_s << u"／..／etc／passwd"_s;
    QTest::newRow("hidden") << u"/music/.hidden"_s << u"hidden"_s;
}

void DownloadManagerTest::unsafeNameStaysInFolder()
{
    QFETCH(QString, path);
    QFETCH(QString, name);

    QSignalSpy finished(m_manager.get(), &DownloadManager::finished);
    m_manager->download(m_server->url(path));
    QVERIFY(finished.wait(scaled(10000)));

    QVERIFY(finished.at(0).at(1).toBool());
    QCOMPARE(finished.at(0).at(0).toString(), QDir(m_dir->path()).filePath(name));
    QCOMPARE(entries(m_dir->path()), QStringList {name});
}

void DownloadManagerTest::existingFileIsKept()
{
    const QDir dir(m_dir->path());
    writeFile(dir.filePath(u"song.wav"_s), "old");
    // A partial file holds its name too: it may still go on
    writeFile(dir.filePath(u".song (1).wav.part"_s), "partial");

    // Two at once: the running first one holds its name as well.
    QSignalSpy finished(m_manager.get(), &DownloadManager::finished);
    m_manager->download(m_server->url(u"/music/song.wav"_s));
    m_manager->download(m_server->url(u"/music/song.wav"_s));
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 2, scaled(10000));

    QCOMPARE(entries(m_dir->path()),
             (QStringList {u".song (1).wav.part"_s, u"song (2).wav"_s, u"song (3).wav"_s,
                           u"song.wav"_s}));
    QCOMPARE(contents(dir.filePath(u"song.wav"_s)), QByteArray("old"));
    QCOMPARE(contents(dir.filePath(u"song (2).wav"_s)), kSongBytes);
    QCOMPARE(contents(dir.filePath(u"song (3).wav"_s)), kSongBytes);
}

void DownloadManagerTest::otherSchemesAreRefused_data()
{
    QTest::addColumn<QString>("address");

    QTest::newRow("file") << u"file:///etc/passwd"_s;
    QTest::newRow("ftp") << u"ftp://127.0.0.1/a.wav"_s;
    QTest::newRow("javascript") << u"javascript:alert(1)"_s;
    QTest::newRow("relative") << u"/music/a.wav"_s;
    QTest::newRow("empty") << QString();
}

void DownloadManagerTest::otherSchemesAreRefused()
{
    QFETCH(QString, address);

    QSignalSpy finished(m_manager.get(), &DownloadManager::finished);
    QSignalSpy shown(m_manager.get(), &DownloadManager::showRequested);
    m_manager->download(address);

    QCOMPARE(finished.size(), 1);
    QVERIFY(!finished.at(0).at(1).toBool());
    QCOMPARE(finished.at(0).at(0).toString(), QString());
    QCOMPARE(entries(m_dir->path()), QStringList());
    QCOMPARE(shown.size(), 1);
    const DownloadManager::Item *item = onlyItem();
    QCOMPARE(item->state, State::Failed);
    // Trying again would be refused again
    QCOMPARE(item->retry, Retry::None);
}

void DownloadManagerTest::unwritableFolderFails()
{
    m_manager->setTargetDirectory(QDir(m_dir->path()).filePath(u"gone"_s));
    QSignalSpy finished(m_manager.get(), &DownloadManager::finished);
    m_manager->download(m_server->url(u"/music/a.wav"_s));

    QCOMPARE(finished.size(), 1);
    QVERIFY(!finished.at(0).at(1).toBool());
    QCOMPARE(m_manager->runningCount(), 0);
    QCOMPARE(entries(m_dir->path()), QStringList());
}

void DownloadManagerTest::cancelLeavesNoFile_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<State>("before"); // the state in which it is cancelled, with data kept

    QTest::newRow("running") << u"/slow/a.wav"_s << State::Running;
    QTest::newRow("waiting for the service") << u"/broken/a.wav"_s << State::Waiting;
}

void DownloadManagerTest::cancelLeavesNoFile()
{
    QFETCH(QString, path);
    QFETCH(State, before);

    m_manager->setRetrySchedule(endlessPauses());
    QSignalSpy finished(m_manager.get(), &DownloadManager::finished);
    m_manager->download(m_server->url(path));
    const DownloadManager::Item *item = onlyItem();
    QTRY_VERIFY_WITH_TIMEOUT(item->state == before && item->received > 0, scaled(5000));
    QCOMPARE(m_manager->runningCount(), 1);
    {
        // Should the program end now, the next run would list it as cut off
        StandAloneDownloads nextRun;
        nextRun.restoreUnfinished();
        QCOMPARE(nextRun.ids().size(), 1);
        QCOMPARE(nextRun.item(nextRun.ids().first())->state, State::Interrupted);
    }

    m_manager->cancel(item->id);
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, scaled(5000));

    QVERIFY(!finished.at(0).at(1).toBool());
    QCOMPARE(item->state, State::Cancelled);
    QCOMPARE(entries(m_dir->path()), QStringList());
    QCOMPARE(item->retry, Retry::FromStart);
    QCOMPARE(QSettings().beginReadArray("downloads/unfinished"_L1), 0);
}

void DownloadManagerTest::removingRowDeletesPartialData()
{
    QSignalSpy finished(m_manager.get(), &DownloadManager::finished);
    m_manager->download(m_server->url(u"/broken/a.wav"_s));
    QVERIFY(finished.wait(scaled(10000)));
    QCOMPARE(entries(m_dir->path()), QStringList {u".a.wav.part"_s});

    m_manager->remove(onlyItem()->id);
    QCOMPARE(m_manager->ids(), QList<int>());
    QCOMPARE(entries(m_dir->path()), QStringList());
    QCOMPARE(QSettings().beginReadArray("downloads/unfinished"_L1), 0);
}

void DownloadManagerTest::brokenDownloadResumesToExactBytes()
{
    const CatalogueService whole({u"--media-seconds"_s, u"1"_s});
    const QByteArray served = fetch(whole.base() + kDemoSong);
    QVERIFY(served.size() > 40000);
    // Each answer breaks off after a third of the file: only going on from the kept data can
    // ever complete it.
    const qsizetype third = served.size() / 3 + 1;
    const CatalogueService cutting(
        {u"--media-seconds"_s, u"1"_s, u"--cut-media"_s, QString::number(third)});
    QVERIFY(cutting.isRunning());

    // Each break waits for the service, and "继续" goes on at once, without a probe
    m_manager->setRetrySchedule(endlessPauses());
    QSignalSpy finished(m_manager.get(), &DownloadManager::finished);
    m_manager->download(cutting.base() + kDemoSong);
    const DownloadManager::Item *item = onlyItem();
    int resumes = 0;
    while (finished.isEmpty() && resumes < 5) {
        QTRY_VERIFY_WITH_TIMEOUT(item->state == State::Waiting || !finished.isEmpty(),
                                 scaled(10000));
        if (item->state == State::Waiting) {
            QCOMPARE(item->retry, Retry::Resume);
            m_manager->retry(item->id);
            ++resumes;
        }
    }

    QCOMPARE(finished.size(), 1);
    QVERIFY(resumes >= 2);
    QVERIFY(finished.last().at(1).toBool());
    QCOMPARE(entries(m_dir->path()), QStringList {u"星空 现场_10003.wav"_s});
    QCOMPARE(contents(finished.last().at(0).toString()), served);
}

// The service goes away while the song comes, cutting the download, and comes back: the
// download waits meanwhile and goes on by itself from the data kept
void DownloadManagerTest::outageIsWaitedOut()
{
    const CatalogueService whole({u"--media-seconds"_s, u"1"_s});
    const QByteArray served = fetch(whole.base() + kDemoSong);
    QVERIFY(served.size() > 40000);
    // The song takes about two seconds; the service goes away for one after half of one.
    const CatalogueService service({u"--media-seconds"_s, u"1"_s, u"--media-rate"_s,
                                    QString::number(20000 / timeScale()), u"--outage"_s,
                                    u"%1:1"_s.arg(0.5 * timeScale())});
    QVERIFY(service.isRunning());

    QSignalSpy finished(m_manager.get(), &DownloadManager::finished);
    m_manager->download(service.base() + kDemoSong);
    const DownloadManager::Item *item = onlyItem();
    QTRY_COMPARE_WITH_TIMEOUT(item->state, State::Waiting, scaled(5000));
    QCOMPARE(m_manager->runningCount(), 1);
    QVERIFY(finished.wait(scaled(15000)));

    QVERIFY2(finished.at(0).at(1).toBool(), qPrintable(finished.at(0).at(2).toString()));
    QCOMPARE(contents(finished.at(0).at(0).toString()), served);
    QStringList gets;
    for (const CatalogueService::Request &request : service.requests()) {
        if (request.method == u"GET" && request.target == kDemoSong)
            gets.append(request.range);
    }
    QVERIFY(gets.size() >= 2);
    QCOMPARE(gets.first(), QString());
    QVERIFY2(gets.last().startsWith(u"bytes="_s) && !gets.last().startsWith(u"bytes=0-"_s),
             qPrintable(gets.last()));
}

void DownloadManagerTest::closedProgramResumesInNextRun()
{
    m_manager->download(m_server->url(u"/slow/a.wav"_s));
    QTRY_VERIFY_WITH_TIMEOUT(onlyItem()->received > 0, scaled(5000));
    m_manager.reset(); // as when the program closes

    const QString part = QDir(m_dir->path()).filePath(u".a.wav.part"_s);
    QCOMPARE(entries(m_dir->path()), QStringList {u".a.wav.part"_s});
    const qsizetype kept = QFileInfo(part).size();
    QVERIFY(kept > 0 && kept < 100 * 1024);
    // Nothing of the destroyed transfer may run later.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
    QCOMPARE(QFileInfo(part).size(), kept);

    // The next run lists it as cut off, without asking for the list to show, and it goes on
    m_manager = std::make_unique<StandAloneDownloads>();
    QSignalSpy shown(m_manager.get(), &DownloadManager::showRequested);
    m_manager->restoreUnfinished();
    const DownloadManager::Item *item = onlyItem();
    QVERIFY(item);
    QCOMPARE(shown.size(), 0);
    QCOMPARE(item->name, u"a.wav"_s);
    QCOMPARE(item->state, State::Interrupted);
    QCOMPARE(item->received, qint64(kept));
    QCOMPARE(item->total, qint64(100 * 1024));
    QCOMPARE(item->retry, Retry::Resume);
    QSignalSpy finished(m_manager.get(), &DownloadManager::finished);
    m_manager->retry(item->id);
    QVERIFY(finished.wait(scaled(10000)));
    QVERIFY(finished.at(0).at(1).toBool());
    QCOMPARE(contents(QDir(m_dir->path()).filePath(u"a.wav"_s)), kSongBytes.left(100 * 1024));
    // The version the first run was sent came along
    const std::scoped_lock lock(m_rangesLock);
    QCOMPARE(m_ranges.last(), u"bytes=%1-|\"s1\""_s.arg(kept));
}

void DownloadManagerTest::resumeOnlyFromTheRightByte_data()
{
    QTest::addColumn<QString>("route");
    QTest::addColumn<QByteArray>("kept"); // the partial file before going on
    QTest::addColumn<QString>("rangeAsked");

    QTest::newRow("range honoured") << u"/music/"_s << kSongBytes.left(1000) << u"bytes=1000-|"_s;
    // In the other cases the kept bytes are wrong: a file that ended in the right size with
    // them would show that they were kept.
    const QByteArray wrong(1000, 'x');
    QTest::newRow("range ignored") << u"/norange/"_s << wrong << QString();
    QTest::newRow("range beyond the end")
        << u"/music/"_s << QByteArray(kSong.size() + 10, 'x') << QString();
}

void DownloadManagerTest::resumeOnlyFromTheRightByte()
{
    QFETCH(QString, route);
    QFETCH(QByteArray, kept);
    QFETCH(QString, rangeAsked);

    const QString path = QDir(m_dir->path()).filePath(u"a.wav"_s);
    writeFile(partFilePath(path), kept);
    rememberUnfinished(m_server->url(route + u"a.wav"_s), path);
    m_manager->restoreUnfinished();
    QSignalSpy finished(m_manager.get(), &DownloadManager::finished);
    QCOMPARE(onlyItem()->retry, Retry::Resume);
    m_manager->retry(onlyItem()->id);
    QVERIFY(finished.wait(scaled(10000)));

    QVERIFY2(finished.at(0).at(1).toBool(), qPrintable(finished.at(0).at(2).toString()));
    QCOMPARE(contents(path), kSongBytes);
    QCOMPARE(entries(m_dir->path()), QStringList {u"a.wav"_s});
    if (!rangeAsked.isEmpty()) {
        const std::scoped_lock lock(m_rangesLock);
        QCOMPARE(m_ranges, QStringList {rangeAsked});
    }
}

void DownloadManagerTest::answersAreTakenForWhatTheySay_data()
{
    QTest::addColumn<QString>("mode"); // see answerRanged()
    QTest::addColumn<QByteArray>("kept"); // the partial file before going on; empty: a new one
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QByteArray>("saved"); // the file, or what is kept of it when it failed
    QTest::addColumn<QStringList>("asked"); // "Range|If-Range" of each request

    const QByteArray head = kSongBytes.left(1000);
    const QString v1 = u"\"v1\""_s;
    QTest::newRow("one slice at a time")
        << u"slices"_s << head << true << kSongBytes
        << QStringList {u"bytes=1000-|"_s + v1, u"bytes=101000-|"_s + v1, u"bytes=201000-|"_s + v1,
                        u"bytes=301000-|"_s + v1};
    QTest::newRow("a file that changed") << u"changed"_s << head << true << kChangedSongBytes
                                         << QStringList {u"bytes=1000-|"_s + v1};
    QTest::newRow("a partial file that is complete")
        << u"complete"_s << kSongBytes << true << kSongBytes
        << QStringList {u"bytes=307200-|"_s + v1};
}

// Going on, and a new download, keep an answer only for what its headers say it is
void DownloadManagerTest::answersAreTakenForWhatTheySay()
{
    QFETCH(const QString, mode);
    QFETCH(const QByteArray, kept);
    QFETCH(const bool, ok);
    QFETCH(const QByteArray, saved);
    QFETCH(const QStringList, asked);

    const QString url = m_server->url(u"/ranged/%1/a.wav"_s.arg(mode));
    const QString path = QDir(m_dir->path()).filePath(u"a.wav"_s);
    QSignalSpy finished(m_manager.get(), &DownloadManager::finished);
    if (kept.isEmpty()) {
        m_manager->download(url);
    } else {
        writeFile(partFilePath(path), kept);
        QVERIFY(restoreAndRetry(url, path, "\"v1\""));
    }
    QVERIFY(finished.wait(scaled(10000)));

    QCOMPARE(finished.at(0).at(1).toBool(), ok);
    QCOMPARE(contents(ok ? path : partFilePath(path)), saved);
    QCOMPARE(QFileInfo::exists(path), ok);
    const std::scoped_lock lock(m_rangesLock);
    QCOMPARE(m_ranges, asked);
}

// A full disk is said in words, and what was written stays for "继续". The test runs itself
// again in a mount namespace of its own, where a small file system lies over the save folder.
void DownloadManagerTest::fullDiskIsSaid()
{
    const QString smallDisk = qEnvironmentVariable("QUILLPOD_TEST_SMALL_DISK");
    if (smallDisk.isEmpty()) {
        if (QProcess::execute(u"unshare"_s, {u"-rm"_s, u"true"_s}) != 0)
            QSKIP("No mount namespace can be had here");
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"QUILLPOD_TEST_SMALL_DISK"_s, m_dir->path());
        child.setProcessEnvironment(environment);
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.start(
            u"unshare"_s,
            {u"-rm"_s, u"sh"_s, u"-c"_s,
             uR"(mount -t tmpfs -o size=64k none "$QUILLPOD_TEST_SMALL_DISK" && exec "$0" "$1")"_s,
             QCoreApplication::applicationFilePath(),
             QString::fromLatin1(QTest::currentTestFunction())});
        QVERIFY(child.waitForFinished(scaled(60000)));
        QVERIFY2(child.exitCode() == 0, child.readAll().constData());
        return;
    }
    m_manager->setTargetDirectory(smallDisk);
    QSignalSpy finished(m_manager.get(), &DownloadManager::finished);
    m_manager->download(m_server->url(u"/music/a.wav"_s));
    QVERIFY(finished.wait(scaled(10000)));

    QCOMPARE(finished.at(0).at(2).toString(), u"写入文件失败：磁盘已满"_s);
    const QByteArray keptData = contents(QDir(smallDisk).filePath(u".a.wav.part"_s));
    QVERIFY(keptData.size() > 4096);
    QCOMPARE(keptData, kSongBytes.left(keptData.size()));
    QCOMPARE(onlyItem()->retry, Retry::Resume);
}

QTEST_GUILESS_MAIN(DownloadManagerTest)
#include "test_downloadmanager.moc"
