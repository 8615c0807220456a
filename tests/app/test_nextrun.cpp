// The program run twice with one settings folder, as a user runs it day after day. Each run is a
// child process of this binary that opens the window as the program does and ends as the program
// ends; the parent serves the songs and the downloads and judges what the runs report.

#include "app/programidentity.h"
#include "catalogueservice.h"
#include "downloads/downloadfilename.h"
#include "downloads/downloadmanager.h"
#include "localhttpserver.h"
#include "testwindow.h"
#include "timescale.h"
#include "widgets/downloaditemwidget.h"
#include "widgets/downloadswindow.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <thread>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace {

constexpr char kRunSwitch[] = "--run";
constexpr int kChildTimeoutMs = 45000;
// How long a run waits for its moment before it ends anyway (and fails the case)
constexpr int kMomentTimeoutMs = 20000;
constexpr std::size_t kSongSize = 100 * 1024;

std::string songBody()
{
    std::string body(kSongSize, '\0');
    for (std::size_t i = 0; i < body.size(); ++i)
        body[i] = char((i * 13 + i / 509) & 0xff);
    return body;
}

const std::string kSong = songBody();

void report(const QString &line)
{
    std::fputs(qPrintable(line + u'\n'), stdout);
    std::fflush(stdout);
}

QString shownWindows()
{
    QStringList names;
    for (const QWidget *widget : QApplication::topLevelWidgets()) {
        if (widget->isVisible())
            names.append(widget->objectName());
    }
    names.sort();
    return names.join(u',');
}

// The first run starts a download that the server answers with 404 and a slow one, and the
// program ends while the slow one runs
void firstRun(TestWindow &window, const QString &downloads, QTimer &watch, QElapsedTimer &clock)
{
    DownloadManager &manager = window.window().downloads();
    manager.download(downloads + u"/missing/a.wav"_s);
    manager.download(downloads + u"/slow/b.wav"_s);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        const QList<int> ids = manager.ids();
        const bool reached = ids.size() == 2
            && manager.item(ids.at(0))->state == DownloadManager::State::Failed
            && manager.item(ids.at(1))->received > 0;
        if (!reached && clock.elapsed() < scaled(kMomentTimeoutMs))
            return;
        watch.stop();
        report(reached ? u"ended while running"_s : u"moment never reached"_s);
        window.window().close();
    });
}

// The second run reports the windows that opened by themselves, the list that Ctrl+J opens,
// and goes on with the download that was cut off
void secondRun(TestWindow &window)
{
    // Keys go to the window the user works in
    if (!QTest::qWaitForWindowActive(&window.window()))
        report(u"never active"_s);
    report(u"shown: "_s + shownWindows());
    QTest::keyClick(&window.window(), Qt::Key_J, Qt::ControlModifier);
    report(u"after Ctrl+J: "_s + shownWindows());
    DownloadItemWidget *cut = nullptr;
    for (DownloadItemWidget *row : window.window().downloadsWindow().items()) {
        const auto *resume = row->findChild<QPushButton *>(u"resume"_s);
        report(u"row: %1 | %2 | %3"_s.arg(row->fileName(), row->statusText(),
                                          resume->isVisibleTo(row) ? resume->text() : QString()));
        if (row->fileName() == u"b.wav"_s)
            cut = row;
    }
    QObject::connect(&window.window().downloads(), &DownloadManager::finished,
                     [&window](const QString &, bool ok) {
                         report(ok ? u"finished"_s : u"failed"_s);
                         window.window().close();
                     });
    if (cut)
        QTest::mouseClick(cut->findChild<QPushButton *>(u"resume"_s), Qt::LeftButton);
    else
        window.window().close();
}

