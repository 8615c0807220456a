#include "player/audioplayer.h"
#include "player/mediaplayerwidget.h"
#include "timescale.h"

#include "localhttpserver.h"

#include <QApplication>
#include <QAudioOutput>
#include <QDir>
#include <QHostAddress>
#include <QLabel>
#include <QMetaEnum>
#include <QSignalSpy>
#include <QSlider>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QtEndian>

#include <cmath>
#include <memory>
#include <thread>

using namespace std::chrono_literals;
using namespace Qt::StringLiterals;

namespace {

// A player with its control strip, as the window shows it; children are looked for in the strip
struct Player : AudioPlayer {
    template<typename T> T findChild(const QString &name) const { return strip.findChild<T>(name); }
    MediaPlayerWidget strip {*this};
};

// The machine is slow and shared: media start within seconds, but allow far more.
constexpr int kTimeout = 30000;
// How long to keep watching for a late, unwanted signal
constexpr int kSettle = 800;

// A mono 16-bit PCM sine tone
QByteArray toneWav(int milliseconds, int frequency)
{
    constexpr int rate = 8000;
    const int samples = rate * milliseconds / 1000;
    QByteArray data(samples * 2, Qt::Uninitialized);
    for (int i = 0; i < samples; ++i) {
        const double value = 8000.0 * std::sin(2.0 * M_PI * frequency * i / rate);
        qToLittleEndian<qint16>(qint16(value), data.data() + 2 * i);
    }

    QByteArray wav;
    const auto append32 = [&wav](quint32 value) {
        char bytes[4];
        qToLittleEndian(value, bytes);
        wav.append(bytes, 4);
    };
    const auto append16 = [&wav](quint16 value) {
        char bytes[2];
        qToLittleEndian(value, bytes);
        wav.append(bytes, 2);
    };
    wav.append("RIFF");
    append32(36 + data.size());
    wav.append("WAVEfmt ");
    append32(16);
    append16(1); // PCM
    append16(1); // mono
    append32(rate);
    append32(rate * 2);
    append16(2);
    append16(16);
    wav.append("data");
    append32(data.size());
    return wav + data;
}

// Serves the files of `folder`. Under /plain/ it answers every request with the whole file, as
// servers do that know nothing of ranges.
void serveFolder(httplib::Server &server, const QString &folder)
{
    server.set_mount_point("/", folder.toStdString());
    server.Get(
        R"(/plain/([\w.-]+))",
        [folder = QDir(folder)](const httplib::Request &request, httplib::Response &response) {
            QFile file(folder.filePath(QString::fromStdString(request.matches[1])));
            if (!file.open(QIODevice::ReadOnly)) {
                response.status = 404;
                return;
            }
            response.set_content(file.readAll().toStdString(), "audio/wav");
            response.status = 200;
        });
}

QList<PlayState> reportedStates(const QSignalSpy &spy)
{
    QList<PlayState> states;
    for (const QList<QVariant> &arguments : spy)
        states.append(arguments.at(0).value<PlayState>());
    return states;
}

bool hasRepeats(const QList<PlayState> &states)
{
    return std::adjacent_find(states.cbegin(), states.cend()) != states.cend();
}

// The states as text for a failure message (QTest::toString hands over a buffer to free)
QString describe(const QList<PlayState> &states)
{
    QStringList texts;
    for (const PlayState state : states)
        texts.append(QLatin1StringView(QMetaEnum::fromType<PlayState>().valueToKey(int(state))));
    return texts.join(u',');
}

} // namespace

class MediaPlayerTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void startsIdle();
    void playsToTheEnd();
    void changingOverIsNotAStop_data();
    void changingOverIsNotAStop();
    void unloadingIsNotAStop();
    void brokenMediaIsNotAStop_data();
    void brokenMediaIsNotAStop();
    void refusesOtherSchemes_data();
    void refusesOtherSchemes();
    void pauseAndStopButtons();
    void handlerLoadsTheNextSong();
    void volumeIsLinear_data();
    void volumeIsLinear();
    void doubleClickOnlyReports();

private:
    QString url(const QString &name) const { return m_server.url(u'/' + name); }

    QTemporaryDir m_dir;
    LocalHttpServer m_server;
};

void MediaPlayerTest::initTestCase()
{
    QVERIFY(m_dir.isValid());
    const QList<std::pair<QString, QByteArray>> files = {
        {u"tone-a.wav"_s, toneWav(500, 440)},
        {u"tone-b.wav"_s, toneWav(300, 660)},
        {u"notes.mp3"_s, QByteArray("These are notes, not music.\n").repeated(40)},
        {u"truncated.wav"_s, toneWav(2000, 440).left(30)},
        {u"silence.wav"_s, toneWav(0, 440)},
    };
    for (const auto &[name, content] : files) {
        QFile file(m_dir.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(content), content.size());
    }
    serveFolder(m_server.server(), m_dir.path());
    QVERIFY(m_server.start());
}

