#include "textrequest.h"

#include "replyrelease.h"
#include "textfetcher.h"

#include "common/failure.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>

#include <algorithm>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

// Qt reports an HTTP error status as a reply error as well. Such an answer still came with its
// body, which is the caller's to judge; everything else in the error list is a transport failure.
// Qt also raises some of these errors for a body it could not take in (a decompression that
// failed or looked like a bomb), with the status of an answer that was fine: only a status of
// 400 or more makes the error an answer.
bool isStatusAnswer(const QNetworkReply &reply)
{
    if (reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() < 400)
        return false;
    switch (reply.error()) {
    case QNetworkReply::ProxyAuthenticationRequiredError:
    case QNetworkReply::ContentAccessDenied:
    case QNetworkReply::ContentOperationNotPermittedError:
    case QNetworkReply::ContentNotFoundError:
    case QNetworkReply::AuthenticationRequiredError:
    case QNetworkReply::ContentReSendError:
    case QNetworkReply::ContentConflictError:
    case QNetworkReply::ContentGoneError:
    case QNetworkReply::UnknownContentError:
    case QNetworkReply::ProtocolUnknownError:
    case QNetworkReply::ProtocolInvalidOperationError:
    case QNetworkReply::InternalServerError:
    case QNetworkReply::OperationNotImplementedError:
    case QNetworkReply::ServiceUnavailableError:
    case QNetworkReply::UnknownServerError:
        return true;
    default:
        return false;
    }
}

bool mustBeEscaped(char c)
{
    const auto byte = uchar(c);
    return byte <= 0x20 || byte >= 0x7F || QByteArrayView("\"<>\\^`{|}").contains(c);
}

QUrl wireUrl(const QString &url)
{
    // Callers hand over URLs with their own escapes in place, but an identifier can still carry
    // raw blanks, which strict parsing refuses. Escaping only the bytes a URL cannot hold raw
    // leaves everything the caller built as it is (QByteArray::toPercentEncoding would escape
    // the caller's "%" too).
    QByteArray utf8 = url.toUtf8();
    if (std::any_of(utf8.cbegin(), utf8.cend(), mustBeEscaped)) {
        static constexpr char kHexDigits[] = "0123456789ABCDEF";
        QByteArray escaped;
        escaped.reserve(utf8.size() * 3);
        for (const char c : std::as_const(utf8)) {
            if (mustBeEscaped(c)) {
                escaped.append('%');
                escaped.append(kHexDigits[uchar(c) >> 4]);
                escaped.append(kHexDigits[uchar(c) & 0xF]);
            } else {
                escaped.append(c);
            }
        }
        utf8 = std::move(escaped);
    }
    return QUrl::fromEncoded(utf8, QUrl::StrictMode);
}

} // namespace

TextRequest::TextRequest(QNetworkAccessManager &network, const QString &url, const QString &charset,
                         Limits limits, QObject *parent)
    : QObject(parent), m_charset(charset)
{
    const QUrl target = wireUrl(url);
    if (!target.isValid()) {
        // Told from the event loop, as every answer is, so that the caller can connect first
        QMetaObject::invokeMethod(
            this, [this, reason = u"网址无效："_s + target.errorString()] { fail(reason); },
            Qt::QueuedConnection);
        return;
    }
    QNetworkRequest request(target);
    request.setTransferTimeout(int(limits.transferTimeout.count()));
    m_reply = network.get(request);
    // Qt's network thread fills the reply's buffer however slowly this thread reads it; a bounded
    // buffer makes it wait instead, so that an answer never costs much more than its cap
    m_reply->setReadBufferSize(kReadBufferBytes);
    connect(m_reply, &QNetworkReply::readyRead, this, &TextRequest::receive);
    connect(m_reply, &QNetworkReply::finished, this, &TextRequest::conclude);
    m_deadline.setSingleShot(true);
    connect(&m_deadline, &QTimer::timeout, this, &TextRequest::expire);
    m_deadline.start(limits.deadline);
}

TextRequest::~TextRequest()
{
    dropReply();
}

void TextRequest::abort()
{
    dropReply();
    m_deadline.stop();
    disconnect(this, nullptr, nullptr, nullptr);
    deleteLater();
}

void TextRequest::dropReply()
{
    releaseReply(m_reply, this);
}

void TextRequest::receive()
{
    if (m_tooLarge)
        return;
    // Past the cap the transfer is given up
    if (m_body.size() + m_reply->bytesAvailable() > kMaxAnswerBytes) {
        m_tooLarge = true;
        m_reply->abort();
        return;
    }
    m_body += m_reply->readAll();
}

void TextRequest::expire()
{
    m_expired = true;
    m_reply->abort();
}

void TextRequest::conclude()
{
    m_deadline.stop();
    receive();
    if (m_tooLarge)
        return fail(u"服务器返回的数据过大"_s);
    // Aborted by the deadline, not by Qt's transfer timeout: only what arrived tells the kind
    if (m_expired)
        return fail(u"网络请求超时"_s,
                    failureKindOf(QNetworkReply::OperationCanceledError, anyByteArrived()));
    if (m_reply->error() != QNetworkReply::NoError && !isStatusAnswer(*m_reply))
        return fail(reasonOfReply(), failureKindOf(*m_reply));

    dropReply();
    QString text;
    if (const std::optional<QString> failure = failureOf([&] {
            text = m_body.isEmpty() ? QString() : TextFetcher::bytesToText(m_body, m_charset);
        }))
        return fail(*failure);
    deleteLater();
    emit finished(text);
}

QString TextRequest::reasonOfReply() const
{
    // The transfer timer aborts the reply, which Qt reports as a cancelled operation.
    if (m_reply->error() == QNetworkReply::OperationCanceledError
        || m_reply->error() == QNetworkReply::TimeoutError)
        return u"网络请求超时"_s;
    return u"网络请求失败："_s + m_reply->errorString();
}

bool TextRequest::anyByteArrived() const
{
    return !m_body.isEmpty()
        || m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid();
}

void TextRequest::fail(const QString &reason, FailureKind kind)
{
    dropReply();
    deleteLater();
    emit failed(reason, kind);
}
