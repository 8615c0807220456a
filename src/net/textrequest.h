#pragma once

#include "failurekind.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <chrono>

class QNetworkAccessManager;
class QNetworkReply;

// One HTTP GET of a complete URL whose body is wanted as text. It is sent at once; the answer
// comes through finished() or failed(), always from the event loop and exactly once, after
// which the request deletes itself. abort() ends it without either signal.
class TextRequest : public QObject {
    Q_OBJECT

public:
    // No list page, song address or background list comes near this; a larger answer is refused
    // before it can fill the memory
    static constexpr qsizetype kMaxAnswerBytes = 16 * 1024 * 1024;
    // What may wait unread between the network and the answer taken in so far
    static constexpr qint64 kReadBufferBytes = 1024 * 1024;

    struct Limits {
        // Silence for this long gives the request up
        std::chrono::milliseconds transferTimeout;
        // However steadily an answer trickles in, it must be complete within this
        std::chrono::milliseconds deadline;
    };

    // `charset` names the character set the body is decoded in (names match without case)
    TextRequest(QNetworkAccessManager &network, const QString &url, const QString &charset,
                Limits limits, QObject *parent = nullptr);
    ~TextRequest() override;

    void abort();

signals:
    // The decoded body; "" for an empty one. The HTTP status is never read.
    void finished(const QString &text);
    // An unknown charset, an invalid URL, a refused or reset connection, a timeout, an answer
    // larger than kMaxAnswerBytes; `kind` tells whether the service could be reached at all
    void failed(const QString &reason, FailureKind kind);

private:
    void receive();
    void expire();
    void conclude();
    void fail(const QString &reason, FailureKind kind = FailureKind::Answered);
    QString reasonOfReply() const;
    bool anyByteArrived() const;
    void dropReply();

    const QString m_charset;
    QPointer<QNetworkReply> m_reply;
    QTimer m_deadline;
    QByteArray m_body;
    bool m_tooLarge = false;
    bool m_expired = false;
};
