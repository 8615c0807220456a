// What the program remembers of the person from one run to the next, with one settings folder
// for both runs, as a person runs it day after day

#include "app/programidentity.h"
#include "catalogueservice.h"
#include "player/audioplayer.h"
#include "settings/settingsstore.h"
#include "testwindow.h"
#include "timescale.h"

#include <QAbstractButton>
#include <QAction>
#include <QCompleter>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

// One run's part: what the person does in the first run, or what the second shows
using Step = std::function<void(TestWindow &)>;

constexpr auto kTestExitPage = "http://127.0.0.1:1/bye"_L1;

// A control of the settings dialog, as the person reaches it from the menu
template<typename T> T *setting(TestWindow &window, const QString &name)
{
    window.child<QAction>(u"settingsAction"_s)->trigger();
    return window.child<T>(name);
}

} // namespace

Q_DECLARE_METATYPE(Step)

class RememberedTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void valuesComeBack_data();
    void valuesComeBack();
    void goesBackToTheLastSong();
    void unreadableFileIsSetAside();

private:
    QTemporaryDir m_settingsDir;
};

void RememberedTest::initTestCase()
{
    // The settings file is the program's own
    setProgramIdentity();
}

void RememberedTest::init()
{
    QVERIFY(m_settingsDir.isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settingsDir.path());
    QSettings().clear();
}

void RememberedTest::valuesComeBack_data()
{
    QTest::addColumn<Step>("change");
    QTest::addColumn<Step>("check");

    QTest::newRow("volume") << Step([](TestWindow &w) { w.player()->setVolume(35); })
                            << Step([](TestWindow &w) { QCOMPARE(w.player()->volume(), 35); });
    QTest::newRow("mute") << Step([](TestWindow &w) { w.player()->setMuted(true); })
                          << Step([](TestWindow &w) { QVERIFY(w.player()->isMuted()); });
    QTest::newRow("glass") << Step([](TestWindow &w) {
        w.child<QAction>(u"glassAction"_s)->trigger();
    }) << Step([](TestWindow &w) {
        QCOMPARE(w.skinning.calls.last(), u"glass:on"_s);
        QVERIFY(w.child<QAction>(u"glassAction"_s)->isChecked());
    });
    const auto left = std::make_shared<QSize>();
    QTest::newRow("window") << Step([left](TestWindow &w) {
        const QSize larger = w.window().size() + QSize(90, 60);
        w.window().resize(larger);
        QTRY_COMPARE_WITH_TIMEOUT(w.window().size(), larger, scaled(5000));
        *left = larger;
    }) << Step([left](TestWindow &w) { QCOMPARE(w.window().size(), *left); });
    QTest::newRow("save folder") << Step([](TestWindow &w) {
        w.app().settings().setSaveFolder(QDir::tempPath());
    }) << Step([](TestWindow &w) {
        QCOMPARE(setting<QLineEdit>(w, u"folderBox"_s)->text(), QDir::tempPath());
    });
    QTest::newRow("no exit page") << Step([](TestWindow &w) {
        setting<QAbstractButton>(w, u"exitPageBox"_s)->click();
    }) << Step([](TestWindow &w) {
        w.window().close();
        QVERIFY(!w.shell.opened.contains(kTestExitPage));
    });
    QTest::newRow("nothing at start") << Step([](TestWindow &w) {
        setting<QAbstractButton>(w, u"start%1"_s.arg(int(SettingsStore::StartAction::Nothing)))
            ->click();
    }) << Step([](TestWindow &w) { QVERIFY(w.player()->url().isEmpty()); });
    // Offscreen there is no tray to click through to
    QTest::newRow("tray") << Step([](TestWindow &w) {
        w.app().settings().setMinimiseToTray(true);
    }) << Step([](TestWindow &w) {
        QVERIFY(setting<QAbstractButton>(w, u"minimiseToTrayBox"_s)->isChecked());
    });
    QTest::newRow("play mode") << Step([](TestWindow &w) {
        w.app().settings().setPlayMode(u"Shuffle"_s);
    }) << Step([](TestWindow &w) { QCOMPARE(w.app().settings().playMode(), u"Shuffle"_s); });
    QTest::newRow("keywords") << Step([](TestWindow &w) {
        for (const QString &keyword : {u"晴天"_s, u"稻香"_s, u"晴天"_s}) {
            w.box(u"keywordBox"_s)->setText(keyword);
            QTest::keyClick(w.box(u"keywordBox"_s), Qt::Key_Return);
            QVERIFY(w.waitForListRun());
        }
    }) << Step([](TestWindow &w) {
        const QCompleter *completer = w.box(u"keywordBox"_s)->completer();
        QCOMPARE(completer->model()->index(0, 0).data().toString(), u"晴天"_s);
        QCOMPARE(completer->model()->rowCount(), 2);
        w.child<QAction>(u"clearHistoryAction"_s)->trigger();
        QCOMPARE(completer->model()->rowCount(), 0);
    });
}