void MediaPlayerTest::startsIdle()
{
    const Player player;
    QCOMPARE(player.playState(), PlayState::Undefined);
    QCOMPARE(player.statusText(), u"就绪"_s);
    QCOMPARE(player.url(), QString());
    QVERIFY(!player.findChild<QSlider *>(u"seekSlider"_s)->isEnabled());
    QCOMPARE(player.findChild<QLabel *>(u"timeLabel"_s)->text(), u"0:00 / 0:00"_s);
}

void MediaPlayerTest::playsToTheEnd()
{
    Player player;
    const QSignalSpy spy(&player, &AudioPlayer::playStateChanged);
    const auto *const seekSlider = player.findChild<QSlider *>(u"seekSlider"_s);

    player.setUrl(url(u"tone-a.wav"_s));
    QCOMPARE(player.url(), url(u"tone-a.wav"_s));
    QCOMPARE(player.playState(), PlayState::Buffering);
    QCOMPARE(player.statusText(), u"正在连接…"_s);

    QTRY_COMPARE_WITH_TIMEOUT(player.playState(), PlayState::Playing, scaled(kTimeout));
    QCOMPARE(player.statusText(), u"正在播放：tone-a.wav"_s);
    QTRY_VERIFY_WITH_TIMEOUT(seekSlider->isEnabled(), scaled(kTimeout));
    QCOMPARE(seekSlider->maximum(), 500);

    QTRY_COMPARE_WITH_TIMEOUT(player.playState(), PlayState::Stopped, scaled(kTimeout));
    QCOMPARE(player.statusText(), u"已停止"_s);
    QTest::qWait(scaled(kSettle));
    const QList<PlayState> states = reportedStates(spy);
    QVERIFY2(states.contains(PlayState::Playing), qPrintable(describe(states)));
    QCOMPARE(states.count(PlayState::Stopped), 1);
    QCOMPARE(states.last(), PlayState::Stopped);
    QVERIFY2(!hasRepeats(states), qPrintable(describe(states)));
}

void MediaPlayerTest::changingOverIsNotAStop_data()
{
    QTest::addColumn<bool>("waitForPlaying");
    QTest::newRow("while playing") << true;
    QTest::newRow("while connecting") << false;
}

// Qt passes through a stopped state when it is handed a new source; reported as a stop, it
// would make the window load yet another song.
void MediaPlayerTest::changingOverIsNotAStop()
{
    QFETCH(const bool, waitForPlaying);
    Player player;
    const QSignalSpy spy(&player, &AudioPlayer::playStateChanged);

    player.setUrl(url(u"tone-a.wav"_s));
    if (waitForPlaying)
        QTRY_COMPARE_WITH_TIMEOUT(player.playState(), PlayState::Playing, scaled(kTimeout));
    player.setUrl(url(u"tone-b.wav"_s));
    QCOMPARE(player.url(), url(u"tone-b.wav"_s));

    QTRY_COMPARE_WITH_TIMEOUT(player.statusText(), u"正在播放：tone-b.wav"_s, scaled(kTimeout));
    QVERIFY2(!reportedStates(spy).contains(PlayState::Stopped),
             qPrintable(describe(reportedStates(spy))));

    QTRY_COMPARE_WITH_TIMEOUT(player.playState(), PlayState::Stopped, scaled(kTimeout));
    QTest::qWait(scaled(kSettle));
    const QList<PlayState> states = reportedStates(spy);
    QCOMPARE(states.count(PlayState::Stopped), 1);
    QVERIFY2(!hasRepeats(states), qPrintable(describe(states)));
}

void MediaPlayerTest::unloadingIsNotAStop()
{
    Player player;
    const QSignalSpy spy(&player, &AudioPlayer::playStateChanged);
    player.setUrl(url(u"tone-a.wav"_s));
    QTRY_COMPARE_WITH_TIMEOUT(player.playState(), PlayState::Playing, scaled(kTimeout));

    player.setUrl(QString());
    QCOMPARE(player.playState(), PlayState::Ready);
    QCOMPARE(player.statusText(), u"就绪"_s);
    QTest::qWait(scaled(kSettle));
    QCOMPARE(player.playState(), PlayState::Ready);
    QVERIFY(!reportedStates(spy).contains(PlayState::Stopped));
}

