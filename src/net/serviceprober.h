#pragma once

#include "net/retryschedule.h"

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QUrl>
#include <chrono>

class ConnectivityWatcher;
class QNetworkAccessManager;
class QNetworkReply;

// Finds out when a service that could not be reached answers again. After each pause of its
// schedule it sends one cheap request, a HEAD of the caller's URL, never more than one at a
// time; any HTTP answer, an error status too, means the service answers. While the system knows
// the network to be down it holds still, and probes at once when the network comes back; a
// service on this machine's loopback does not depend on the network, so there the watcher is
// not asked.
// The pauses keep growing from one wait to the next until the caller says that its own request
// was answered: a service may answer the probe while the caller's requests still fail, and
// starting every wait from the shortest pause would then retry them every two seconds.
class ServiceProber : public QObject {
    Q_OBJECT

public:
    // A probe that receives nothing for this long found the service unreachable
    static constexpr std::chrono::milliseconds kProbeTimeout {10000};

    ServiceProber(QNetworkAccessManager &network, ConnectivityWatcher &watcher,
                  QObject *parent = nullptr);
    ~ServiceProber() override;

    // Tests shorten the unit of the pauses; the next pause is the new schedule's first.
    void setSchedule(const RetrySchedule &schedule) { m_schedule = schedule; }

    // Starts probing `url` after the schedule's next pause, dropping any probing before.
    void start(const QUrl &url);
    // Probes `url` at once, and goes on as start() does when it is not answered: the first
    // probeFailed() or serviceAnswers() tells whether the service could be reached just now.
    // While the system knows the network to be down, that probe fails without a request.
    void check(const QUrl &url);
    // Stops at once, aborting the probe in flight; nothing is emitted after it.
    void stop();
    bool isProbing() const { return m_probing; }
    // The caller's own request to the service got an answer: the next wait begins with the
    // first pause again
    void requestAnswered() { m_schedule.reset(); }

signals:
    // Emitted once, after which probing has stopped
    void serviceAnswers();
    // A probe found the service unreachable; the next one follows `pause` later.
    void probeFailed(std::chrono::milliseconds pause);

private:
    void pauseEnded();
    void networkCameBack();
    void begin(const QUrl &url);
    void probe();
    void probeFinished();
    void scheduleNextProbe();
    bool waitsForNetwork() const;
    void dropReply();

    QNetworkAccessManager &m_network;
    ConnectivityWatcher &m_watcher;
    RetrySchedule m_schedule;
    QTimer m_pause;
    QUrl m_url;
    QPointer<QNetworkReply> m_reply;
    bool m_probing = false;
    bool m_followsNetwork = true;
};