// Each value the person sets in one run is there in the next
void RememberedTest::valuesComeBack()
{
    QFETCH(Step, change);
    QFETCH(Step, check);
    CatalogueService service({u"--songs"_s, u"3"_s});
    QVERIFY(service.isRunning());
    {
        TestWindow first(service.base());
        QVERIFY(first.load());
        QVERIFY(first.show());
        change(first);
        if (QTest::currentTestFailed())
            return;
        first.window().close();
    }
    TestWindow second(service.base());
    QVERIFY(second.load());
    QVERIFY(second.show());
    check(second);
}

// "回到上次的歌曲": the song that played at the exit comes back, asked for by its identifier,
// paused where it was, and the background track is not fetched
void RememberedTest::goesBackToTheLastSong()
{
    CatalogueService service({u"--songs"_s, u"3"_s, u"--media-seconds"_s, u"10"_s});
    QVERIFY(service.isRunning());
    QString link;
    QStringList fields;
    qint64 left = 0;
    {
        TestWindow first(service.base());
        first.app().settings().setStartAction(SettingsStore::StartAction::LastSong);
        QVERIFY(first.load());
        QVERIFY(first.show());
        first.doubleClickRow(2);
        QTRY_VERIFY_WITH_TIMEOUT(first.player()->playState() == PlayState::Playing
                                     && first.player()->position() >= 2000,
                                 scaled(20000));
        link = first.player()->url();
        for (const QString &box : {u"titleBox"_s, u"serialBox"_s, u"songIdBox"_s})
            fields.append(first.box(box)->text());
        left = first.player()->position();
        first.window().close();
    }
    const qsizetype firstRun = service.requestTargets().size();

    TestWindow second(service.base());
    QVERIFY(second.load());
    QTRY_VERIFY_WITH_TIMEOUT(second.player()->playState() == PlayState::Paused
                                 && second.player()->position() > 0,
                             scaled(20000));
    QCOMPARE(second.player()->url(), link);
    QVERIFY2(qAbs(second.player()->position() - left) <= 1000,
             qPrintable(u"left at %1, back at %2"_s.arg(left).arg(second.player()->position())));
    QStringList shown;
    for (const QString &box : {u"titleBox"_s, u"serialBox"_s, u"songIdBox"_s})
        shown.append(second.box(box)->text());
    QCOMPARE(shown, fields);
    const QStringList asked = service.requestTargets().mid(firstRun);
    QVERIFY(std::none_of(asked.begin(), asked.end(),
                         [](const QString &target) { return target.contains(u"getbglist"_s); }));
}

// A settings file that cannot be read is kept aside as it was, and the defaults are used
void RememberedTest::unreadableFileIsSetAside()
{
    const QString path = QSettings().fileName();
    QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
    const QByteArray broken = "[player\nvolume=5\n";
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(broken);
    file.close();

    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"^Settings file unreadable"_s));
    const SettingsStore settings;
    QCOMPARE(settings.volume(), 100);
    const QStringList aside = QFileInfo(path).dir().entryList(
        {QFileInfo(path).fileName() + u".unreadable-*"_s}, QDir::Files);
    QCOMPARE(aside.size(), 1);
    QFile kept(QFileInfo(path).dir().filePath(aside.first()));
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), broken);
    QVERIFY(!QFileInfo::exists(path));
}

QTEST_MAIN(RememberedTest)
#include "test_remembered.moc"