void MediaPlayerTest::brokenMediaIsNotAStop_data()
{
    QTest::addColumn<QString>("address");

    // A port that was free a moment ago refuses connections.
    QTcpServer probe;
    QVERIFY(probe.listen(QHostAddress::LocalHost));
    const quint16 closedPort = probe.serverPort();
    probe.close();

    QTest::newRow("not found") << url(u"missing.wav"_s);
    QTest::newRow("not audio") << url(u"notes.mp3"_s);
    QTest::newRow("truncated") << url(u"truncated.wav"_s);
    QTest::newRow("no samples") << url(u"silence.wav"_s);
    QTest::newRow("refused") << u"http://127.0.0.1:%1/tone-a.wav"_s.arg(closedPort);
}

// A stop would make the window request the same broken link again, without end.
void MediaPlayerTest::brokenMediaIsNotAStop()
{
    QFETCH(const QString, address);
    Player player;
    const QSignalSpy spy(&player, &AudioPlayer::playStateChanged);

    player.setUrl(address);
    QTRY_VERIFY_WITH_TIMEOUT(player.statusText().startsWith(u"错误："_s), scaled(kTimeout));
    QCOMPARE(player.playState(), PlayState::Ready);
    QTest::qWait(scaled(kSettle));
    QCOMPARE(player.playState(), PlayState::Ready);
    QVERIFY(player.statusText().startsWith(u"错误："_s));
    QVERIFY2(!reportedStates(spy).contains(PlayState::Stopped),
             qPrintable(describe(reportedStates(spy))));

    // The player is not left broken by it.
    player.setUrl(url(u"tone-b.wav"_s));
    QTRY_COMPARE_WITH_TIMEOUT(player.statusText(), u"正在播放：tone-b.wav"_s, scaled(kTimeout));
}

void MediaPlayerTest::refusesOtherSchemes_data()
{
    QTest::addColumn<QString>("address");
    QTest::newRow("file") << QUrl::fromLocalFile(m_dir.filePath(u"tone-a.wav"_s)).toString();
    QTest::newRow("ftp") << u"ftp://127.0.0.1/tone-a.wav"_s;
    QTest::newRow("relative") << u"tone-a.wav"_s;
    QTest::newRow("no host") << u"http:///tone-a.wav"_s;
}

void MediaPlayerTest::refusesOtherSchemes()
{
    QFETCH(const QString, address);
    Player player;
    const QSignalSpy spy(&player, &AudioPlayer::playStateChanged);

    player.setUrl(address);
    QCOMPARE(player.statusText(), u"错误：不支持的地址"_s);
    QCOMPARE(player.playState(), PlayState::Ready);
    QTest::qWait(scaled(kSettle));
    QCOMPARE(player.playState(), PlayState::Ready);
    QCOMPARE(reportedStates(spy), QList<PlayState> {PlayState::Ready});
}

void MediaPlayerTest::pauseAndStopButtons()
{
    Player player;
    const QSignalSpy spy(&player, &AudioPlayer::playStateChanged);
    auto *const playPause = player.findChild<QToolButton *>(u"playPauseButton"_s);
    auto *const stop = player.findChild<QToolButton *>(u"stopButton"_s);
    QVERIFY(playPause && stop);
    QCOMPARE(playPause->toolTip(), u"播放"_s);
    QCOMPARE(stop->toolTip(), u"停止"_s);

    player.setUrl(url(u"tone-a.wav"_s));
    QTRY_COMPARE_WITH_TIMEOUT(player.playState(), PlayState::Playing, scaled(kTimeout));
    QCOMPARE(playPause->toolTip(), u"暂停"_s);
    // Each state shows the one icon made for it, not a new one per song, whose pixmaps would
    // pile up in the pixmap cache
    const qint64 pauseIcon = playPause->icon().cacheKey();

    playPause->click();
    QTRY_COMPARE_WITH_TIMEOUT(player.playState(), PlayState::Paused, scaled(kTimeout));
    QCOMPARE(player.statusText(), u"已暂停"_s);
    QCOMPARE(playPause->toolTip(), u"播放"_s);
    // Longer than the tone: a paused tone does not run to its end.
    QTest::qWait(scaled(kSettle));
    QCOMPARE(player.playState(), PlayState::Paused);

    playPause->click();
    QTRY_COMPARE_WITH_TIMEOUT(player.playState(), PlayState::Playing, scaled(kTimeout));
    QCOMPARE(playPause->icon().cacheKey(), pauseIcon);
    stop->click();
    QCOMPARE(player.playState(), PlayState::Stopped);
    QCOMPARE(player.statusText(), u"已停止"_s);
    QTest::qWait(scaled(kSettle));
    QList<PlayState> states = reportedStates(spy);
    QCOMPARE(states.count(PlayState::Stopped), 1);
    QCOMPARE(states.last(), PlayState::Stopped);
    QVERIFY(states.contains(PlayState::Paused));
    QVERIFY2(!hasRepeats(states), qPrintable(describe(states)));

    // A second stop is no change; play starts the tone over, and it ends once more.
    stop->click();
    playPause->click();
    QTRY_COMPARE_WITH_TIMEOUT(player.playState(), PlayState::Playing, scaled(kTimeout));
    QTRY_COMPARE_WITH_TIMEOUT(player.playState(), PlayState::Stopped, scaled(kTimeout));
    QTest::qWait(scaled(kSettle));
    states = reportedStates(spy);
    QCOMPARE(states.count(PlayState::Stopped), 2);
    QVERIFY2(!hasRepeats(states), qPrintable(describe(states)));
}

