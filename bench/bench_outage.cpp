// Figure 12: how soon a song that the service's outage broke off is asked for again once the
// service answers: from the moment the service takes connections again until its media is
// requested, over ten outages of 5 s, with the program's own pauses between probes (a unit of
// 1 s). The program waits with pauses of about 2, 4, 8, ... s, so the service may come back just
// after a probe; the delay is therefore held against the pause in force when it answered.
//
// The benchmark starts its own stand-in, which sends a long song as fast as it plays and goes
// away on a fixed schedule. A song from the list plays; the end of each outage is seen by this
// process connecting to the port every few milliseconds, and the media's request by reading the
// stand-in's request log as often.

#include "benchprogram.h"
#include "benchreport.h"
#include "benchwindow.h"
#include "catalogueservice.h"

#include "net/serviceprober.h"
#include "playback/songhandlers.h"
#include "player/audioplayer.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <chrono>
#include <optional>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace {

constexpr int kOutages = 10;
constexpr std::chrono::milliseconds kOutageLength = 5s;
// Start-up and the song's first second fit before the first outage, even on a busy machine
constexpr std::chrono::milliseconds kFirstOutage = 20s;
// Each recovery, some 7 s after its outage began, ends well before the next outage
constexpr std::chrono::milliseconds kOutageSpacing = 15s;
// The song outlasts every outage
constexpr int kMediaSeconds = 600;
constexpr int kMediaRate = 44100;
constexpr int kPlayedRow = 2;
// How often the port and the request log are looked at
constexpr std::chrono::milliseconds kPollInterval = 5ms;
// The port is watched from this long after an outage began, when it surely refuses
constexpr std::chrono::milliseconds kWatchFrom = 500ms;
// Beyond the last outage's recovery, the run has hung
constexpr std::chrono::milliseconds kRecoveryLimit = 60s;
// How much longer than the pause in force the media may take to be asked for again
constexpr std::chrono::milliseconds kLimitBeyondPause = 1s;
const QString kPlaying = u"正在播放"_s;

double msOf(std::chrono::milliseconds duration)
{
    return double(duration.count());
}

// Seconds as the stand-in's command line takes them
QString argumentSeconds(std::chrono::milliseconds duration)
{
    return QString::number(duration.count() / 1000.0);
}

std::chrono::milliseconds outageBegin(int outage)
{
    return kFirstOutage + outage * kOutageSpacing;
}

// The stand-in's command line: the long song, sent in real time, and the outages
QStringList serviceArguments()
{
    QStringList arguments {u"--media-seconds"_s, QString::number(kMediaSeconds), u"--media-rate"_s,
                           QString::number(kMediaRate)};
    for (int outage = 0; outage < kOutages; ++outage)
        arguments << u"--outage"_s
                  << argumentSeconds(outageBegin(outage)) + u':' + argumentSeconds(kOutageLength);
    return arguments;
}

