#include "mprisservice.h"

#include "mprisplayeradaptor.h"
#include "mprisrootadaptor.h"

#include <QCoreApplication>

MprisService::MprisService(QWidget &window, MediaPlayerWidget &player,
                           const QDBusConnection &connection, QObject *parent)
    : QObject(parent), m_connection(connection)
{
    const QString objectPath = QString::fromLatin1(kObjectPath);
    new MprisRootAdaptor(window, this);
    new MprisPlayerAdaptor(player, m_connection, objectPath, this);

    m_objectRegistered = m_connection.registerObject(objectPath, this);
    if (!m_objectRegistered)
        return;
    const QString name = QString::fromLatin1(kServiceName);
    const QString instanceName
        = name + QStringLiteral(".instance%1").arg(QCoreApplication::applicationPid());
    for (const QString &candidate : {name, instanceName}) {
        if (m_connection.registerService(candidate)) {
            m_serviceName = candidate;
            return;
        }
    }
}

MprisService::~MprisService()
{
    if (!m_serviceName.isEmpty())
        m_connection.unregisterService(m_serviceName);
    if (m_objectRegistered)
        m_connection.unregisterObject(QString::fromLatin1(kObjectPath));
}