// The window's continue-playback handler assigns the next address from inside the signal;
// the same address twice in a row must play twice.
void MediaPlayerTest::handlerLoadsTheNextSong()
{
    Player player;
    QStringList next = {url(u"plain/tone-b.wav"_s), url(u"plain/tone-b.wav"_s)};
    QStringList played;
    int stops = 0;
    connect(&player, &AudioPlayer::playStateChanged, this, [&](PlayState newState) {
        if (newState == PlayState::Playing)
            played.append(player.statusText());
        if (player.playState() != PlayState::Stopped)
            return;
        ++stops;
        if (!next.isEmpty())
            player.setUrl(next.takeFirst());
    });

    player.setUrl(url(u"tone-a.wav"_s));
    QTRY_COMPARE_WITH_TIMEOUT(stops, 3, scaled(kTimeout));
    QTest::qWait(scaled(kSettle));
    QCOMPARE(stops, 3);
    QCOMPARE(played,
             QStringList({u"正在播放：tone-a.wav"_s, u"正在播放：tone-b.wav"_s,
                          u"正在播放：tone-b.wav"_s}));
    QCOMPARE(player.playState(), PlayState::Stopped);
}

void MediaPlayerTest::volumeIsLinear_data()
{
    QTest::addColumn<int>("requested");
    QTest::addColumn<int>("expected");
    QTest::newRow("silent") << 0 << 0;
    QTest::newRow("some") << 37 << 37;
    QTest::newRow("full") << 100 << 100;
    QTest::newRow("above") << 150 << 100;
    QTest::newRow("below") << -5 << 0;
}

void MediaPlayerTest::volumeIsLinear()
{
    QFETCH(const int, requested);
    QFETCH(const int, expected);
    Player player;
    const auto *const output = player.AudioPlayer::findChild<QAudioOutput *>();
    auto *const slider = player.findChild<QSlider *>(u"volumeSlider"_s);
    QVERIFY(output && slider);
    QCOMPARE(player.volume(), 50);
    QCOMPARE(output->volume(), 0.5f);

    player.setVolume(requested);
    QCOMPARE(player.volume(), expected);
    QCOMPARE(output->volume(), float(expected) / 100.0f);
    QCOMPARE(slider->value(), expected);

    // and the other way round
    slider->setValue(80);
    QCOMPARE(player.volume(), 80);
    QCOMPARE(output->volume(), 0.8f);
}

void MediaPlayerTest::doubleClickOnlyReports()
{
    Player audio;
    MediaPlayerWidget &player = audio.strip;
    player.resize(player.sizeHint());
    player.show();
    QVERIFY(QTest::qWaitForWindowExposed(&player));
    const QSignalSpy states(&audio, &AudioPlayer::playStateChanged);
    QSignalSpy clicks(&player, &MediaPlayerWidget::doubleClicked);

    // The time label is part of the strip's background: it takes no clicks of its own.
    auto *const label = player.findChild<QLabel *>(u"timeLabel"_s);
    const QPoint inLabel = label->rect().center();
    QTest::mouseDClick(label, Qt::LeftButton, Qt::ShiftModifier, inLabel);
    QCOMPARE(clicks.count(), 1);
    QVERIFY(!player.fullScreen());

    // Full screen with nothing loaded is quiet.
    player.setFullScreen(true);
    QVERIFY(player.fullScreen());
    player.setFullScreen(true);
    QVERIFY(player.fullScreen());
    player.setFullScreen(false);
    QVERIFY(!player.fullScreen());

    // Esc leaves it.
    player.setFullScreen(true);
    auto *const view = player.findChild<QWidget *>(u"fullScreenView"_s);
    QVERIFY(view && view->isWindow());
    // Activation is asynchronous, and the shortcut needs it.
    QTRY_COMPARE_WITH_TIMEOUT(QApplication::activeWindow(), view, scaled(5000));
    QTest::keyClick(view, Qt::Key_Escape);
    QVERIFY(!player.fullScreen());
    QTest::qWait(scaled(kSettle));
    QCOMPARE(audio.playState(), PlayState::Undefined);
    QCOMPARE(audio.statusText(), u"就绪"_s);
    QCOMPARE(states.count(), 0);
}

QTEST_MAIN(MediaPlayerTest)
#include "test_mediaplayer.moc"
