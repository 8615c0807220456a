// Telling an unreachable service from one that answered badly, and waiting for it to answer
// again: the failure kinds, the pauses between probes, the network's state, and the prober
// against the stand-in going away and coming back.

#include "catalogueservice.h"
#include "net/connectivitywatcher.h"
#include "net/failurekind.h"
#include "net/retryschedule.h"
#include "net/serviceprober.h"
#include "timescale.h"

#include <QElapsedTimer>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QSignalSpy>
#include <QTest>
#include <memory>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;
using Reachability = QNetworkInformation::Reachability;

namespace {

const QString kListPage2
    = u"/data/?1=1&classid=1&page=2&act=getmusiclist&rnd=0.12313641141171777"_s;
const QString kFirstPage = u"/data/?1=1&classid=1&act=getmusiclist&rnd=0.12830016091693802"_s;
// Reached through a proxy only: no name is looked up and nothing leaves the machine
const QString kRemoteBase = u"http://catalogue.invalid"_s;

// Seconds for the service's switches, stretched like every other time bound
QString seconds(double value)
{
    return QString::number(value * timeScale());
}

RetrySchedule exactSchedule(std::chrono::milliseconds unit)
{
    return RetrySchedule(unit, [] { return 0.5; });
}

} // namespace

class ServiceReachabilityTest : public QObject {
    Q_OBJECT

private slots:
    void failureKinds_data();
    void failureKinds();
    void failureKindsOfReplies_data();
    void failureKindsOfReplies();
    void pauses_data();
    void pauses();
    void watcherReportsChanges_data();
    void watcherReportsChanges();
    void proberWaitsOutTheService_data();
    void proberWaitsOutTheService();
    void proberFollowsTheNetwork_data();
    void proberFollowsTheNetwork();
    void stopAbortsTheProbeInFlight();
};

void ServiceReachabilityTest::failureKinds_data()
{
    QTest::addColumn<QNetworkReply::NetworkError>("error");
    QTest::addColumn<bool>("anyByte");
    QTest::addColumn<FailureKind>("kind");

    const auto row = [](const char *name, QNetworkReply::NetworkError error, bool anyByte,
                        FailureKind kind) { QTest::newRow(name) << error << anyByte << kind; };
    row("refused", QNetworkReply::ConnectionRefusedError, false, FailureKind::Unreachable);
    row("closed before an answer", QNetworkReply::RemoteHostClosedError, false,
        FailureKind::Unreachable);
    row("closed within an answer", QNetworkReply::RemoteHostClosedError, true,
        FailureKind::Answered);
    row("no such host", QNetworkReply::HostNotFoundError, false, FailureKind::Unreachable);
    row("timeout", QNetworkReply::TimeoutError, false, FailureKind::Unreachable);
    row("transfer timeout", QNetworkReply::OperationCanceledError, false, FailureKind::Unreachable);
    row("stalled within an answer", QNetworkReply::OperationCanceledError, true,
        FailureKind::Answered);
    row("network lost", QNetworkReply::TemporaryNetworkFailureError, false,
        FailureKind::Unreachable);
    row("network unreachable", QNetworkReply::UnknownNetworkError, false, FailureKind::Unreachable);
    row("proxy refused", QNetworkReply::ProxyConnectionRefusedError, false,
        FailureKind::Unreachable);
    row("proxy not found", QNetworkReply::ProxyNotFoundError, false, FailureKind::Unreachable);
    row("proxy silent", QNetworkReply::ProxyTimeoutError, false, FailureKind::Unreachable);
    row("proxy wants a password", QNetworkReply::ProxyAuthenticationRequiredError, false,
        FailureKind::Answered);
    row("404", QNetworkReply::ContentNotFoundError, true, FailureKind::Answered);
    row("503", QNetworkReply::ServiceUnavailableError, true, FailureKind::Answered);
    row("TLS refused", QNetworkReply::SslHandshakeFailedError, false, FailureKind::Answered);
    row("unknown scheme", QNetworkReply::ProtocolUnknownError, false, FailureKind::Answered);
    row("no failure", QNetworkReply::NoError, true, FailureKind::Answered);
}

void ServiceReachabilityTest::failureKinds()
{
    QFETCH(QNetworkReply::NetworkError, error);
    QFETCH(bool, anyByte);
    QFETCH(FailureKind, kind);
    QCOMPARE(failureKindOf(error, anyByte), kind);
}

