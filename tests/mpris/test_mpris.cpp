#include "app/desktopintegration.h"
#include "app/mainwindow.h"
#include "catalogueservice.h"
#include "fakes.h"
#include "mpris/mprisservice.h"
#include "playback/listplayer.h"
#include "playback/playorder.h"
#include "player/audioplayer.h"
#include "player/songnotifier.h"
#include "privatebus.h"
#include "songlist/songlistmodel.h"
#include "testwindow.h"
#include "timescale.h"
#include "widgets/reportlistview.h"

#include <QAction>
#include <QApplication>
#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QLineEdit>
#include <QMetaEnum>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <QXmlStreamReader>

#include <memory>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

// The machine is slow and shared: media start within seconds, but allow far more.
constexpr int kTimeout = 30000;
// How long to keep watching for a late, unwanted signal
constexpr int kSettle = 800;

const QString kName = u"org.mpris.MediaPlayer2.quillpod"_s;
const QString kPath = u"/org/mpris/MediaPlayer2"_s;
const QString kRoot = u"org.mpris.MediaPlayer2"_s;
const QString kPlayer = u"org.mpris.MediaPlayer2.Player"_s;
const QString kProperties = u"org.freedesktop.DBus.Properties"_s;

// Two songs of four seconds: long enough to pause, stop and seek before they end
const QByteArray kCatalogue = R"({"background": ["2"], "songs": [
    {"id": "1", "title": "晴天", "serial": "S1", "path": "/music/sunny_1.wav"},
    {"id": "2", "title": "夜曲", "serial": "S2", "path": "/music/nocturne_2.wav"}]})";

// Three songs of a minute, so that none ends while a test goes through them
const QByteArray kThreeSongs = R"({"background": ["2"], "songs": [
    {"id": "1", "title": "晴天", "serial": "S1", "path": "/music/sunny_1.wav"},
    {"id": "2", "title": "夜曲", "serial": "S2", "path": "/music/nocturne_2.wav"},
    {"id": "3", "title": "稻香", "serial": "S3", "path": "/music/rice_3.wav"}]})";

const QString kMarkedUpTitle = u"<a href=\"http://x/\">晴天</a> & <img src=\"/x.png\">"_s;

// The desktop's notification service, as far as the program uses it
class FakeNotifications : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    struct Shown {
        uint replaces;
        QString summary;
        QString body;
    };
    QList<Shown> shown;
    bool markup = true;

public slots:
    Q_SCRIPTABLE QStringList GetCapabilities()
    {
        return markup ? QStringList {u"body"_s, u"body-markup"_s} : QStringList {u"body"_s};
    }
    Q_SCRIPTABLE uint Notify(const QString &, uint replacesId, const QString &,
                             const QString &summary, const QString &body, const QStringList &,
                             const QVariantMap &, int)
    {
        shown.append({replacesId, summary, body});
        return replacesId > 0 ? replacesId : uint(shown.size()) + 40;
    }
};

// What the player announced on the bus, as a client sees it
class BusListener : public QObject {
    Q_OBJECT

public:
    QList<QVariantMap> changes;
    QList<qlonglong> seeks;

    QList<QVariant> announced(const QString &property) const
    {
        QList<QVariant> values;
        for (const QVariantMap &change : changes) {
            if (change.contains(property))
                values.append(change.value(property));
        }
        return values;
    }

public slots:
    void propertiesChanged(const QString &interface, const QVariantMap &changed,
                           const QStringList &)
    {
        if (interface == kPlayer)
            changes.append(changed);
    }
    void seeked(qlonglong position) { seeks.append(position); }
};

// Nested dictionaries arrive unconverted
QVariantMap toMap(const QVariant &value)
{
    if (value.canConvert<QDBusArgument>())
        return qdbus_cast<QVariantMap>(value.value<QDBusArgument>());
    return value.toMap();
}

QString trackId(const QVariantMap &metadata)
{
    const QVariant id = metadata.value(u"mpris:trackid"_s);
    if (id.canConvert<QDBusArgument>())
        return qdbus_cast<QDBusObjectPath>(id.value<QDBusArgument>()).path();
    return id.value<QDBusObjectPath>().path();
}

} // namespace

class MprisTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void publishesItself();
    void playPauseAndStop();
    void announcesChanges();
    void seeking();
    void volumeMapsToPercent_data();
    void volumeMapsToPercent();
    void raiseAndQuit();
    void titleFollowsTheList();
    void nextPreviousAndStop();
    void openedAddressIsNoRow();
    void notifiesSongsFromTheList();
    void titlesShowAsText_data();
    void titlesShowAsText();
    void playModeRoundTrip_data();
    void playModeRoundTrip();

private:
    QString media(const QString &name) const { return m_service->base() + u"/music/"_s + name; }
    QDBusMessage call(const QString &interface, const QString &method,
                      const QVariantList &arguments = {}) const;
    QVariant property(const QString &interface, const QString &name) const;
    QString playbackStatus() const;
    QVariantMap metadata() const;
    void listen(BusListener &listener);

    std::unique_ptr<CatalogueService> m_service;
    std::unique_ptr<PrivateBus> m_bus;
    // The program's side and the desktop's side of the bus
    std::optional<QDBusConnection> m_programBus;
    std::optional<QDBusConnection> m_desktopBus;
};

void MprisTest::initTestCase()
{
    m_service = std::make_unique<CatalogueService>(QStringList(), kCatalogue);
    QVERIFY(m_service->isRunning());
    m_bus = std::make_unique<PrivateBus>();
    QVERIFY2(m_bus->isRunning(), "dbus-daemon did not start");
    m_programBus = m_bus->connect(u"program"_s);
    m_desktopBus = m_bus->connect(u"desktop"_s);
    QVERIFY(m_programBus->isConnected());
    QVERIFY(m_desktopBus->isConnected());
}

// Each test starts from the defaults: the program keeps the play mode a test before chose
void MprisTest::init()
{
    QSettings().clear();
}

void MprisTest::cleanupTestCase()
{
    m_programBus.reset();
    m_desktopBus.reset();
    m_bus.reset();
    m_service.reset();
}

QDBusMessage MprisTest::call(const QString &interface, const QString &method,
                             const QVariantList &arguments) const
{
    QDBusMessage message = QDBusMessage::createMethodCall(kName, kPath, interface, method);
    message.setArguments(arguments);
    // The player answers from this very thread: wait with the event loop running
    return m_desktopBus->call(message, QDBus::BlockWithGui, kTimeout);
}

QVariant MprisTest::property(const QString &interface, const QString &name) const
{
    const QDBusMessage reply = call(kProperties, u"Get"_s, {interface, name});
    if (reply.type() != QDBusMessage::ReplyMessage)
        return QVariant();
    return reply.arguments().value(0).value<QDBusVariant>().variant();
}

QString MprisTest::playbackStatus() const
{
    return property(kPlayer, u"PlaybackStatus"_s).toString();
}

QVariantMap MprisTest::metadata() const
{
    return toMap(property(kPlayer, u"Metadata"_s));
}

void MprisTest::listen(BusListener &listener)
{
    QVERIFY(m_desktopBus->connect(kName, kPath, kProperties, u"PropertiesChanged"_s, &listener,
                                  SLOT(propertiesChanged(QString, QVariantMap, QStringList))));
    QVERIFY(m_desktopBus->connect(kName, kPath, kPlayer, u"Seeked"_s, &listener,
                                  SLOT(seeked(qlonglong))));
}

