#include "songnotifier.h"

#include "common/logging.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

using namespace Qt::StringLiterals;

namespace {

const QString kService = u"org.freedesktop.Notifications"_s;
const QString kPath = u"/org/freedesktop/Notifications"_s;
// The server's own default for how long a notification stays
constexpr int kServerDefaultTimeout = -1;

} // namespace

SongNotifier::SongNotifier(const QDBusConnection &bus, QObject *parent)
    : QObject(parent), m_bus(bus)
{
}

void SongNotifier::notify(const QString &title)
{
    if (m_unavailable)
        return;
    if (m_sending) {
        m_waitingTitle = title;
        return;
    }
    send(title);
}

void SongNotifier::send(const QString &title)
{
    QDBusMessage message = QDBusMessage::createMethodCall(kService, kPath, kService, u"Notify"_s);
    message << u"Quillpod"_s << m_shownId << u"quillpod"_s << u"正在播放"_s << title
            << QStringList() << QVariantMap {{u"desktop-entry"_s, u"org.quillpod.Quillpod"_s}}
            << kServerDefaultTimeout;
    m_sending = true;
    // Never waited for: a slow notification service must not hold the window up
    auto *const watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(message), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, &SongNotifier::takeReply);
}

void SongNotifier::takeReply(QDBusPendingCallWatcher *watcher)
{
    watcher->deleteLater();
    m_sending = false;
    const QDBusPendingReply<uint> reply = *watcher;
    if (reply.isError()) {
        // Desktops without a notification service are common: say so once, then stay quiet
        qCInfo(lcPlayer) << "No song notifications:" << reply.error().message();
        m_unavailable = true;
        return;
    }
    m_shownId = reply.value();
    if (!m_waitingTitle.isEmpty())
        send(std::exchange(m_waitingTitle, QString()));
}
