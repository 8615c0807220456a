#pragma once

#include "common/constants.h"

#include <QByteArray>
#include <QString>
#include <chrono>

class QNetworkAccessManager;

// The program's only way of talking to the catalogue service: one HTTP GET of a complete URL,
// the body decoded as text. While it waits it dispatches the window's events, so handlers run
// nested inside the wait; an inner call ends before the outer one looks at its own answer.
class TextFetcher {
public:
    // No list page, song address or background list comes near this; a larger answer is refused
    // before it can fill the memory
    static constexpr qsizetype kMaxAnswerBytes = 16 * 1024 * 1024;
    // What may wait unread between the network and the answer taken in so far
    static constexpr qint64 kReadBufferBytes = 1024 * 1024;
    // However steadily an answer trickles in, it must be complete within this
    static constexpr std::chrono::milliseconds kDefaultDeadline {60000};

    explicit TextFetcher(QNetworkAccessManager &network);

    // Raises Failure for an unknown charset, a refused or reset connection, a timeout (silence
    // for the transfer timeout, or no complete answer by the deadline), an answer larger than
    // kMaxAnswerBytes, and when the program is shutting down. The HTTP status is never read; an
    // empty body is "".
    QString FetchText(const QString &url, const QString &charset);

    // The whole byte sequence decoded in the named character set (names match without case).
    static QString BytesToText(const QByteArray &body, const QString &charset);

    void setTransferTimeout(std::chrono::milliseconds timeout) { m_timeout = timeout; }
    std::chrono::milliseconds transferTimeout() const { return m_timeout; }
    void setDeadline(std::chrono::milliseconds deadline) { m_deadline = deadline; }

private:
    QNetworkAccessManager &m_network;
    std::chrono::milliseconds m_timeout = kTransferTimeout;
    std::chrono::milliseconds m_deadline = kDefaultDeadline;
};
