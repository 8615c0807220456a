#include "connectivitywatcher.h"

#include "common/logging.h"

ConnectivityWatcher::ConnectivityWatcher(QObject *parent) : QObject(parent)
{
    if (!QNetworkInformation::loadBackendByFeatures(QNetworkInformation::Feature::Reachability)) {
        qCInfo(lcNet) << "No network information backend; a lost network shows only as failing"
                         " requests";
        return;
    }
    const QNetworkInformation *const information = QNetworkInformation::instance();
    setReachability(information->reachability());
    connect(information, &QNetworkInformation::reachabilityChanged, this,
            &ConnectivityWatcher::setReachability);
}

void ConnectivityWatcher::setReachability(QNetworkInformation::Reachability reachability)
{
    // Unknown is no news, and a network of any reach may carry the service.
    const bool offline = reachability == QNetworkInformation::Reachability::Disconnected;
    if (offline == m_offline)
        return;
    m_offline = offline;
    if (offline)
        emit wentOffline();
    else
        emit cameBack();
}
