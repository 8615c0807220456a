// Closing the window at the worst moment. Closing ends every event loop of the process for
// good, so each case runs in a child process of this binary: the child starts the window as the
// program does, begins something long, closes the window in the middle of it, and reports what
// it saw; the parent owns the service and judges the outcome.

#include "catalogueservice.h"
#include "testwindow.h"
#include "timescale.h"

#include "downloads/downloadmanager.h"
#include "player/audioplayer.h"
#include "songlist/songlistmodel.h"
#include "widgets/reportlistview.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QMetaEnum>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <functional>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace {

constexpr char kScenarioSwitch[] = "--closing-scenario";
// Long enough that a child which waited for the held-back answer runs out of time first
constexpr int kHoldBackMs = 60000;
constexpr int kChildTimeoutMs = 45000;
// How long a child waits for its moment before closing anyway (and failing the case)
constexpr int kMomentTimeoutMs = 20000;

// Three songs; the background track is song 3 unless a case says otherwise
QByteArray threeSongs(const QJsonArray &overrides, const QString &background = u"3"_s)
{
    QJsonArray songs;
    for (int i = 1; i <= 3; ++i)
        songs.append(QJsonObject {{u"id"_s, QString::number(i)},
                                  {u"title"_s, u"歌%1"_s.arg(i)},
                                  {u"serial"_s, u"S%1"_s.arg(i)}});
    const QJsonObject root {{u"songs"_s, songs},
                            {u"background"_s, QJsonArray {background}},
                            {u"overrides"_s, overrides}};
    return QJsonDocument(root).toJson(QJsonDocument::Compact);
}

QJsonObject heldBack(const QString &act, const QString &id)
{
    return QJsonObject {{u"act"_s, act}, {u"id"_s, id}, {u"delayMs"_s, kHoldBackMs}};
}

void report(const QString &line)
{
    std::fputs(qPrintable(line + u'\n'), stdout);
    std::fflush(stdout);
}

// What a child does: start() begins the long operation, moment() tells when it is under way,
// state() describes it at the close.
struct Scenario {
    std::function<void()> start;
    std::function<bool()> moment;
    std::function<QString()> state;
};

Scenario scenarioFor(const QString &name, TestWindow &window, const QString &downloadDir,
                     const QElapsedTimer &clock)
{
    const auto after = [&clock](qint64 ms) { return clock.elapsed() >= ms; };

    if (name == u"list-run") {
        return {[&window] {
                    window.box(u"keywordBox"_s)->setText(u"晚风"_s);
                    QTest::mouseClick(window.button(u"searchButton"_s), Qt::LeftButton);
                },
                [&window, after] {
                    return window.listRunning() && window.caption() == u"停止"_s
                        && after(scaled(500));
                },
                [&window] {
                    return u"searching=%1 rows=%2"_s.arg(int(window.listRunning()))
                        .arg(window.songs().size());
                }};
    }
    if (name == u"held-links") {
        return {[&window] {
                    // A click, then a double-click on another row while the click's link is
                    // held back: the newer choice waits for its own held-back link
                    window.list()->selectRow(0);
                    emit window.list()->rowClicked();
                    QTimer::singleShot(scaled(300), [&window] {
                        window.list()->selectRow(1);
                        emit window.list()->doubleClicked(window.list()->listModel().index(1, 0));
                    });
                },
                [&window, after] { return window.app().songChoicePending() && after(scaled(600)); },
                [&window] {
                    return u"songIdBox=%1 playIndex=%2 pending=%3"_s
                        .arg(window.box(u"songIdBox"_s)->text().trimmed())
                        .arg(window.app().playIndex())
                        .arg(int(window.app().songChoicePending()));
                }};
    }
    if (name == u"download") {
        return {[&window] {
                    window.list()->selectRow(0);
                    window.window().findChild<QAction *>(u"downloadAction"_s)->trigger();
                },
                [&window, after] {
                    // Its save file is open by now; on Linux it may have no name yet
                    return window.app().downloads().runningCount() > 0 && after(300);
                },
                [&window, downloadDir] {
                    return u"running=%1 files=%2"_s.arg(window.app().downloads().runningCount())
                        .arg(QDir(downloadDir).entryList(QDir::Files | QDir::Hidden).join(u','));
                }};
    }
    if (name == u"buffering") {
        return {
            [] {},
            [&window, after] {
                // Long enough for the media request to reach the service, also under the
                // sanitizers
                return window.player()->playState() == PlayState::Buffering && after(2000);
            },
            [&window] {
                const PlayState state = window.player()->playState();
                return u"state=%1 status=%2"_s
                    .arg(QLatin1StringView(QMetaEnum::fromType<PlayState>().valueToKey(int(state))))
                    .arg(window.player()->statusText());
            }};
    }
    return {};
}

