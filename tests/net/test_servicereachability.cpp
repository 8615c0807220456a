// Telling an unreachable service from one that answered badly, and waiting for it to answer
// again: the failure kinds, the pauses, the network's state, and the prober against the
// stand-in going away and coming back.

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

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;
using Reachability = QNetworkInformation::Reachability;

namespace {

const QString kListPage2
    = u"/data/?1=1&classid=1&page=2&act=getmusiclist&rnd=0.12313641141171777"_s;

RetrySchedule exactSchedule(std::chrono::milliseconds unit)
{
    return RetrySchedule(unit, [] { return 0.5; });
}

// A prober of the stand-in, with the network known to be up
struct ProberRig {
    explicit ProberRig(const QStringList &arguments = {}) : service(arguments)
    {
        watcher.setReachability(Reachability::Online);
    }

    CatalogueService service;
    QNetworkAccessManager network;
    ConnectivityWatcher watcher;
    ServiceProber prober {network, watcher};
    QSignalSpy answered {&prober, &ServiceProber::serviceAnswers};
};

} // namespace

class ServiceReachabilityTest : public QObject {
    Q_OBJECT

private slots:
    void failureKinds_data();
    void failureKinds();
    void pauses_data();
    void pauses();
    void watcherReportsChanges();
    void proberWaitsOutTheService_data();
    void proberWaitsOutTheService();
    void proberFollowsTheNetwork();
    void stopAbortsTheProbeInFlight();
};

void ServiceReachabilityTest::failureKinds_data()
{
    QTest::addColumn<QNetworkReply::NetworkError>("error");
    QTest::addColumn<bool>("anyByte");
    QTest::addColumn<FailureKind>("kind");

    using R = QNetworkReply;
    const FailureKind down = FailureKind::Unreachable;
    const FailureKind answered = FailureKind::Answered;
    QTest::newRow("refused") << R::ConnectionRefusedError << false << down;
    QTest::newRow("closed before an answer") << R::RemoteHostClosedError << false << down;
    QTest::newRow("closed within an answer") << R::RemoteHostClosedError << true << answered;
    QTest::newRow("no such host") << R::HostNotFoundError << false << down;
    QTest::newRow("transfer timeout") << R::OperationCanceledError << false << down;
    QTest::newRow("stalled within an answer") << R::OperationCanceledError << true << answered;
    QTest::newRow("network unreachable") << R::UnknownNetworkError << false << down;
    QTest::newRow("proxy refused") << R::ProxyConnectionRefusedError << false << down;
    QTest::newRow("proxy password") << R::ProxyAuthenticationRequiredError << false << answered;
    QTest::newRow("503") << R::ServiceUnavailableError << true << answered;
    QTest::newRow("TLS refused") << R::SslHandshakeFailedError << false << answered;
}

void ServiceReachabilityTest::failureKinds()
{
    QFETCH(QNetworkReply::NetworkError, error);
    QFETCH(bool, anyByte);
    QFETCH(FailureKind, kind);
    QCOMPARE(failureKindOf(error, anyByte), kind);
}

void ServiceReachabilityTest::pauses_data()
{
    QTest::addColumn<double>("random");
    QTest::addColumn<QList<int>>("pausesMs");

    QTest::newRow("middle") << 0.5 << QList<int> {2000, 4000, 8000, 16000, 30000, 30000};
    QTest::newRow("a tenth shorter") << 0.0 << QList<int> {1800, 3600, 7200, 14400, 27000};
    QTest::newRow("nearly a tenth longer") << 0.99 << QList<int> {2196, 4392, 8784, 17568, 32940};
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

void ServiceReachabilityTest::watcherReportsChanges()
{
    // Whatever backend this machine has, the test speaks for it from a known start.
    ConnectivityWatcher watcher;
    watcher.setReachability(Reachability::Online);
    QStringList seen;
    connect(&watcher, &ConnectivityWatcher::wentOffline, this, [&seen] { seen << u"offline"_s; });
    connect(&watcher, &ConnectivityWatcher::cameBack, this, [&seen] { seen << u"back"_s; });
    for (const Reachability reachability :
         {Reachability::Local, Reachability::Disconnected, Reachability::Disconnected,
          Reachability::Unknown, Reachability::Disconnected, Reachability::Site})
        watcher.setReachability(reachability);
    QCOMPARE(seen.join(u' '), u"offline back offline back"_s);
}

void ServiceReachabilityTest::proberWaitsOutTheService_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("target");

    // Refused probes, then a 404; probes cut before any byte, then a page
    QTest::newRow("outage") << u"--outage"_s << u"/"_s;
    QTest::newRow("cut before any byte") << u"--refuse-first"_s << kListPage2;
}