// A run: arguments are the switch, the run's number, the catalogue service's base, the
// downloads server's base and the folder downloads go to. Its exit code is what
// QApplication::exec() returned.
int run(int argc, char *argv[])
{
    QApplication app(argc, argv);
    setProgramIdentity();
    const QStringList arguments = QCoreApplication::arguments();
    TestWindow window(arguments.value(3), 30s, TestWindow::ProgramEnd::Real);
    window.window().downloads().setTargetDirectory(arguments.value(5));
    QObject::connect(&window.app(), &Application::loaded, &window.app(), &Application::openWindow);
    window.app().start();

    QTimer watch;
    QElapsedTimer clock;
    // Once the window is open
    QObject::connect(&window.app(), &Application::loaded, &window.app(), [&] {
        clock.start();
        if (arguments.value(2) == u"1"_s) {
            firstRun(window, arguments.value(4), watch, clock);
            watch.start(20);
        } else {
            secondRun(window);
        }
    });
    return QApplication::exec();
}

} // namespace

class NextRunTest : public QObject {
    Q_OBJECT

private slots:
    void downloadsAreAsTheyWereLeft();

private:
    QStringList runProgram(int number, const QStringList &arguments, const QString &config);
};

QStringList NextRunTest::runProgram(int number, const QStringList &arguments, const QString &config)
{
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"XDG_CONFIG_HOME"_s, config);
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(),
                QStringList {QString::fromLatin1(kRunSwitch), QString::number(number)} + arguments);
    if (!child.waitForFinished(scaled(kChildTimeoutMs))) {
        child.kill();
        child.waitForFinished();
        return {u"did not end"_s};
    }
    QStringList lines = QString::fromUtf8(child.readAllStandardOutput()).split(u'\n');
    lines.removeAll(QString());
    if (child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0)
        lines.append(u"exit %1"_s.arg(child.exitCode()));
    return lines;
}

// A download that failed and one that the end of the program cut off are listed in the next
// run as they were left, without their window opening by itself, and the cut one goes on to
// the same bytes
void NextRunTest::downloadsAreAsTheyWereLeft()
{
    LocalHttpServer server;
    server.server().Get(R"(/missing/.*)", [](const httplib::Request &, httplib::Response &res) {
        res.status = 404;
        res.set_content("<html>not here</html>", "text/html");
    });
    server.server().Get(R"(/slow/.*)", [&server](const httplib::Request &, httplib::Response &res) {
        res.set_content_provider(
            kSong.size(), "audio/wav",
            [&server](std::size_t offset, std::size_t length, httplib::DataSink &sink) {
                if (server.stopping())
                    return false;
                std::this_thread::sleep_for(50ms);
                return sink.write(kSong.data() + offset, std::min<std::size_t>(length, 4096));
            });
    });
    QVERIFY(server.start());
    const CatalogueService service({u"--songs"_s, u"3"_s});
    QVERIFY(service.isRunning());
    const QTemporaryDir config;
    const QTemporaryDir folder;
    const QStringList arguments {service.base(), server.url(QString()), folder.path()};

    QCOMPARE(runProgram(1, arguments, config.path()), QStringList {u"ended while running"_s});
    const QString part = partFilePath(QDir(folder.path()).filePath(u"b.wav"_s));
    QVERIFY(QFileInfo(part).size() > 0 && QFileInfo(part).size() < qint64(kSongSize));

    const QStringList second = runProgram(2, arguments, config.path());
    QCOMPARE(second,
             (QStringList {u"shown: MainWindow"_s, u"after Ctrl+J: DownloadsWindow,MainWindow"_s,
                           u"row: a.wav | 失败：服务器返回错误 404 | 重试"_s,
                           u"row: b.wav | 已中断：程序退出时尚未下载完 | 继续"_s, u"finished"_s}));
    QFile saved(QDir(folder.path()).filePath(u"b.wav"_s));
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(saved.readAll(), QByteArray::fromStdString(kSong));
}

int main(int argc, char *argv[])
{
    if (argc >= 2 && qstrcmp(argv[1], kRunSwitch) == 0)
        return run(argc, argv);
    QCoreApplication app(argc, argv);
    NextRunTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_nextrun.moc"
