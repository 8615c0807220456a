// The built program started twice, as a user or a window manager's key binding would start it:
// offscreen, on the test's own session bus or, without one, in a runtime folder of its own,
// against the stand-in service, whose address it is given in QUILLPOD_SERVICE_BASE.

#include "catalogueservice.h"
#include "privatebus.h"
#include "timescale.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

// A start-up with its list run and media back end, on a slow shared machine
constexpr int kTimeoutMs = 30000;

// Row 1's address comes later than a second start waits for an answer (5 s)
const QByteArray kSlowFirstLink = R"({"background": ["3"], "songs": [
    {"id": "1", "title": "晴天", "serial": "S1", "path": "/music/sunny_1.wav"},
    {"id": "2", "title": "夜曲", "serial": "S2", "path": "/music/nocturne_2.wav"},
    {"id": "3", "title": "稻香", "serial": "S3", "path": "/music/rice_3.wav"}],
    "overrides": [{"act": "getonemusic", "id": "1", "delayMs": 6000}]})";

// One run of the program; it is ended when the object goes
class Program {
public:
    Program(const QProcessEnvironment &environment, const QStringList &arguments,
            const QString &folder = {})
    {
        m_process.setProcessEnvironment(environment);
        m_process.setWorkingDirectory(folder);
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.start(QString::fromUtf8(QUILLPOD_PATH), arguments);
    }
    ~Program()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.terminate();
        if (!m_process.waitForFinished(scaled(kTimeoutMs))) {
            m_process.kill();
            m_process.waitForFinished();
        }
    }

    // The exit status, or -1 when it did not end in time
    int finish()
    {
        if (!m_process.waitForFinished(scaled(kTimeoutMs)))
            return -1;
        return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
    }
    QString output()
    {
        m_output += QString::fromUtf8(m_process.readAll());
        return m_output;
    }
    bool running() const { return m_process.state() != QProcess::NotRunning; }

private:
    QProcess m_process;
    QString m_output;
};

int countContaining(const QStringList &lines, const QString &marker)
{
    return int(lines.filter(marker).size());
}

// Waits until the program has loaded its list and asked for its background track
bool startedUp(Program &program, const CatalogueService &service)
{
    QDeadlineTimer deadline(scaled(kTimeoutMs));
    while (countContaining(service.requestTargets(), u"act=getbglist"_s) == 0 && program.running()
           && !deadline.hasExpired())
        QTest::qWait(50);
    return program.running();
}

} // namespace

class SingleInstanceTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void commandLineWithoutWindow_data();
    void commandLineWithoutWindow();
    void secondStartGoesToTheFirst_data();
    void secondStartGoesToTheFirst();
    void slowCommandIsHandedOver_data();
    void slowCommandIsHandedOver();
    void socketNeedsAPrivateFolder_data();
    void socketNeedsAPrivateFolder();

private:
    QProcessEnvironment environment(const QString &busAddress,
                                    const CatalogueService *service = nullptr) const;
    QString noBus() const { return u"unix:path="_s + m_runtime.filePath(u"no-bus"_s); }

    std::unique_ptr<CatalogueService> m_service;
    std::unique_ptr<PrivateBus> m_bus;
    QTemporaryDir m_runtime;
};

void SingleInstanceTest::initTestCase()
{
    m_service = std::make_unique<CatalogueService>(
        QStringList {u"--songs"_s, u"6"_s, u"--media-seconds"_s, u"60"_s});
    QVERIFY(m_service->isRunning());
    m_bus = std::make_unique<PrivateBus>();
    QVERIFY(m_bus->isRunning());
    QVERIFY(m_runtime.isValid());
    QVERIFY(QFile::setPermissions(m_runtime.path(),
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
}

QProcessEnvironment SingleInstanceTest::environment(const QString &busAddress,
                                                    const CatalogueService *service) const
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"QUILLPOD_SERVICE_BASE"_s, (service ? service : m_service.get())->base());
    environment.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    environment.insert(u"XDG_RUNTIME_DIR"_s, m_runtime.path());
    environment.insert(u"DBUS_SESSION_BUS_ADDRESS"_s, busAddress);
    environment.insert(u"QT_LOGGING_RULES"_s, u"quillpod.app.info=true"_s);
    // No sound server answers: songs play silently
    environment.insert(u"PULSE_SERVER"_s, u"unix:"_s + m_runtime.filePath(u"no-pulse"_s));
    return environment;
}

