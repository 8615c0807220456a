#include "bareloop.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>

#include <memory>

double fetchAllMs(QNetworkAccessManager &network, const QStringList &urls)
{
    QElapsedTimer clock;
    clock.start();
    for (const QString &url : urls) {
        QEventLoop loop;
        const std::unique_ptr<QNetworkReply> reply(network.get(QNetworkRequest(QUrl(url))));
        QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
        if (!reply->isFinished())
            loop.exec();
        reply->readAll();
    }
    return clock.nsecsElapsed() / 1e6;
}
