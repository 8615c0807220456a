#pragma once

#include "timescale.h"

#include <QDBusConnection>
#include <QProcess>
#include <QStringList>

using namespace Qt::StringLiterals;

// A session bus of the test's own, so that nothing shows on the desktop's; it ends with the
// test.
class PrivateBus {
public:
    PrivateBus()
    {
        m_daemon.start(u"dbus-daemon"_s,
                       {u"--session"_s, u"--nofork"_s, u"--nopidfile"_s, u"--print-address"_s});
        while (!m_daemon.canReadLine() && m_daemon.waitForReadyRead(scaled(kStartMs))) { }
        m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
    }
    ~PrivateBus()
    {
        for (const QString &name : std::as_const(m_connections))
            QDBusConnection::disconnectFromBus(name);
        m_daemon.terminate();
        if (!m_daemon.waitForFinished(scaled(kStartMs))) {
            m_daemon.kill();
            m_daemon.waitForFinished();
        }
    }

    PrivateBus(const PrivateBus &) = delete;
    PrivateBus &operator=(const PrivateBus &) = delete;

    bool isRunning() const { return !m_address.isEmpty(); }
    // For DBUS_SESSION_BUS_ADDRESS of a program the test starts
    QString address() const { return m_address; }
    QDBusConnection connect(const QString &name)
    {
        m_connections.append(name);
        return QDBusConnection::connectToBus(m_address, name);
    }

private:
    static constexpr int kStartMs = 5000;

    QProcess m_daemon;
    QString m_address;
    QStringList m_connections;
};
