#include "textfetcher.h"

#include "common/failure.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QStringDecoder>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <memory>
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

// Takes in one answer as it arrives, within its size cap and its deadline
class AnswerCollector {
public:
    AnswerCollector(QNetworkReply &reply, qsizetype maxBytes) : m_reply(reply), m_maxBytes(maxBytes)
    {
    }

    // Reads what has arrived; past the cap the transfer is given up
    void receive()
    {
        if (m_tooLarge)
            return;
        if (m_body.size() + m_reply.bytesAvailable() > m_maxBytes) {
            m_tooLarge = true;
            m_reply.abort();
            return;
        }
        m_body += m_reply.readAll();
    }

    void expire()
    {
        m_expired = true;
        m_reply.abort();
    }

    QByteArray &body() { return m_body; }
    bool tooLarge() const { return m_tooLarge; }
    bool expired() const { return m_expired; }

private:
    QNetworkReply &m_reply;
    const qsizetype m_maxBytes;
    QByteArray m_body;
    bool m_tooLarge = false;
    bool m_expired = false;
};

} // namespace

TextFetcher::TextFetcher(QNetworkAccessManager &network) : m_network(network) { }

QString TextFetcher::FetchText(const QString &url, const QString &charset)
{
    const QUrl target = wireUrl(url);
    if (!target.isValid())
        throw Failure(u"网址无效："_s + target.errorString());

    QNetworkRequest request(target);
    request.setTransferTimeout(int(m_timeout.count()));

    QEventLoop loop;
    // Deleting the reply is safe here: by the time this goes out of scope, its finished signal
    // has been delivered and the loop that waited for it has returned.
    const std::unique_ptr<QNetworkReply> reply(m_network.get(request));
    // Qt's network thread fills the reply's buffer however slowly this thread reads it; a bounded
    // buffer makes it wait instead, so that an answer never costs much more than its cap
    AnswerCollector answer(*reply, kMaxAnswerBytes);
    reply->setReadBufferSize(kReadBufferBytes);
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(reply.get(), &QNetworkReply::readyRead, &loop,
                     [&answer] { answer.receive(); });
    QObject::connect(&deadline, &QTimer::timeout, &loop, [&answer] { answer.expire(); });
    QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
    deadline.start(m_deadline);

    // Handlers run inside this wait. An inner fetch that starts there runs its own loop to the
    // end; this loop sees its quit only after the inner one has returned.
    if (!reply->isFinished())
        loop.exec();

    if (!reply->isFinished()) {
        // The application is quitting, which ends every loop at once: unwind the handler.
        QObject::disconnect(reply.get(), nullptr, &loop, nullptr);
        reply->abort();
        throw Failure(u"程序正在退出"_s);
    }
    answer.receive();
    if (answer.tooLarge())
        throw Failure(u"服务器返回的数据过大"_s);
    if (answer.expired())
        throw Failure(u"网络请求超时"_s);

    if (reply->error() != QNetworkReply::NoError && !isStatusAnswer(*reply)) {
        // The transfer timer aborts the reply, which Qt reports as a cancelled operation.
        if (reply->error() == QNetworkReply::OperationCanceledError
            || reply->error() == QNetworkReply::TimeoutError)
            throw Failure(u"网络请求超时"_s);
        throw Failure(u"网络请求失败："_s + reply->errorString());
    }

    if (answer.body().isEmpty())
        return QString();
    return BytesToText(answer.body(), charset);
}

QString TextFetcher::BytesToText(const QByteArray &body, const QString &charset)
{
    // Invalid bytes become U+FFFD rather than failing the whole answer, and so do the bytes of
    // an incomplete sequence at the very end (stateless: there is no next chunk to finish it). A
    // leading byte-order mark is dropped: it marks the encoding and is not part of the text.
    QStringDecoder decoder(charset.toLatin1().constData(), QStringDecoder::Flag::Stateless);
    if (!decoder.isValid())
        throw Failure(u"不支持的字符集："_s + charset);
    return decoder.decode(body);
}