void MprisTest::publishesItself()
{
    QWidget window;
    AudioPlayer player;
    QDBusConnectionInterface *const bus = m_desktopBus->interface();
    {
        const MprisService service(window, player, *m_programBus);
        QCOMPARE(service.serviceName(), kName);
        QVERIFY(bus->isServiceRegistered(kName));

        // What the sound menu shows for the program
        QCOMPARE(property(kRoot, u"Identity"_s).toString(), u"Quillpod"_s);
        QCOMPARE(property(kRoot, u"DesktopEntry"_s).toString(), u"org.quillpod.Quillpod"_s);
        QCOMPARE(property(kPlayer, u"PlaybackStatus"_s).toString(), u"Stopped"_s);
        QCOMPARE(property(kPlayer, u"CanPlay"_s), QVariant(false));
        // Nothing loaded: no track
        const QVariantMap nothing = metadata();
        QCOMPARE(trackId(nothing), u"/org/mpris/MediaPlayer2/TrackList/NoTrack"_s);
        QVERIFY(!nothing.contains(u"xesam:title"_s));

        // A second instance takes a name of its own instead of failing
        AudioPlayer secondPlayer;
        const QDBusConnection secondBus = m_bus->connect(u"second program"_s);
        const MprisService second(window, secondPlayer, secondBus);
        QCOMPARE(second.serviceName(),
                 u"%1.instance%2"_s.arg(kName).arg(QCoreApplication::applicationPid()));
        QVERIFY(bus->isServiceRegistered(second.serviceName()));

        // The player interface offers its own methods and nothing else
        const QDBusMessage reply
            = call(u"org.freedesktop.DBus.Introspectable"_s, u"Introspect"_s, {});
        QXmlStreamReader xml(reply.arguments().value(0).toString());
        QString interface;
        QStringList methods;
        while (xml.readNextStartElement() || !xml.atEnd()) {
            if (xml.isStartElement() && xml.name() == u"interface"_s)
                interface = xml.attributes().value(u"name"_s).toString();
            else if (xml.isStartElement() && xml.name() == u"method"_s && interface == kPlayer)
                methods.append(xml.attributes().value(u"name"_s).toString());
        }
        methods.sort();
        QCOMPARE(methods,
                 (QStringList {u"Next"_s, u"OpenUri"_s, u"Pause"_s, u"Play"_s, u"PlayPause"_s,
                               u"Previous"_s, u"Seek"_s, u"SetPosition"_s, u"Stop"_s}));
    }
    // and they leave the bus with the window
    QVERIFY(!bus->isServiceRegistered(kName));
}

// Commands go through the player's own controls: a stop is the stop button's, reported once,
// so that the window goes on from the list as it does after the button.
void MprisTest::playPauseAndStop()
{
    QWidget window;
    AudioPlayer player;
    const MprisService service(window, player, *m_programBus);
    player.setUrl(media(u"sunny_1.wav"_s));
    QTRY_COMPARE_WITH_TIMEOUT(playbackStatus(), u"Playing"_s, scaled(kTimeout));
    const QSignalSpy states(&player, &AudioPlayer::playStateChanged);

    QCOMPARE(call(kPlayer, u"PlayPause"_s).type(), QDBusMessage::ReplyMessage);
    QTRY_COMPARE_WITH_TIMEOUT(playbackStatus(), u"Paused"_s, scaled(kTimeout));
    QCOMPARE(player.statusText(), u"已暂停"_s);
    call(kPlayer, u"Play"_s);
    QTRY_COMPARE_WITH_TIMEOUT(playbackStatus(), u"Playing"_s, scaled(kTimeout));
    call(kPlayer, u"Pause"_s);
    QTRY_COMPARE_WITH_TIMEOUT(playbackStatus(), u"Paused"_s, scaled(kTimeout));
    call(kPlayer, u"PlayPause"_s);
    QTRY_COMPARE_WITH_TIMEOUT(playbackStatus(), u"Playing"_s, scaled(kTimeout));

    call(kPlayer, u"Stop"_s);
    QCOMPARE(player.playState(), PlayState::Stopped);
    QCOMPARE(playbackStatus(), u"Stopped"_s);
    QTest::qWait(scaled(kSettle));
    QCOMPARE(player.playState(), PlayState::Stopped);
    int stops = 0;
    for (const QList<QVariant> &arguments : states)
        stops += arguments.at(0).value<PlayState>() == PlayState::Stopped;
    QCOMPARE(stops, 1);

    // Play after a stop starts the song over
    call(kPlayer, u"Play"_s);
    QTRY_COMPARE_WITH_TIMEOUT(playbackStatus(), u"Playing"_s, scaled(kTimeout));
    QCOMPARE(player.url(), media(u"sunny_1.wav"_s));
}

