#pragma once

#include <QNetworkReply>

// Whether a failed request reached the service at all. Only a service that cannot be reached
// is worth waiting for; an answer that came, however bad, is what it is.
enum class FailureKind {
    // No byte of an answer came: the connection was refused, or reset or closed before any
    // answer, no such host, no network, silence until the timeout, a proxy out of reach
    Unreachable,
    // An HTTP error status, an answer cut after its first bytes, and every other failure
    Answered,
};

// The one place that tells the two apart, for every kind of request. `anyByteArrived`: the
// status line, a header or a byte of the body came. A request that did not fail is answered.
// A reply aborted on purpose is not a failure and is not for this to judge: Qt reports it as it
// reports the transfer timeout.
FailureKind failureKindOf(QNetworkReply::NetworkError error, bool anyByteArrived);
// The same for a finished reply, which has a status once any byte of an answer came
FailureKind failureKindOf(const QNetworkReply &reply);