// Whether the loopback port takes a connection now. On loopback a connection is taken or refused
// at once, so this does not wait; the connection is closed again before a request.
bool takesConnections(quint16 port)
{
    const int socket = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (socket < 0)
        return false;
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool taken
        = ::connect(socket, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0;
    ::close(socket);
    return taken;
}

// One outage as the program lived it, in milliseconds on the benchmark's clock
struct Recovery {
    double serviceBack = 0;
    double probeAnswered = 0;
    double mediaRequested = 0;
    double pauseInForce = 0;

    double delay() const { return mediaRequested - serviceBack; }
};

// Follows the outages one after another: when the port takes connections again, when the
// prober hears the service, and when the song's media is asked for
class RecoveryWatch : public QObject {
    Q_OBJECT

public:
    RecoveryWatch(const CatalogueService &service, ServiceProber &prober, QString media,
                  const QElapsedTimer &clock)
        : m_service(service), m_media(std::move(media)), m_clock(clock)
    {
        m_poll.setTimerType(Qt::PreciseTimer);
        m_poll.setInterval(kPollInterval);
        connect(&m_poll, &QTimer::timeout, this, &RecoveryWatch::poll);
        connect(&prober, &ServiceProber::probeFailed, this, &RecoveryWatch::probeFailed);
        connect(&prober, &ServiceProber::serviceAnswers, this, &RecoveryWatch::serviceAnswers);
    }

    void start() { m_poll.start(); }
    const QList<Recovery> &recoveries() const { return m_recoveries; }
    // What went wrong, when the run cannot be measured
    QString fault() const { return m_fault; }

signals:
    void ended();

private:
    void probeFailed(std::chrono::milliseconds pause) { m_lastPause = pause; }

    void serviceAnswers()
    {
        if (!m_lastPause) {
            fail(u"outage %1: the service answered without a failed probe: the song did not "
                 "wait for it"_s.arg(m_recoveries.size() + 1));
            return;
        }
        m_current.probeAnswered = now();
        m_current.pauseInForce = msOf(*std::exchange(m_lastPause, std::nullopt));
        // The media is asked for after this answer, so nothing logged so far is its request
        m_requestsSeen = m_service.requests().size();
        m_answered = true;
    }

    void poll()
    {
        if (m_current.serviceBack == 0)
            return watchPort();
        if (m_answered)
            watchLog();
    }

    void watchPort()
    {
        const int outage = int(m_recoveries.size());
        if (now() < msOf(outageBegin(outage) + kWatchFrom))
            return;
        if (takesConnections(m_service.port()))
            m_current.serviceBack = now();
    }

    void watchLog()
    {
        const QList<CatalogueService::Request> requests = m_service.requests();
        for (qsizetype i = m_requestsSeen; i < requests.size(); ++i) {
            if (requests.at(i).method == "GET"_L1 && requests.at(i).target == m_media)
                return mediaRequested();
        }
        m_requestsSeen = requests.size();
    }

    void mediaRequested()
    {
        m_current.mediaRequested = now();
        const Recovery &done = m_recoveries.emplace_back(std::exchange(m_current, {}));
        m_answered = false;
        qInfo("outage %d: service back at %.0f ms, probe answered %.0f ms later, media asked "
              "for %.0f ms after the service came back; pause in force %.0f ms",
              int(m_recoveries.size()), done.serviceBack, done.probeAnswered - done.serviceBack,
              done.delay(), done.pauseInForce);
        if (m_recoveries.size() == kOutages)
            finish();
    }

    void fail(const QString &fault)
    {
        m_fault = fault;
        finish();
    }

    void finish()
    {
        m_poll.stop();
        emit ended();
    }

    double now() const { return m_clock.nsecsElapsed() / 1e6; }

    const CatalogueService &m_service;
    const QString m_media;
    const QElapsedTimer &m_clock;
    QTimer m_poll;
    std::optional<std::chrono::milliseconds> m_lastPause;
    bool m_answered = false;
    qsizetype m_requestsSeen = 0;
    Recovery m_current;
    QList<Recovery> m_recoveries;
    QString m_fault;
};

// Plays a row of the list and waits until it sounds; the media's path, or nothing
std::optional<QString> playRow(BenchWindow &window, int row, std::chrono::milliseconds within)
{
    window.app().songs().playRow(row);
    const AudioPlayer &player = window.player();
    if (!QTest::qWaitFor([&] { return player.statusText().startsWith(kPlaying); },
                         int(within.count())))
        return std::nullopt;
    return QUrl(player.url()).path(QUrl::FullyEncoded);
}

// Milliseconds as seconds for the table
QString secondsText(double ms)
{
    return u"%1 s"_s.arg(ms / 1000, 0, 'f', 2);
}

// The target is the pause in force plus a second, so the outage whose delay came nearest to its
// own limit stands for the run
void report(const QList<Recovery> &recoveries)
{
    QList<double> delays, pauses, reactions;
    for (const Recovery &recovery : recoveries) {
        delays.append(recovery.delay());
        pauses.append(recovery.pauseInForce);
        reactions.append(recovery.mediaRequested - recovery.probeAnswered);
    }
    const Recovery &nearest = *std::max_element(
        recoveries.cbegin(), recoveries.cend(), [](const Recovery &a, const Recovery &b) {
            return a.delay() - a.pauseInForce < b.delay() - b.pauseInForce;
        });
    BenchReport::figure(
        u"12"_s,
        u"Service answering again to the song's media requested; of %1 outages of %2 s, the one "
        "nearest its limit"_s.arg(kOutages)
            .arg(argumentSeconds(kOutageLength)),
        u"%1 (pause in force %2)"_s.arg(secondsText(nearest.delay()),
                                        secondsText(nearest.pauseInForce)),
        u"<= pause in force + 1 s"_s,
        BenchReport::atMost(nearest.delay() - nearest.pauseInForce, msOf(kLimitBeyondPause)));
    BenchReport::info(u"12a"_s, u"  median delay, service answering again to media requested"_s,
                      secondsText(BenchReport::median(delays)));
    BenchReport::info(u"12b"_s, u"  median pause in force when the service answered"_s,
                      secondsText(BenchReport::median(pauses)));
    BenchReport::info(u"12c"_s, u"  median time from the answered probe to media requested"_s,
                      BenchReport::milliseconds(BenchReport::median(reactions)));
}

} // namespace

int main(int argc, char *argv[])
{
    const BenchProgram program(argc, argv);
    const CatalogueService service(serviceArguments());
    // The outages are counted from the moment the service printed its port, which is about now
    QElapsedTimer clock;
    clock.start();
    if (!service.isRunning())
        return 1;

    BenchWindow window(service.base());
    if (!window.startQuietly())
        return 1;
    const auto beforeOutage = kFirstOutage - std::chrono::milliseconds(clock.elapsed()) - 1s;
    const std::optional<QString> media = playRow(window, kPlayedRow, beforeOutage);
    if (!media) {
        qCritical("bench_outage: row %d did not play before the first outage", kPlayedRow);
        return 1;
    }

    RecoveryWatch watch(service, window.app().playbackProber(), *media, clock);
    QEventLoop loop;
    QObject::connect(&watch, &RecoveryWatch::ended, &loop, &QEventLoop::quit);
    const auto deadline
        = outageBegin(kOutages - 1) + kRecoveryLimit - std::chrono::milliseconds(clock.elapsed());
    QTimer::singleShot(deadline, &loop, &QEventLoop::quit);
    watch.start();
    // A real event loop: QTest::qWait sleeps between its passes, which would blur the times
    loop.exec();

    if (!watch.fault().isEmpty() || watch.recoveries().size() != kOutages) {
        qCritical("bench_outage: %s (%d of %d outages measured)",
                  qPrintable(watch.fault().isEmpty() ? u"the run hung"_s : watch.fault()),
                  int(watch.recoveries().size()), kOutages);
        return 1;
    }
    // The list marks rows from 0, playback counts them from 1
    const int markedRow = window.songs().playMark() + 1;
    if (markedRow != kPlayedRow) {
        qCritical("bench_outage: the list went on to row %d instead of playing row %d again",
                  markedRow, kPlayedRow);
        return 1;
    }
    report(watch.recoveries());
    return 0;
}

#include "bench_outage.moc"
