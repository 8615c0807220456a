#include "failurekind.h"

#include <QNetworkRequest>

FailureKind failureKindOf(QNetworkReply::NetworkError error, bool anyByteArrived)
{
    if (anyByteArrived)
        return FailureKind::Answered;
    switch (error) {
    case QNetworkReply::ConnectionRefusedError:
    case QNetworkReply::RemoteHostClosedError:
    case QNetworkReply::HostNotFoundError:
    case QNetworkReply::TimeoutError:
    // Also how Qt ends a request that the transfer timeout gave up
    case QNetworkReply::OperationCanceledError:
    case QNetworkReply::TemporaryNetworkFailureError:
    case QNetworkReply::NetworkSessionFailedError:
    case QNetworkReply::BackgroundRequestNotAllowedError:
    // Among others, an unreachable network or host
    case QNetworkReply::UnknownNetworkError:
    case QNetworkReply::ProxyConnectionRefusedError:
    case QNetworkReply::ProxyConnectionClosedError:
    case QNetworkReply::ProxyNotFoundError:
    case QNetworkReply::ProxyTimeoutError:
    case QNetworkReply::UnknownProxyError:
        return FailureKind::Unreachable;
    default:
        return FailureKind::Answered;
    }
}

FailureKind failureKindOf(const QNetworkReply &reply)
{
    return failureKindOf(reply.error(),
                         reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid());
}
