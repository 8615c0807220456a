#include "songnotifier.h"

#include "common/logging.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QStringList>

using namespace Qt::StringLiterals;

namespace {

const QString kService = u"org.freedesktop.Notifications"_s;
const QString kPath = u"/org/freedesktop/Notifications"_s;
// The server's own default for how long a notification stays
constexpr int kServerDefaultTimeout = -1;

// The body's markup is a small subset of XML: these three are all that can begin a tag or an
// entity
QString markupEscaped(QString text)
{
    return text.replace(u'&', "&amp;"_L1).replace(u'<', "&lt;"_L1).replace(u'>', "&gt;"_L1);
}

} // namespace

SongNotifier::SongNotifier(const QDBusConnection &bus, QObject *parent)
    : QObject(parent), m_bus(bus)
{
}

void SongNotifier::notify(const QString &title)
{
    if (m_unavailable)
        return;
    m_waitingTitle = title;
    if (!m_sending)
        sendWaiting();
}

void SongNotifier::sendWaiting()
{
    if (!m_waitingTitle || m_unavailable)
        return;
    if (!m_markup) {
        askCapabilities();
        return;
    }
    const QString title = *std::exchange(m_waitingTitle, std::nullopt);
    QDBusMessage message = QDBusMessage::createMethodCall(kService, kPath, kService, u"Notify"_s);
    message << u"Quillpod"_s << m_shownId << u"quillpod"_s << u"正在播放"_s
            << (*m_markup ? markupEscaped(title) : title) << QStringList()
            << QVariantMap {{u"desktop-entry"_s, u"org.quillpod.Quillpod"_s}}
            << kServerDefaultTimeout;
    m_sending = true;
    // Never waited for: a slow notification service must not hold the window up
    auto *const watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(message), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, &SongNotifier::takeReply);
}

void SongNotifier::askCapabilities()
{
    m_sending = true;
    const QDBusMessage message
        = QDBusMessage::createMethodCall(kService, kPath, kService, u"GetCapabilities"_s);
    auto *const watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(message), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, &SongNotifier::takeCapabilities);
}

void SongNotifier::takeCapabilities(QDBusPendingCallWatcher *watcher)
{
    watcher->deleteLater();
    m_sending = false;
    const QDBusPendingReply<QStringList> reply = *watcher;
    if (reply.isError()) {
        giveUp(reply.error().message());
        return;
    }
    m_markup = reply.value().contains(u"body-markup"_s);
    sendWaiting();
}

void SongNotifier::takeReply(QDBusPendingCallWatcher *watcher)
{
    watcher->deleteLater();
    m_sending = false;
    const QDBusPendingReply<uint> reply = *watcher;
    if (reply.isError()) {
        giveUp(reply.error().message());
        return;
    }
    m_shownId = reply.value();
    sendWaiting();
}

void SongNotifier::giveUp(const QString &error)
{
    // Desktops without a notification service are common: say so once, then stay quiet
    qCInfo(lcPlayer) << "No song notifications:" << error;
    m_unavailable = true;
}