void SingleInstanceTest::commandLineWithoutWindow_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("output");

    QTest::newRow("help") << QStringList {u"--help"_s} << 0 << u"播放上一首。"_s;
    QTest::newRow("help with Qt's options")
        << QStringList {u"-h"_s, u"-platform"_s, u"xcb"_s} << 0 << u"QUILLPOD_SERVICE_BASE"_s;
    QTest::newRow("version") << QStringList {u"--version"_s} << 0 << u"quillpod 1.0"_s;
    for (const QString &word : {u"play-pause"_s, u"next"_s, u"previous"_s, u"stop"_s})
        QTest::newRow(qPrintable(word + u" with nothing running"_s))
            << QStringList {u"--"_s + word} << 1 << u"没有正在运行的 Quillpod"_s;
    QTest::newRow("two switches") << QStringList {u"--next"_s, u"--stop"_s} << 2
                                  << u"一次只能给出一个命令"_s;
    // Said before any window is tried, so also where there is no display
    QTest::newRow("unknown switch") << QStringList {u"--shuffle"_s, u"-platform"_s, u"xcb"_s} << 2
                                    << u"未知的选项：--shuffle。"_s;
}

// None of these starts a window or asks the service anything
void SingleInstanceTest::commandLineWithoutWindow()
{
    QFETCH(const QStringList, arguments);
    QFETCH(const QString, output);
    const int before = int(m_service->requestTargets().size());
    Program program(environment(m_bus->address()), arguments);
    QTEST(program.finish(), "status");
    QVERIFY2(program.output().contains(output), qPrintable(program.output()));
    QCOMPARE(m_service->requestTargets().size(), before);
}

void SingleInstanceTest::secondStartGoesToTheFirst_data()
{
    QTest::addColumn<bool>("sessionBus");
    QTest::newRow("session bus") << true;
    QTest::newRow("runtime folder") << false;
}

void SingleInstanceTest::secondStartGoesToTheFirst()
{
    QFETCH(const bool, sessionBus);
    // A bus address where no bus is: the program runs without one
    const QProcessEnvironment env = environment(sessionBus ? m_bus->address() : noBus());
    const QString defaultList = u"act=getmusiclist"_s;
    const int listRequests = countContaining(m_service->requestTargets(), defaultList);
    const int startUps = countContaining(m_service->requestTargets(), u"act=getbglist"_s);

    std::optional<Program> first;
    first.emplace(env, QStringList());
    QTRY_VERIFY_WITH_TIMEOUT(countContaining(m_service->requestTargets(), u"act=getbglist"_s)
                                     > startUps
                                 || !first->running(),
                             scaled(kTimeoutMs));
    QVERIFY2(first->running(), qPrintable(first->output()));
    const int runRequests = countContaining(m_service->requestTargets(), defaultList);
    QVERIFY(runRequests > listRequests);

    // A plain second start brings the first one's window up and ends: no list run of its own
    Program second(env, {});
    QCOMPARE(second.finish(), 0);
    QTRY_VERIFY_WITH_TIMEOUT(first->output().contains(u"Command from another start: \"raise\""_s),
                             scaled(kTimeoutMs));
    QCOMPARE(countContaining(m_service->requestTargets(), defaultList), runRequests);

    // Next plays row 1 and the pause holds it near its start, so previous goes to the last row
    for (const QString &word : {u"next"_s, u"play-pause"_s, u"previous"_s, u"stop"_s}) {
        const int asked = countContaining(m_service->requestTargets(), u"act=getonemusic"_s);
        Program command(env, {u"--"_s + word});
        QCOMPARE(command.finish(), 0);
        QTRY_VERIFY_WITH_TIMEOUT(
            first->output().contains(u"Command from another start: \"%1\""_s.arg(word)),
            scaled(kTimeoutMs));
        // Next and previous play and show a row as a double-click does: three requests
        const bool playsRow = word == u"next"_s || word == u"previous"_s;
        QTRY_COMPARE_WITH_TIMEOUT(
            countContaining(m_service->requestTargets(), u"act=getonemusic"_s),
            asked + (playsRow ? 3 : 0), scaled(kTimeoutMs));
    }

    // The missing sound server is said once, not at every song
    QCOMPARE(first->output().count(u"No sound server"_s), 1);
    QCOMPARE(first->output().count(u"Failed to connect"_s), 0);

    // Once the first has ended, a switch finds nothing to command
    first.reset();
    Program late(env, {u"--stop"_s});
    QCOMPARE(late.finish(), 1);
}

void SingleInstanceTest::slowCommandIsHandedOver_data()
{
    QTest::addColumn<bool>("sessionBus");
    QTest::addColumn<bool>("rawClient"); // sends "next" to the socket and hangs up at once
    QTest::newRow("switch over the bus") << true << false;
    QTest::newRow("switch over the socket") << false << false;
    QTest::newRow("client that hangs up meanwhile") << false << true;
}

