#pragma once

#include <QNetworkInformation>
#include <QObject>

// What the system knows about the network, where it knows anything. A backend of
// QNetworkInformation that reports reachability is loaded where one exists (NetworkManager's,
// or GLib's network monitor); without one the network is never known to be down, and the
// program simply tries.
class ConnectivityWatcher : public QObject {
    Q_OBJECT

public:
    explicit ConnectivityWatcher(QObject *parent = nullptr);

    // The system says there is no network at all
    bool isKnownOffline() const { return m_offline; }

    // What the backend reports; tests play the system's part through it.
    void setReachability(QNetworkInformation::Reachability reachability);

signals:
    void wentOffline();
    void cameBack();

private:
    bool m_offline = false;
};