void ServiceReachabilityTest::proberWaitsOutTheService()
{
    QFETCH(QString, fault);
    QFETCH(QString, target);

    QElapsedTimer sinceStart;
    sinceStart.start();
    const QString seconds = QString::number(timeScale());
    ProberRig rig({fault, fault == "--outage"_L1 ? "0:" + seconds : seconds});
    const std::chrono::milliseconds unit(scaled(100));
    rig.prober.setSchedule(exactSchedule(unit));
    QList<qint64> failedAt;
    QList<qint64> pauses;
    connect(&rig.prober, &ServiceProber::probeFailed, this, [&](std::chrono::milliseconds pause) {
        failedAt << sinceStart.elapsed();
        pauses << pause.count();
    });

    const qint64 startedAt = sinceStart.elapsed();
    rig.prober.start(QUrl(rig.service.base() + target));
    QVERIFY(rig.answered.wait(scaled(1000 + 800 + 2000)));
    QVERIFY(sinceStart.elapsed() >= scaled(1000));
    QVERIFY(!rig.prober.isProbing());
    // Pauses of 2, 4 and 8 units: the first probe after the first, each next one no sooner
    // than its pause after the failure before it
    QVERIFY(!failedAt.isEmpty() && failedAt.first() - startedAt >= 2 * unit.count());
    for (qsizetype i = 0; i < pauses.size(); ++i) {
        QCOMPARE(pauses[i], unit.count() * (4 << i));
        QVERIFY(i + 1 == failedAt.size() || failedAt[i + 1] - failedAt[i] >= pauses[i]);
    }
    QCOMPARE(rig.service.requestTargets().last(), target);
}

void ServiceReachabilityTest::proberFollowsTheNetwork()
{
    // Through a proxy the service has a name that is not the loopback's; none is looked up.
    ProberRig rig;
    rig.network.setProxy(
        QNetworkProxy(QNetworkProxy::HttpProxy, u"127.0.0.1"_s, rig.service.port()));
    const QUrl remote(u"http://catalogue.invalid/"_s);
    rig.watcher.setReachability(Reachability::Disconnected);
    rig.prober.setSchedule(exactSchedule(10ms));
    rig.prober.start(remote);
    QVERIFY(!rig.answered.wait(scaled(300)));
    QVERIFY(rig.service.requestTargets().isEmpty());
    rig.watcher.setReachability(Reachability::Online);
    QVERIFY(rig.answered.wait(scaled(2000)));
    QCOMPARE(rig.service.requestTargets(), QStringList {remote.toString()});

    // The network's return also cuts a pause short
    rig.prober.setSchedule(exactSchedule(std::chrono::milliseconds(scaled(5000))));
    rig.prober.start(remote);
    rig.watcher.setReachability(Reachability::Disconnected);
    rig.watcher.setReachability(Reachability::Online);
    QVERIFY(rig.answered.wait(scaled(2000)));

    // A service on the loopback does not depend on the network
    rig.prober.setSchedule(exactSchedule(10ms));
    rig.watcher.setReachability(Reachability::Disconnected);
    rig.prober.start(QUrl(rig.service.base() + u"/"_s));
    QVERIFY(rig.answered.wait(scaled(2000)));
}

void ServiceReachabilityTest::stopAbortsTheProbeInFlight()
{
    ProberRig rig({u"--hang-page"_s, u"2"_s});
    rig.prober.setSchedule(exactSchedule(10ms));
    QSignalSpy finished(&rig.network, &QNetworkAccessManager::finished);
    rig.prober.start(QUrl(rig.service.base() + kListPage2));
    QTRY_COMPARE_WITH_TIMEOUT(rig.service.requestTargets().size(), 1, scaled(5000));
    rig.prober.stop();
    QCOMPARE(finished.size(), 1);
    QVERIFY(!rig.answered.wait(scaled(200)));
    QCOMPARE(rig.service.requestTargets().size(), 1);
}

QTEST_GUILESS_MAIN(ServiceReachabilityTest)
#include "test_servicereachability.moc"
