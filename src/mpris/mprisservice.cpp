#include "mprisservice.h"

#include "mprisplayeradaptor.h"
#include "mprisplaylistsadaptor.h"
#include "mprisrootadaptor.h"

#include "common/logging.h"

#include <QCoreApplication>
#include <QDBusError>

using namespace Qt::StringLiterals;

MprisService::MprisService(QWidget &window, AudioPlayer &player, const QDBusConnection &connection,
                           ListPlayback *list, PlaylistChoice *playlists, QObject *parent)
    : QObject(parent), m_connection(connection)
{
    const QString objectPath = QString::fromLatin1(kObjectPath);
    new MprisRootAdaptor(window, this);
    m_player = new MprisPlayerAdaptor(player, list, m_connection, objectPath, this);
    if (playlists) {
        MprisPlaylistsAdaptor::registerTypes();
        new MprisPlaylistsAdaptor(*playlists, this);
    }

    m_objectRegistered = m_connection.registerObject(objectPath, this);
    if (!m_objectRegistered) {
        qCWarning(lcMpris) << "Media controls not offered:" << m_connection.lastError().message();
        return;
    }
    const QString name = QString::fromLatin1(kServiceName);
    const QString instanceName = name + u".instance%1"_s.arg(QCoreApplication::applicationPid());
    for (const QString &candidate : {name, instanceName}) {
        if (m_connection.registerService(candidate)) {
            m_serviceName = candidate;
            return;
        }
        qCInfo(lcMpris) << "Bus name not taken:" << candidate << m_connection.lastError().message();
    }
    qCWarning(lcMpris) << "Media controls not offered: no bus name could be taken";
}

void MprisService::listChanged()
{
    m_player->scheduleAnnouncement();
}

void MprisService::playModeChanged()
{
    m_player->scheduleAnnouncement();
}

MprisService::~MprisService()
{
    if (!m_serviceName.isEmpty())
        m_connection.unregisterService(m_serviceName);
    if (m_objectRegistered)
        m_connection.unregisterObject(QString::fromLatin1(kObjectPath));
}