// A command that waits for the service is taken at once, and the running program outlives the
// request that brought it
void SingleInstanceTest::slowCommandIsHandedOver()
{
    QFETCH(const bool, sessionBus);
    QFETCH(const bool, rawClient);
    const CatalogueService slow({}, kSlowFirstLink);
    QVERIFY(slow.isRunning());
    const QProcessEnvironment env = environment(sessionBus ? m_bus->address() : noBus(), &slow);
    Program first(env, {});
    QVERIFY2(startedUp(first, slow), qPrintable(first.output()));

    if (rawClient) {
        QLocalSocket client;
        client.connectToServer(m_runtime.filePath(u"quillpod-instance"_s));
        QVERIFY(client.waitForConnected(scaled(kTimeoutMs)));
        client.write("next\n");
        // Hangs up while the running program waits for row 1's address, without reading
        QTRY_VERIFY_WITH_TIMEOUT(countContaining(slow.requestTargets(), u"act=getonemusic&id=1"_s)
                                     > 0,
                                 scaled(kTimeoutMs));
        client.abort();
    } else {
        Program command(env, {u"--next"_s});
        QCOMPARE(command.finish(), 0);
        QCOMPARE(countContaining(slow.requestTargets(), u"/music/sunny_1.wav"_s), 0);
    }
    QTRY_VERIFY_WITH_TIMEOUT(countContaining(slow.requestTargets(), u"/music/sunny_1.wav"_s) > 0
                                 || !first.running(),
                             scaled(kTimeoutMs));
    QVERIFY2(first.running(), qPrintable(first.output()));
}

void SingleInstanceTest::socketNeedsAPrivateFolder_data()
{
    QTest::addColumn<QString>("runtime"); // XDG_RUNTIME_DIR; empty: unset
    QTest::addColumn<int>("mode");
    QTest::newRow("unset") << QString() << 0;
    QTest::newRow("open to others") << u"shared"_s << 0x7755;
    // The folder the program starts in, private as it is
    QTest::newRow("relative") << u"."_s << 0;
}

// Without a private runtime folder the lock and the socket go to a private folder of the
// program's own: two starts from two folders still find each other
void SingleInstanceTest::socketNeedsAPrivateFolder()
{
    QFETCH(const QString, runtime);
    QFETCH(const int, mode);
    const QTemporaryDir home;
    const QDir dir(home.path());
    QVERIFY(dir.mkpath(u"one"_s) && dir.mkpath(u"two"_s) && dir.mkpath(u"shared"_s));
    QVERIFY(QFile::setPermissions(dir.filePath(u"shared"_s), QFileDevice::Permissions(mode)));
    for (const QString &start : {u"one"_s, u"two"_s})
        QVERIFY(QFile::setPermissions(dir.filePath(start), QFileDevice::Permissions(0x7000)));
    QProcessEnvironment env = environment(noBus());
    env.insert(u"XDG_CACHE_HOME"_s, dir.filePath(u"cache"_s));
    if (runtime.isEmpty())
        env.remove(u"XDG_RUNTIME_DIR"_s);
    else
        env.insert(u"XDG_RUNTIME_DIR"_s, runtime == u"." ? runtime : dir.filePath(runtime));

    const int startUps = countContaining(m_service->requestTargets(), u"act=getbglist"_s);
    Program first(env, {}, dir.filePath(u"one"_s));
    QTRY_VERIFY_WITH_TIMEOUT(countContaining(m_service->requestTargets(), u"act=getbglist"_s)
                                     > startUps
                                 || !first.running(),
                             scaled(kTimeoutMs));
    Program second(env, {}, dir.filePath(u"two"_s));
    QCOMPARE(second.finish(), 0);
    QTRY_VERIFY_WITH_TIMEOUT(first.output().contains(u"Command from another start: \"raise\""_s),
                             scaled(kTimeoutMs));

    const QString own = dir.filePath(u"cache/quillpod/quillpod/runtime"_s);
    QVERIFY(QFile::exists(own + u"/quillpod-instance"_s));
    QCOMPARE(QFile::permissions(own) & 0x7777,
             QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                 | QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ExeUser);
    for (const QString &folder : {u"one"_s, u"two"_s, u"shared"_s})
        QCOMPARE(
            QDir(dir.filePath(folder)).entryList({u"quillpod*"_s}, QDir::AllEntries | QDir::System),
            QStringList());
}

QTEST_GUILESS_MAIN(SingleInstanceTest)
#include "test_singleinstance.moc"
