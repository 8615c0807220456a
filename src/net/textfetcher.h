#pragma once

#include "textrequest.h"

#include "common/constants.h"

#include <QByteArray>
#include <QString>
#include <chrono>

class QNetworkAccessManager;

// The program's only way of talking to the catalogue service: HTTP GETs of complete URLs, each
// body decoded as text.
class TextFetcher {
public:
    static constexpr std::chrono::milliseconds kDefaultDeadline {60000};

    explicit TextFetcher(QNetworkAccessManager &network);

    // Sends one GET of `url`; the request reports to the caller's slots and belongs to `owner`,
    // which aborts it by going away first.
    TextRequest *fetchText(const QString &url, const QString &charset, QObject *owner) const;

    // The whole byte sequence decoded in the named character set (names match without case).
    static QString bytesToText(const QByteArray &body, const QString &charset);

    void setTransferTimeout(std::chrono::milliseconds timeout)
    {
        m_limits.transferTimeout = timeout;
    }
    std::chrono::milliseconds transferTimeout() const { return m_limits.transferTimeout; }
    void setDeadline(std::chrono::milliseconds deadline) { m_limits.deadline = deadline; }

private:
    QNetworkAccessManager &m_network;
    TextRequest::Limits m_limits {kTransferTimeout, kDefaultDeadline};
};