void ServiceReachabilityTest::failureKindsOfReplies_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("viaProxy");
    QTest::addColumn<FailureKind>("kind");

    QTest::newRow("refused") << QStringList {u"--outage"_s, u"0:60"_s} << false
                             << FailureKind::Unreachable;
    QTest::newRow("closed before any byte")
        << QStringList {u"--refuse-first"_s, u"60"_s} << false << FailureKind::Unreachable;
    QTest::newRow("silent until the timeout")
        << QStringList {u"--hang-page"_s, u"2"_s} << false << FailureKind::Unreachable;
    QTest::newRow("proxy refused")
        << QStringList {u"--outage"_s, u"0:60"_s} << true << FailureKind::Unreachable;
    QTest::newRow("error status") << QStringList {u"--status-page"_s, u"2:503"_s} << false
                                  << FailureKind::Answered;
    QTest::newRow("cut within the answer")
        << QStringList {u"--cut-page"_s, u"2"_s} << false << FailureKind::Answered;
}

void ServiceReachabilityTest::failureKindsOfReplies()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, viaProxy);
    QFETCH(FailureKind, kind);

    const CatalogueService service(arguments);
    QVERIFY(service.isRunning());
    QNetworkAccessManager network;
    if (viaProxy)
        network.setProxy(QNetworkProxy(QNetworkProxy::HttpProxy, u"127.0.0.1"_s, service.port()));
    QNetworkRequest request(QUrl((viaProxy ? kRemoteBase : service.base()) + kListPage2));
    request.setTransferTimeout(scaled(300));
    const std::unique_ptr<QNetworkReply> reply(network.get(request));
    QTRY_VERIFY_WITH_TIMEOUT(reply->isFinished(), scaled(5000));
    QVERIFY(reply->error() != QNetworkReply::NoError);
    QCOMPARE(failureKindOf(*reply), kind);
}

void ServiceReachabilityTest::pauses_data()
{
    QTest::addColumn<double>("random");
    QTest::addColumn<QList<int>>("pausesMs");

    QTest::newRow("middle") << 0.5 << QList<int> {2000, 4000, 8000, 16000, 30000, 30000};
    QTest::newRow("a tenth shorter") << 0.0 << QList<int> {1800, 3600, 7200, 14400, 27000, 27000};
    QTest::newRow("nearly a tenth longer")
        << 0.99 << QList<int> {2196, 4392, 8784, 17568, 32940, 32940};
}

void ServiceReachabilityTest::pauses()
{
    QFETCH(double, random);
    QFETCH(QList<int>, pausesMs);

    RetrySchedule schedule(1s, [random] { return random; });
    for (const int pause : std::as_const(pausesMs))
        QCOMPARE(schedule.nextPause().count(), pause);
    schedule.reset();
    QCOMPARE(schedule.nextPause().count(), pausesMs.first());
}

void ServiceReachabilityTest::watcherReportsChanges_data()
{
    QTest::addColumn<QList<Reachability>>("reports");
    QTest::addColumn<QString>("emitted");

    QTest::newRow("lost and back")
        << QList {Reachability::Disconnected, Reachability::Online} << "offline back";
    QTest::newRow("said twice") << QList {Reachability::Disconnected, Reachability::Disconnected,
                                          Reachability::Site}
                                << "offline back";
    QTest::newRow("a local network is one")
        << QList {Reachability::Disconnected, Reachability::Local} << "offline back";
    QTest::newRow("unknown is not offline")
        << QList {Reachability::Unknown, Reachability::Disconnected, Reachability::Unknown}
        << "offline back";
    QTest::newRow("reach changes, still online")
        << QList {Reachability::Local, Reachability::Online} << "";
}

void ServiceReachabilityTest::watcherReportsChanges()
{
    QFETCH(QList<Reachability>, reports);
    QFETCH(QString, emitted);

    // Whatever backend this machine has, the test speaks for it from a known start.
    ConnectivityWatcher watcher;
    watcher.setReachability(Reachability::Online);
    QStringList seen;
    connect(&watcher, &ConnectivityWatcher::wentOffline, this, [&seen] { seen << u"offline"_s; });
    connect(&watcher, &ConnectivityWatcher::cameBack, this, [&seen] { seen << u"back"_s; });
    for (const Reachability reachability : std::as_const(reports))
        watcher.setReachability(reachability);
    QCOMPARE(seen.join(u' '), emitted);
    QCOMPARE(watcher.isKnownOffline(), reports.last() == Reachability::Disconnected);
}

void ServiceReachabilityTest::proberWaitsOutTheService_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("target");
    QTest::addColumn<bool>("probesLogged");

    QTest::newRow("outage, then not found")
        << QStringList {u"--outage"_s, "0:" + seconds(1)} << u"/"_s << false;
    QTest::newRow("outage, then an error status")
        << QStringList {u"--outage"_s, "0:" + seconds(1), u"--status-page"_s, u"1:503"_s}
        << kFirstPage << false;
    QTest::newRow("cut before any byte, then a page")
        << QStringList {u"--refuse-first"_s, seconds(1)} << kListPage2 << true;
}

