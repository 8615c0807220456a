#include "app/form1.h"
#include "catalogueservice.h"
#include "fakes.h"
#include "mpris/mprisservice.h"
#include "player/mediaplayerwidget.h"
#include "songlist/searchstate.h"
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
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

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

// A bus of the test's own, so that nothing shows in the desktop's sound menu; it ends with the
// test.
class PrivateBus {
public:
    PrivateBus()
    {
        m_daemon.start(u"dbus-daemon"_s,
                       {u"--session"_s, u"--nofork"_s, u"--nopidfile"_s, u"--print-address"_s});
        while (!m_daemon.canReadLine() && m_daemon.waitForReadyRead(kTimeout)) { }
        m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
    }
    ~PrivateBus()
    {
        for (const QString &name : std::as_const(m_connections))
            QDBusConnection::disconnectFromBus(name);
        m_daemon.terminate();
        if (!m_daemon.waitForFinished(5000)) {
            m_daemon.kill();
            m_daemon.waitForFinished();
        }
    }

    bool isRunning() const { return !m_address.isEmpty(); }
    QDBusConnection connect(const QString &name)
    {
        m_connections.append(name);
        return QDBusConnection::connectToBus(m_address, name);
    }

private:
    QProcess m_daemon;
    QString m_address;
    QStringList m_connections;
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
    void publishesItself();
    void playPauseAndStop();
    void announcesChanges();
    void seeking();
    void volumeMapsToPercent_data();
    void volumeMapsToPercent();
    void raiseAndQuit();
    void titleFollowsTheList();

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
    MediaPlayerWidget player;
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
        MediaPlayerWidget secondPlayer;
        const QDBusConnection secondBus = m_bus->connect(u"second program"_s);
        const MprisService second(window, secondPlayer, secondBus);
        QCOMPARE(second.serviceName(),
                 u"%1.instance%2"_s.arg(kName).arg(QCoreApplication::applicationPid()));
        QVERIFY(bus->isServiceRegistered(second.serviceName()));
    }
    // and they leave the bus with the window
    QVERIFY(!bus->isServiceRegistered(kName));
}

// Commands go through the player's own controls: a stop is the stop button's, reported once,
// so that the window goes on from the list as it does after the button.
void MprisTest::playPauseAndStop()
{
    QWidget window;
    MediaPlayerWidget player;
    const MprisService service(window, player, *m_programBus);
    player.setURL(media(u"sunny_1.wav"_s));
    QTRY_COMPARE_WITH_TIMEOUT(playbackStatus(), u"Playing"_s, scaled(kTimeout));
    const QSignalSpy states(&player, &MediaPlayerWidget::PlayStateChange);

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
    QCOMPARE(player.playState(), int(MediaPlayer::Stopped));
    QCOMPARE(playbackStatus(), u"Stopped"_s);
    QTest::qWait(scaled(kSettle));
    QCOMPARE(player.playState(), int(MediaPlayer::Stopped));
    int stops = 0;
    for (const QList<QVariant> &arguments : states)
        stops += arguments.at(0).toInt() == MediaPlayer::Stopped;
    QCOMPARE(stops, 1);

    // Play after a stop starts the song over
    call(kPlayer, u"Play"_s);
    QTRY_COMPARE_WITH_TIMEOUT(playbackStatus(), u"Playing"_s, scaled(kTimeout));
    QCOMPARE(player.URL(), media(u"sunny_1.wav"_s));
}

void MprisTest::announcesChanges()
{
    QWidget window;
    MediaPlayerWidget player;
    const MprisService service(window, player, *m_programBus);
    BusListener listener;
    listen(listener);

    player.setURL(media(u"sunny_1.wav"_s));
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
    player.setURL(media(u"nocturne_2.wav"_s));
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
    MediaPlayerWidget player;
    const MprisService service(window, player, *m_programBus);
    BusListener listener;
    listen(listener);

    player.setURL(media(u"sunny_1.wav"_s));
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
    MediaPlayerWidget player;
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
    Form1 &form = window.form();
    const MprisService service(form, form.mediaPlayer(), *m_programBus);

    call(kRoot, u"Raise"_s);
    QVERIFY(form.isVisible());
    QTRY_COMPARE_WITH_TIMEOUT(QApplication::activeWindow(), &form, scaled(kTimeout));

    // As the close button: the exit page opens and the program ends
    QCOMPARE(call(kRoot, u"Quit"_s).type(), QDBusMessage::ReplyMessage);
    QTRY_COMPARE_WITH_TIMEOUT(window.programEnds, 1, scaled(kTimeout));
    QVERIFY(!form.isVisible());
    QCOMPARE(window.shell.opened, QStringList {u"http://127.0.0.1:1/bye"_s});
}

// The desktop names the song the list plays, also when the list goes on by itself
void MprisTest::titleFollowsTheList()
{
    TestWindow window(m_service->base());
    Form1 &form = window.form();
    form.Form_Load();
    auto *const list = form.findChild<ReportListView *>(u"ListView1"_s);
    QCOMPARE(list->count(), 2);
    const MprisService service(form, form.mediaPlayer(), *m_programBus);

    // The background track has no row: its file names it
    QCOMPARE(metadata().value(u"xesam:title"_s).toString(), u"nocturne_2.wav"_s);

    list->select(2);
    form.findChild<QAction *>(u"Players"_s)->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(playbackStatus(), u"Playing"_s, scaled(kTimeout));
    QCOMPARE(metadata().value(u"xesam:title"_s).toString(), u"夜曲"_s);
    const QString lastRowTrack = trackId(metadata());

    // A stop goes on with row 1, while the boxes still show the last row
    call(kPlayer, u"Stop"_s);
    QTRY_COMPARE_WITH_TIMEOUT(metadata().value(u"xesam:title"_s).toString(), u"晴天"_s,
                              scaled(kTimeout));
    QVERIFY(trackId(metadata()) != lastRowTrack);
    QCOMPARE(form.findChild<QLineEdit *>(u"Text3"_s)->text().trimmed(), u"夜曲"_s);
    QTRY_COMPARE_WITH_TIMEOUT(playbackStatus(), u"Playing"_s, scaled(kTimeout));
}

QTEST_MAIN(MprisTest)
#include "test_mpris.moc"