// The child: arguments are the switch, the scenario's name, the service base and the folder
// downloads go to. Its exit code is what QApplication::exec() returned.
int runScenario(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    const QString name = arguments.value(2);
    const QString downloadDir = arguments.value(4);

    // The real end of the program: closing leaves every event loop
    TestWindow window(arguments.value(3), 30s, TestWindow::ProgramEnd::Real);
    if (!window.load() || !window.show())
        return 3;
    window.app().downloads().setTargetDirectory(downloadDir);

    QElapsedTimer clock;
    const Scenario scenario = scenarioFor(name, window, downloadDir, clock);
    if (!scenario.start)
        return 4;

    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        const bool reached = scenario.moment();
        if (!reached && clock.elapsed() < scaled(kMomentTimeoutMs))
            return;
        closer.stop();
        report(reached ? u"at-close: "_s + scenario.state() : u"moment never reached"_s);
        window.window().close();
    });
    QTimer::singleShot(0, [&] {
        clock.start();
        closer.start(20);
        scenario.start();
    });

    const int code = QApplication::exec();
    for (const QString &address : std::as_const(window.shell.opened))
        report(u"opened: "_s + address);
    return code;
}

} // namespace

class ClosingTest : public QObject {
    Q_OBJECT

private slots:
    void closeAtTheWorstMoment_data();
    void closeAtTheWorstMoment();
};

void ClosingTest::closeAtTheWorstMoment_data()
{
    QTest::addColumn<QString>("scenario");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("catalogue");
    QTest::addColumn<QString>("stateAtClose");
    // A request the service received: the one the child was waiting for when it closed
    QTest::addColumn<QString>("heldRequest");

    const QJsonObject heldSearch {
        {u"act"_s, u"getmusiclist"_s}, {u"keyword"_s, u"晚风"_s}, {u"delayMs"_s, kHoldBackMs}};
    QTest::newRow("during a list run")
        << u"list-run"_s << QStringList {u"--songs"_s, u"60"_s}
        << QJsonDocument(QJsonObject {{u"overrides"_s, QJsonArray {heldSearch}}})
               .toJson(QJsonDocument::Compact)
        << u"searching=1 rows=0"_s << u"searchkey=%E6%99%9A%E9%A3%8E"_s;
    QTest::newRow("while a song's links are held back")
        << u"held-links"_s << QStringList()
        << threeSongs({heldBack(u"getonemusic"_s, u"1"_s), heldBack(u"getonemusic"_s, u"2"_s)})
        << u"songIdBox=2 playIndex=2 pending=1"_s << u"act=getonemusic&id=2"_s;
    QTest::newRow("during a download")
        << u"download"_s << QStringList() << threeSongs({heldBack(u"media"_s, u"1"_s)})
        << u"running=1 files="_s << u"/music/1.wav"_s;
    const QJsonObject hang {{u"act"_s, u"media"_s}, {u"id"_s, u"1"_s}, {u"hang"_s, true}};
    QTest::newRow("while the player is buffering")
        << u"buffering"_s << QStringList() << threeSongs({hang}, u"1"_s) << u"state=Buffering"_s
        << u"/music/1.wav"_s;
}

void ClosingTest::closeAtTheWorstMoment()
{
    QFETCH(QString, scenario);
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, catalogue);
    QFETCH(QString, stateAtClose);
    QFETCH(QString, heldRequest);

    CatalogueService service(arguments, catalogue);
    QVERIFY(service.isRunning());
    QTemporaryDir downloads;
    QVERIFY(downloads.isValid());

    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(),
                {QString::fromLatin1(kScenarioSwitch), scenario, service.base(), downloads.path()});
    QVERIFY(child.waitForStarted());
    if (!child.waitForFinished(scaled(kChildTimeoutMs))) {
        child.kill();
        child.waitForFinished();
        QFAIL("the program did not end after its window closed");
    }
    const QStringList lines = QString::fromUtf8(child.readAllStandardOutput()).split(u'\n');

    QCOMPARE(child.exitStatus(), QProcess::NormalExit);
    QCOMPARE(child.exitCode(), 0);
    const auto atClose = std::find_if(lines.cbegin(), lines.cend(), [](const QString &line) {
        return line.startsWith(u"at-close: "_s);
    });
    QVERIFY2(atClose != lines.cend(), qPrintable(lines.join(u" | "_s)));
    QVERIFY2(atClose->startsWith(u"at-close: "_s + stateAtClose), qPrintable(*atClose));
    QVERIFY2(service.requestTargets().filter(heldRequest).size() > 0,
             qPrintable(service.requestTargets().join(u' ')));
    // The exit page opened once, and nothing else did
    QCOMPARE(lines.filter(u"opened: "_s), QStringList {u"opened: http://127.0.0.1:1/bye"_s});
    // No file under a download's final name, and no temporary file either
    QCOMPARE(QDir(downloads.path())
                 .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
             QStringList());
}

int main(int argc, char *argv[])
{
    if (argc >= 2 && qstrcmp(argv[1], kScenarioSwitch) == 0)
        return runScenario(argc, argv);
    QCoreApplication app(argc, argv);
    ClosingTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_closing.moc"