void MprisTest::announcesChanges()
{
    QWidget window;
    AudioPlayer player;
    const MprisService service(window, player, *m_programBus);
    BusListener listener;
    listen(listener);

    player.setUrl(media(u"sunny_1.wav"_s));
    player.setTitle(u"晴天"_s);
    QTRY_VERIFY_WITH_TIMEOUT(listener.announced(u"PlaybackStatus"_s).contains(u"Playing"_s),
                             scaled(kTimeout));
    QTRY_VERIFY_WITH_TIMEOUT(listener.announced(u"CanSeek"_s).contains(true), scaled(kTimeout));
    QTest::qWait(scaled(kSettle));
    // Each change once, and only changes
    QCOMPARE(listener.announced(u"PlaybackStatus"_s).count(u"Playing"_s), 1);
    QVERIFY(!listener.changes.contains(QVariantMap()));
    QCOMPARE(listener.announced(u"Volume"_s), QList<QVariant>());
    // The address and its title are told together, never the file name in between
    const QList<QVariant> told = listener.announced(u"Metadata"_s);
    QVERIFY(!told.isEmpty());
    for (const QVariant &value : told)
        QCOMPARE(toMap(value).value(u"xesam:title"_s).toString(), u"晴天"_s);
    const QVariantMap first = toMap(told.last());
    const qlonglong length = first.value(u"mpris:length"_s).toLongLong();
    QVERIFY2(qAbs(length - 4'000'000) < 50'000, qPrintable(QString::number(length)));
    QCOMPARE(trackId(metadata()), trackId(first));

    // A song without a title is named by its file, and is a new track
    listener.changes.clear();
    player.setUrl(media(u"nocturne_2.wav"_s));
    QTRY_VERIFY_WITH_TIMEOUT(!listener.announced(u"Metadata"_s).isEmpty(), scaled(kTimeout));
    const QVariantMap second = toMap(listener.announced(u"Metadata"_s).last());
    QCOMPARE(second.value(u"xesam:title"_s).toString(), u"nocturne_2.wav"_s);
    QVERIFY(trackId(second).startsWith(u"/org/quillpod/track/"_s));
    QVERIFY(trackId(second) != trackId(first));

    player.setVolume(80);
    QTRY_COMPARE_WITH_TIMEOUT(listener.announced(u"Volume"_s), QList<QVariant> {0.8},
                              scaled(kTimeout));
}

void MprisTest::seeking()
{
    QWidget window;
    AudioPlayer player;
    const MprisService service(window, player, *m_programBus);
    BusListener listener;
    listen(listener);

    player.setUrl(media(u"sunny_1.wav"_s));
    QTRY_VERIFY_WITH_TIMEOUT(property(kPlayer, u"CanSeek"_s).toBool(), scaled(kTimeout));
    QTRY_COMPARE_WITH_TIMEOUT(playbackStatus(), u"Playing"_s, scaled(kTimeout));
    // Paused, the position stays where the seek put it
    call(kPlayer, u"Pause"_s);
    QTRY_COMPARE_WITH_TIMEOUT(playbackStatus(), u"Paused"_s, scaled(kTimeout));
    const QDBusObjectPath track(trackId(metadata()));
    const auto position = [this] { return property(kPlayer, u"Position"_s).toLongLong(); };

    call(kPlayer, u"SetPosition"_s, {QVariant::fromValue(track), qlonglong(2'500'000)});
    QTRY_COMPARE_WITH_TIMEOUT(listener.seeks, QList<qlonglong> {2'500'000}, scaled(kTimeout));
    QTRY_VERIFY_WITH_TIMEOUT(qAbs(position() - 2'500'000) < 100'000, scaled(kTimeout));

    // Requests for another track, or past the end, are not for this song
    call(kPlayer, u"SetPosition"_s,
         {QVariant::fromValue(QDBusObjectPath(u"/org/quillpod/track/999"_s)), qlonglong(0)});
    call(kPlayer, u"SetPosition"_s, {QVariant::fromValue(track), qlonglong(60'000'000)});

    // Relative, and never before the start
    call(kPlayer, u"Seek"_s, {qlonglong(-1'000'000)});
    QTRY_COMPARE_WITH_TIMEOUT(listener.seeks.size(), 2, scaled(kTimeout));
    QVERIFY2(qAbs(listener.seeks.last() - 1'500'000) < 100'000,
             qPrintable(QString::number(listener.seeks.last())));
    call(kPlayer, u"Seek"_s, {qlonglong(-60'000'000)});
    QTRY_COMPARE_WITH_TIMEOUT(listener.seeks.size(), 3, scaled(kTimeout));
    QCOMPARE(listener.seeks.last(), 0);
    QTest::qWait(scaled(kSettle));
    QCOMPARE(listener.seeks.size(), 3);
    QCOMPARE(playbackStatus(), u"Paused"_s);
}

void MprisTest::volumeMapsToPercent_data()
{
    QTest::addColumn<double>("requested");
    QTest::addColumn<int>("expected");
    QTest::newRow("silent") << 0.0 << 0;
    QTest::newRow("some") << 0.37 << 37;
    QTest::newRow("rounded") << 0.626 << 63;
    QTest::newRow("full") << 1.0 << 100;
    QTest::newRow("above") << 1.5 << 100;
    QTest::newRow("below") << -0.2 << 0;
}

void MprisTest::volumeMapsToPercent()
{
    QFETCH(const double, requested);
    QFETCH(const int, expected);
    QWidget window;
    AudioPlayer player;
    const MprisService service(window, player, *m_programBus);

    const QDBusMessage reply
        = call(kProperties, u"Set"_s,
               {kPlayer, u"Volume"_s, QVariant::fromValue(QDBusVariant(requested))});
    QCOMPARE(reply.type(), QDBusMessage::ReplyMessage);
    QCOMPARE(player.volume(), expected);
    QCOMPARE(property(kPlayer, u"Volume"_s).toDouble(), expected / 100.0);
}

void MprisTest::raiseAndQuit()
{
    TestWindow window(u"http://127.0.0.1:1"_s);
    MainWindow &mainWindow = window.window();
    const MprisService service(mainWindow, window.app().player(), *m_programBus);

    call(kRoot, u"Raise"_s);
    QVERIFY(mainWindow.isVisible());
    QTRY_COMPARE_WITH_TIMEOUT(QApplication::activeWindow(), &mainWindow, scaled(kTimeout));

    // As the close button: the exit page opens and the program ends
    QCOMPARE(call(kRoot, u"Quit"_s).type(), QDBusMessage::ReplyMessage);
    QTRY_COMPARE_WITH_TIMEOUT(window.programEnds, 1, scaled(kTimeout));
    QVERIFY(!mainWindow.isVisible());
    QCOMPARE(window.shell.opened, QStringList {u"http://127.0.0.1:1/bye"_s});
}

// The desktop names the song the list plays, also when the list goes on by itself
void MprisTest::titleFollowsTheList()
{
    TestWindow window(m_service->base());
    MainWindow &mainWindow = window.window();
    QVERIFY(window.load());
    SongListModel &songs = window.songs();
    QCOMPARE(songs.size(), 2);
    const MprisService service(mainWindow, window.app().player(), *m_programBus);

    // The background track has no row: its file names it
    QCOMPARE(metadata().value(u"xesam:title"_s).toString(), u"nocturne_2.wav"_s);

    window.list()->selectRow(1);
    mainWindow.findChild<QAction *>(u"playAction"_s)->trigger();
    QVERIFY(window.waitForSongChoice());
    QTRY_COMPARE_WITH_TIMEOUT(playbackStatus(), u"Playing"_s, scaled(kTimeout));
    QCOMPARE(metadata().value(u"xesam:title"_s).toString(), u"夜曲"_s);
    const QString lastRowTrack = trackId(metadata());

    // The player's own stop button goes on with row 1, while the boxes still show the last row
    QTest::mouseClick(mainWindow.findChild<QToolButton *>(u"stopButton"_s), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(metadata().value(u"xesam:title"_s).toString(), u"晴天"_s,
                              scaled(kTimeout));
    QVERIFY(trackId(metadata()) != lastRowTrack);
    QCOMPARE(mainWindow.findChild<QLineEdit *>(u"titleBox"_s)->text().trimmed(), u"夜曲"_s);
    QTRY_COMPARE_WITH_TIMEOUT(playbackStatus(), u"Playing"_s, scaled(kTimeout));
}

// Next and previous go through the list as a double-click on a row would, every box showing the
// song; the desktop's stop stays a stop
void MprisTest::nextPreviousAndStop()
{
    const CatalogueService service({u"--media-seconds"_s, u"60"_s}, kThreeSongs);
    QVERIFY(service.isRunning());
    TestWindow window(service.base());
    MainWindow &mainWindow = window.window();
    window.app().integrateDesktop(*m_programBus);
    BusListener listener;
    listen(listener);
    const auto title = [this] { return metadata().value(u"xesam:title"_s).toString(); };
    const auto asked = [&] { return service.requestTargets().filter(u"getonemusic"_s).size(); };

    // Nothing to go to before the list is there; the background track is named by its file
    QCOMPARE(property(kPlayer, u"CanGoNext"_s), QVariant(false));
    QVERIFY(window.load());
    QTRY_COMPARE_WITH_TIMEOUT(listener.announced(u"CanGoNext"_s), QList<QVariant> {true},
                              scaled(kTimeout));
    QCOMPARE(listener.announced(u"CanGoPrevious"_s), QList<QVariant> {true});
    QCOMPARE(title(), u"nocturne_2.wav"_s);

    const QStringList titles {u"晴天"_s, u"夜曲"_s, u"稻香"_s};
    const QStringList rawLinks {service.base() + u"/music/sunny_1.wav"_s,
                                service.base() + u"/music/nocturne_2.wav"_s,
                                service.base() + u"/music/rice_3.wav"_s};
    for (const int row : {1, 2, 3, 1}) {
        const int before = asked();
        QCOMPARE(call(kPlayer, u"Next"_s).type(), QDBusMessage::ReplyMessage);
        QVERIFY(window.waitForSongChoice());
        QCOMPARE(title(), titles.at(row - 1));
        QCOMPARE(window.app().playIndex(), row);
        QCOMPARE(mainWindow.findChild<QLineEdit *>(u"titleBox"_s)->text().trimmed(),
                 titles.at(row - 1));
        QCOMPARE(mainWindow.findChild<QLineEdit *>(u"rawLinkBox"_s)->text(), rawLinks.at(row - 1));
        QCOMPARE(asked(), before + 3);
    }
    QTRY_COMPARE_WITH_TIMEOUT(
        toMap(listener.announced(u"Metadata"_s).last()).value(u"xesam:title"_s).toString(),
        u"晴天"_s, scaled(kTimeout));

    // Paused early in row 1: previous goes round to the last row, then back
    QTRY_COMPARE_WITH_TIMEOUT(playbackStatus(), u"Playing"_s, scaled(kTimeout));
    call(kPlayer, u"Pause"_s);
    QTRY_COMPARE_WITH_TIMEOUT(playbackStatus(), u"Paused"_s, scaled(kTimeout));
    QVERIFY(window.app().player().position() < PlayOrder::kRestartAfterMs);
    call(kPlayer, u"Previous"_s);
    QVERIFY(window.waitForSongChoice());
    QCOMPARE(title(), u"稻香"_s);
    call(kPlayer, u"Previous"_s);
    QVERIFY(window.waitForSongChoice());
    QCOMPARE(title(), u"夜曲"_s);

    // Past the first seconds previous starts the same song over
    QTRY_VERIFY_WITH_TIMEOUT(property(kPlayer, u"CanSeek"_s).toBool(), scaled(kTimeout));
    const QDBusObjectPath track(trackId(metadata()));
    call(kPlayer, u"SetPosition"_s, {QVariant::fromValue(track), qlonglong(10'000'000)});
    QTRY_VERIFY_WITH_TIMEOUT(window.app().player().position() > PlayOrder::kRestartAfterMs,
                             scaled(kTimeout));
    const int before = asked();
    call(kPlayer, u"Previous"_s);
    QTRY_VERIFY_WITH_TIMEOUT(window.app().player().position() < PlayOrder::kRestartAfterMs,
                             scaled(kTimeout));
    QCOMPARE(trackId(metadata()), track.path());
    QCOMPARE(asked(), before);

    // Stop: stopped at the start, and the list does not go on
    call(kPlayer, u"Play"_s);
    QTRY_COMPARE_WITH_TIMEOUT(playbackStatus(), u"Playing"_s, scaled(kTimeout));
    call(kPlayer, u"Stop"_s);
    QTRY_COMPARE_WITH_TIMEOUT(listener.announced(u"PlaybackStatus"_s).last(),
                              QVariant(u"Stopped"_s), scaled(kTimeout));
    QTest::qWait(scaled(kSettle));
    QCOMPARE(playbackStatus(), u"Stopped"_s);
    QCOMPARE(property(kPlayer, u"Position"_s).toLongLong(), 0);
    QCOMPARE(asked(), before);
    QCOMPARE(title(), u"夜曲"_s);
}

// An address opened from the desktop that cannot be played is said in the status bar; the row
// that played before is not blamed, and the list does not go past it
void MprisTest::openedAddressIsNoRow()
{
    const CatalogueService service({u"--media-seconds"_s, u"60"_s}, kThreeSongs);
    QVERIFY(service.isRunning());
    TestWindow window(service.base());
    window.app().integrateDesktop(*m_programBus);
    QVERIFY(window.load());
    call(kPlayer, u"Next"_s);
    QVERIFY(window.waitForSongChoice());
    QTRY_COMPARE_WITH_TIMEOUT(playbackStatus(), u"Playing"_s, scaled(kTimeout));
    const int asked = service.requestTargets().filter(u"getonemusic"_s).size();

    const QString missing = service.base() + u"/x"_s;
    call(kPlayer, u"OpenUri"_s, {missing});
    QTRY_VERIFY_WITH_TIMEOUT(window.panel(1).startsWith(u"无法播放打开的地址："_s),
                             scaled(kTimeout));
    QCOMPARE(window.app().player().url(), missing);
    QCOMPARE(window.songs().playMark(), -1);
    for (int row = 0; row < 3; ++row)
        QVERIFY(window.list()->listModel().index(row, 0).data(Qt::ToolTipRole).isNull());
    QVERIFY(!window.app().listPlayer().skipPending());
    QVERIFY(!window.app().listPlayer().waitsForService());
    QCOMPARE(service.requestTargets().filter(u"getonemusic"_s).size(), asked);
}

// A song from the list that begins while the window is in the background is announced, each
// notice replacing the one before; the background track and a song watched in the window are
// not, and without a notification service nothing is shown
void MprisTest::notifiesSongsFromTheList()
{
    const CatalogueService service({u"--media-seconds"_s, u"60"_s}, kThreeSongs);
    QVERIFY(service.isRunning());
    FakeNotifications notifications;
    QDBusConnection desktopSide = m_bus->connect(u"notifications"_s);
    QVERIFY(desktopSide.registerObject(u"/org/freedesktop/Notifications"_s, &notifications,
                                       QDBusConnection::ExportScriptableSlots));
    QVERIFY(desktopSide.registerService(u"org.freedesktop.Notifications"_s));
    TestWindow window(service.base());
    MainWindow &mainWindow = window.window();
    window.app().integrateDesktop(*m_programBus);
    QVERIFY(window.load());
    QAction *const play = mainWindow.findChild<QAction *>(u"playAction"_s);
    const auto playRow = [&](int row) {
        window.list()->selectRow(row - 1);
        play->trigger();
        QVERIFY(window.waitForSongChoice());
        QTRY_COMPARE_WITH_TIMEOUT(playbackStatus(), u"Playing"_s, scaled(kTimeout));
    };

    QTRY_COMPARE_WITH_TIMEOUT(playbackStatus(), u"Playing"_s, scaled(kTimeout));
    playRow(3);
    QTRY_COMPARE_WITH_TIMEOUT(notifications.shown.size(), 1, scaled(kTimeout));
    playRow(1);
    QTRY_COMPARE_WITH_TIMEOUT(notifications.shown.size(), 2, scaled(kTimeout));
    QCOMPARE(notifications.shown.at(0).replaces, 0u);
    QCOMPARE(notifications.shown.at(0).summary, u"正在播放"_s);
    QCOMPARE(notifications.shown.at(0).body, u"稻香"_s);
    QCOMPARE(notifications.shown.at(1).replaces, 41u);
    QCOMPARE(notifications.shown.at(1).body, u"晴天"_s);

    // The user is looking at the window
    QVERIFY(window.show());
    mainWindow.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&mainWindow));
    playRow(2);
    QTest::qWait(scaled(kSettle));
    QCOMPARE(notifications.shown.size(), 2);
    mainWindow.hide();

    // No service: one line in the log, then quiet
    desktopSide.unregisterService(u"org.freedesktop.Notifications"_s);
    QTest::ignoreMessage(QtInfoMsg, QRegularExpression(u"No song notifications"_s));
    playRow(3);
    QTest::qWait(scaled(kSettle));
    playRow(1);
    QTest::qWait(scaled(kSettle));
    QCOMPARE(notifications.shown.size(), 2);
    QDBusConnection::disconnectFromBus(u"notifications"_s);
}

void MprisTest::titlesShowAsText_data()
{
    QTest::addColumn<bool>("markup"); // whether the server reads markup in the body
    QTest::addColumn<QString>("body");

    QTest::newRow("server reads markup")
        << true << u"&lt;a href=\"http://x/\"&gt;晴天&lt;/a&gt; &amp; &lt;img src=\"/x.png\"&gt;"_s;
    QTest::newRow("server shows text") << false << kMarkedUpTitle;
}

// A title from the service never becomes a link or a picture in the notification
void MprisTest::titlesShowAsText()
{
    FakeNotifications notifications;
    QFETCH(const bool, markup);
    notifications.markup = markup;
    QDBusConnection desktopSide = m_bus->connect(u"notifications"_s);
    QVERIFY(desktopSide.registerObject(u"/org/freedesktop/Notifications"_s, &notifications,
                                       QDBusConnection::ExportScriptableSlots));
    QVERIFY(desktopSide.registerService(u"org.freedesktop.Notifications"_s));

    SongNotifier notifier(*m_programBus);
    notifier.notify(kMarkedUpTitle);
    QTRY_COMPARE_WITH_TIMEOUT(notifications.shown.size(), 1, scaled(kTimeout));
    QTEST(notifications.shown.at(0).body, "body");
    desktopSide.unregisterService(u"org.freedesktop.Notifications"_s);
    QDBusConnection::disconnectFromBus(u"notifications"_s);
}

void MprisTest::playModeRoundTrip_data()
{
    QTest::addColumn<QString>("property");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<PlayMode>("mode");
    QTest::addColumn<QString>("loopStatus");
    QTest::addColumn<bool>("shuffle");

    // As `playerctl loop …` and `playerctl shuffle On` set them
    QTest::newRow("loop Track") << u"LoopStatus"_s << QVariant(u"Track"_s) << PlayMode::TrackLoop
                                << u"Track"_s << false;
    QTest::newRow("loop None") << u"LoopStatus"_s << QVariant(u"None"_s) << PlayMode::Sequential
                               << u"None"_s << false;
    QTest::newRow("loop Playlist") << u"LoopStatus"_s << QVariant(u"Playlist"_s)
                                   << PlayMode::ListLoop << u"Playlist"_s << false;
    QTest::newRow("shuffle On") << u"Shuffle"_s << QVariant(true) << PlayMode::Shuffle
                                << u"Playlist"_s << true;
}

// Loop and shuffle set on the bus choose the window's play mode; a mode chosen in the window is
// told on the bus
void MprisTest::playModeRoundTrip()
{
    QFETCH(const QString, property);
    QFETCH(const QVariant, value);
    QFETCH(const PlayMode, mode);
    QFETCH(const QString, loopStatus);
    QFETCH(const bool, shuffle);
    TestWindow window(u"http://127.0.0.1:1"_s);
    window.app().integrateDesktop(*m_programBus);
    const ListPlayer &list = window.app().listPlayer();
    BusListener listener;
    listen(listener);
    // What the bus was told last, the default mode's values before anything
    const auto told = [&] {
        const QList<QVariant> statuses = listener.announced(u"LoopStatus"_s);
        const QList<QVariant> shuffles = listener.announced(u"Shuffle"_s);
        return std::pair(statuses.isEmpty() ? u"Track"_s : statuses.last().toString(),
                         !shuffles.isEmpty() && shuffles.last().toBool());
    };
    const auto read = [this] {
        return std::pair(this->property(kPlayer, u"LoopStatus"_s).toString(),
                         this->property(kPlayer, u"Shuffle"_s).toBool());
    };
    // The default mode: a song that ends plays again, but on the last row
    QCOMPARE(read(), std::pair(u"Track"_s, false));

    const QDBusMessage reply = call(kProperties, u"Set"_s,
                                    {kPlayer, property, QVariant::fromValue(QDBusVariant(value))});
    QCOMPARE(reply.type(), QDBusMessage::ReplyMessage);
    QCOMPARE(list.playMode(), mode);
    const QString key = QString::fromLatin1(QMetaEnum::fromType<PlayMode>().valueToKey(int(mode)));
    QVERIFY(window.child<QAction>(u"playMode%1Action"_s.arg(key))->isChecked());
    QCOMPARE(read(), std::pair(loopStatus, shuffle));
    QTRY_COMPARE_WITH_TIMEOUT(told(), std::pair(loopStatus, shuffle), scaled(kTimeout));

    // The strip's button goes on to the next mode, and the bus is told its loop and shuffle
    QTest::mouseClick(window.child<QToolButton>(u"playModeButton"_s), Qt::LeftButton);
    QCOMPARE(list.playMode(), nextPlayMode(mode));
    const std::pair next = read();
    QVERIFY(next != std::pair(loopStatus, shuffle));
    QTRY_COMPARE_WITH_TIMEOUT(told(), next, scaled(kTimeout));
}

QTEST_MAIN(MprisTest)
#include "test_mpris.moc"
