#include "urlfilename.h"

#include "failure.h"
#include "gbkcodec.h"
#include "logging.h"

#include <QFile>
#include <QStringDecoder>
#include <QUrl>

#include <optional>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

QString decodeName(const QByteArray &bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(bytes);
    if (!utf8.hasError())
        return text;
    // The program's own links escape their names in code page 936
    try {
        if (std::optional<QString> gbk = GbkCodec().decode(bytes))
            return *gbk;
    } catch (const Failure &failure) {
        qCWarning(lcDownloads) << "File name left undecoded:" << failure.reason();
    }
    return text; // neither: keep the UTF-8 reading with replacement characters
}

qsizetype encodedSize(const QString &name)
{
    return QFile::encodeName(name).size();
}

// Drops characters from the end until the name fits, never splitting a surrogate pair.
QString truncated(QString text, qsizetype maxBytes)
{
    // Every character takes at least one byte, so longer texts cannot fit anyway.
    if (text.size() > maxBytes)
        text.truncate(maxBytes);
    while (!text.isEmpty() && encodedSize(text) > maxBytes) {
        const bool pair = text.size() >= 2 && text.back().isLowSurrogate()
            && text.at(text.size() - 2).isHighSurrogate();
        text.chop(pair ? 2 : 1);
    }
    return text;
}

// Characters that some common file system refuses or that shells and file managers trip over
// become their full-width forms, which read the same to a Chinese user.
QChar portableChar(QChar c)
{
    static constexpr std::pair<char16_t, char16_t> kFullWidth[] = {
        {u'/', u'／'}, {u'\\', u'＼'}, {u':', u'：'}, {u'*', u'＊'}, {u'?', u'？'},
        {u'"', u'＂'}, {u'<', u'＜'},  {u'>', u'＞'}, {u'|', u'｜'},
    };
    for (const auto &[ascii, fullWidth] : kFullWidth) {
        if (c == ascii)
            return fullWidth;
    }
    return c;
}

} // namespace

QString downloadNameFromUrl(const QUrl &url)
{
    // Split the encoded path, so that an escaped "/" stays inside its segment.
    const QString path = url.path(QUrl::FullyEncoded);
    const QString segment = path.mid(path.lastIndexOf(u'/') + 1);
    return plainFileName(decodeName(QByteArray::fromPercentEncoding(segment.toLatin1())));
}

QString plainFileName(const QString &name)
{
    QString plain;
    plain.reserve(name.size());
    for (const QChar c : name) {
        // Format characters (bidirectional overrides among them) can disguise the extension.
        if (c.category() == QChar::Other_Control || c.category() == QChar::Other_Format)
            continue;
        plain.append(portableChar(c));
    }

    // No hidden files and no "." or "..": leading dots go, with the blanks around them.
    qsizetype start = 0;
    while (start < plain.size() && (plain.at(start) == u'.' || plain.at(start).isSpace()))
        ++start;
    plain = plain.mid(start).trimmed();
    if (plain.isEmpty())
        return u"download"_s;

    if (encodedSize(plain) <= kMaxDownloadNameBytes)
        return plain;

    // Too long: shorten the stem and keep a short extension.
    const qsizetype dot = plain.lastIndexOf(u'.');
    const QString suffix = dot > 0 && plain.size() - dot <= 16 ? plain.mid(dot) : QString();
    const QString stem = plain.left(plain.size() - suffix.size());
    const QString shortStem = truncated(stem, kMaxDownloadNameBytes - encodedSize(suffix));
    return shortStem.trimmed().isEmpty() ? truncated(plain, kMaxDownloadNameBytes)
                                         : shortStem + suffix;
}
