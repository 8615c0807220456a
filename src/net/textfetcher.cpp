#include "textfetcher.h"

#include "common/failure.h"

#include <QEventLoop>
#include <QPointer>
#include <QStringDecoder>

#include <optional>

using namespace Qt::StringLiterals;

TextFetcher::TextFetcher(QNetworkAccessManager &network) : m_network(network) { }

TextRequest *TextFetcher::fetchText(const QString &url, const QString &charset,
                                    QObject *owner) const
{
    return new TextRequest(m_network, url, charset, m_limits, owner);
}

QString TextFetcher::FetchText(const QString &url, const QString &charset)
{
    QEventLoop loop;
    std::optional<QString> text;
    QString reason;
    const QPointer<TextRequest> request = fetchText(url, charset, &loop);
    QObject::connect(request, &TextRequest::finished, &loop, [&](const QString &answer) {
        text = answer;
        loop.quit();
    });
    QObject::connect(request, &TextRequest::failed, &loop, [&](const QString &failure) {
        reason = failure;
        loop.quit();
    });
    loop.exec();
    if (text)
        return *text;
    if (reason.isEmpty()) {
        // The application is quitting, which ends every loop at once: unwind the handler.
        if (request)
            request->abort();
        throw Failure(u"程序正在退出"_s);
    }
    throw Failure(reason);
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