void ServiceReachabilityTest::proberWaitsOutTheService()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, target);
    QFETCH(bool, probesLogged);

    QElapsedTimer sinceStart;
    sinceStart.start();
    const CatalogueService service(arguments);
    QVERIFY(service.isRunning());
    QNetworkAccessManager network;
    ConnectivityWatcher watcher;
    watcher.setReachability(Reachability::Online);
    ServiceProber prober(network, watcher);
    // Pauses of 200, 400 and 800 ms, stretched
    const std::chrono::milliseconds unit(scaled(100));
    prober.setSchedule(exactSchedule(unit));
    QList<qint64> failedAt;
    QList<qint64> pauses;
    connect(&prober, &ServiceProber::probeFailed, this, [&](std::chrono::milliseconds pause) {
        failedAt << sinceStart.elapsed();
        pauses << pause.count();
    });
    QSignalSpy answered(&prober, &ServiceProber::serviceAnswers);

    const qint64 startedAt = sinceStart.elapsed();
    prober.start(QUrl(service.base() + target));
    QVERIFY(answered.wait(scaled(1000 + 800 + 2000)));
    QVERIFY(sinceStart.elapsed() >= scaled(1000));
    QVERIFY(!prober.isProbing());

    // The probes follow the schedule: the first after the first pause, each next one no sooner
    // than its pause after the failure before it.
    QVERIFY(!failedAt.isEmpty());
    QVERIFY(failedAt.first() - startedAt >= 2 * unit.count());
    for (qsizetype i = 0; i < pauses.size(); ++i) {
        QCOMPARE(pauses[i], unit.count() * (4 << i));
        if (i + 1 < failedAt.size())
            QVERIFY(failedAt[i + 1] - failedAt[i] >= pauses[i]);
    }
    // Only the probes that reached the service are in its log, the answered one last (Qt may
    // send a request again once by itself when the connection closed before any answer).
    const QStringList targets = service.requestTargets();
    if (probesLogged)
        QVERIFY(targets.size() >= failedAt.size() + 1);
    else
        QCOMPARE(targets.size(), 1);
    QCOMPARE(QSet<QString>(targets.cbegin(), targets.cend()), QSet<QString> {target});
}

void ServiceReachabilityTest::proberFollowsTheNetwork_data()
{
    QTest::addColumn<bool>("remote");

    QTest::newRow("remote service, held while offline") << true;
    QTest::newRow("service on this machine, probed all the same") << false;
}

void ServiceReachabilityTest::proberFollowsTheNetwork()
{
    QFETCH(bool, remote);

    const CatalogueService service;
    QVERIFY(service.isRunning());
    QNetworkAccessManager network;
    if (remote)
        network.setProxy(QNetworkProxy(QNetworkProxy::HttpProxy, u"127.0.0.1"_s, service.port()));
    const QUrl url((remote ? kRemoteBase : service.base()) + u"/"_s);
    ConnectivityWatcher watcher;
    watcher.setReachability(Reachability::Disconnected);
    ServiceProber prober(network, watcher);
    prober.setSchedule(exactSchedule(10ms));
    QSignalSpy answered(&prober, &ServiceProber::serviceAnswers);

    prober.start(url);
    if (!remote) {
        QVERIFY(answered.wait(scaled(2000)));
        return;
    }
    // Several pauses go by without a probe
    QVERIFY(!answered.wait(scaled(300)));
    QVERIFY(service.requestTargets().isEmpty());
    watcher.setReachability(Reachability::Online);
    QVERIFY(answered.wait(scaled(2000)));
    QCOMPARE(service.requestTargets(), QStringList {url.toString()});

    // The network's return also cuts a pause short
    prober.setSchedule(exactSchedule(std::chrono::milliseconds(scaled(5000))));
    prober.start(url);
    watcher.setReachability(Reachability::Disconnected);
    watcher.setReachability(Reachability::Online);
    QVERIFY(answered.wait(scaled(2000)));
}

void ServiceReachabilityTest::stopAbortsTheProbeInFlight()
{
    const CatalogueService service({u"--hang-page"_s, u"2"_s});
    QVERIFY(service.isRunning());
    QNetworkAccessManager network;
    ConnectivityWatcher watcher;
    watcher.setReachability(Reachability::Online);
    ServiceProber prober(network, watcher);
    prober.setSchedule(exactSchedule(10ms));
    QSignalSpy answered(&prober, &ServiceProber::serviceAnswers);
    QSignalSpy failed(&prober, &ServiceProber::probeFailed);
    QSignalSpy finished(&network, &QNetworkAccessManager::finished);

    prober.start(QUrl(service.base() + kListPage2));
    QTRY_COMPARE_WITH_TIMEOUT(service.requestTargets().size(), 1, scaled(5000));
    prober.stop();
    QCOMPARE(finished.size(), 1);
    QVERIFY(!prober.isProbing());
    QVERIFY(!answered.wait(scaled(200)));
    QCOMPARE(failed.size(), 0);
    QCOMPARE(service.requestTargets().size(), 1);
}

QTEST_GUILESS_MAIN(ServiceReachabilityTest)
#include "test_servicereachability.moc"
