#include "textfetcher.h"

#include "common/failure.h"

#include <QStringDecoder>

using namespace Qt::StringLiterals;

TextFetcher::TextFetcher(QNetworkAccessManager &network) : m_network(network) { }

TextRequest *TextFetcher::fetchText(const QString &url, const QString &charset,
                                    QObject *owner) const
{
    return new TextRequest(m_network, url, charset, m_limits, owner);
}

QString TextFetcher::bytesToText(const QByteArray &body, const QString &charset)
{
    // Invalid bytes become U+FFFD rather than failing the whole answer, and so do the bytes of
    // an incomplete sequence at the very end (stateless: there is no next chunk to finish it). A
    // leading byte-order mark is dropped: it marks the encoding and is not part of the text.
    QStringDecoder decoder(charset.toLatin1().constData(), QStringDecoder::Flag::Stateless);
    if (!decoder.isValid())
        throw Failure(u"不支持的字符集："_s + charset);
    return decoder.decode(body);
}
