#pragma once

#include <QNetworkReply>
#include <QPointer>

// Lets go of `reply`, if any: it says nothing more to `receiver`, a transfer still running stops,
// and the reply goes when the event loop next runs, never from inside one of its own signals.
inline void releaseReply(QPointer<QNetworkReply> &reply, const QObject *receiver)
{
    if (!reply)
        return;
    QObject::disconnect(reply, nullptr, receiver, nullptr);
    if (reply->isRunning())
        reply->abort();
    reply->deleteLater();
    reply = nullptr;
}
