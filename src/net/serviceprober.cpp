#include "serviceprober.h"

#include "net/connectivitywatcher.h"
#include "net/failurekind.h"
#include "net/replyrelease.h"

#include <QHostAddress>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

using namespace Qt::StringLiterals;

namespace {

bool isLoopback(const QUrl &url)
{
    const QString host = url.host();
    return host.compare("localhost"_L1, Qt::CaseInsensitive) == 0
        || QHostAddress(host).isLoopback();
}

} // namespace

ServiceProber::ServiceProber(QNetworkAccessManager &network, ConnectivityWatcher &watcher,
                             QObject *parent)
    : QObject(parent), m_network(network), m_watcher(watcher)
{
    m_pause.setSingleShot(true);
    // A coarse timer may end a pause up to a twentieth early
    m_pause.setTimerType(Qt::PreciseTimer);
    connect(&m_pause, &QTimer::timeout, this, &ServiceProber::pauseEnded);
    connect(&m_watcher, &ConnectivityWatcher::cameBack, this, &ServiceProber::networkCameBack);
}

ServiceProber::~ServiceProber()
{
    dropReply();
}

void ServiceProber::start(const QUrl &url)
{
    begin(url);
    m_pause.start(m_schedule.nextPause());
}

void ServiceProber::check(const QUrl &url)
{
    begin(url);
    if (waitsForNetwork())
        return scheduleNextProbe();
    probe();
}

void ServiceProber::begin(const QUrl &url)
{
    stop();
    m_url = url;
    m_followsNetwork = !isLoopback(url);
    m_probing = true;
}

void ServiceProber::stop()
{
    m_probing = false;
    m_pause.stop();
    dropReply();
}

void ServiceProber::pauseEnded()
{
    // Otherwise the network's return starts the next probe
    if (!waitsForNetwork())
        probe();
}

void ServiceProber::networkCameBack()
{
    if (!m_probing || m_reply)
        return;
    m_pause.stop();
    probe();
}

bool ServiceProber::waitsForNetwork() const
{
    return m_followsNetwork && m_watcher.isKnownOffline();
}

void ServiceProber::probe()
{
    QNetworkRequest request(m_url);
    request.setTransferTimeout(int(kProbeTimeout.count()));
    m_reply = m_network.head(request);
    connect(m_reply, &QNetworkReply::finished, this, &ServiceProber::probeFinished);
}

void ServiceProber::probeFinished()
{
    const FailureKind kind = failureKindOf(*m_reply);
    m_reply->deleteLater();
    m_reply = nullptr;
    if (kind == FailureKind::Unreachable)
        return scheduleNextProbe();
    m_probing = false;
    emit serviceAnswers();
}

void ServiceProber::scheduleNextProbe()
{
    const std::chrono::milliseconds pause = m_schedule.nextPause();
    m_pause.start(pause);
    emit probeFailed(pause);
}

void ServiceProber::dropReply()
{
    releaseReply(m_reply, this);
}
