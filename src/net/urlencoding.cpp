#include "urlencoding.h"

#include "common/failure.h"
#include "common/gbkcodec.h"

using namespace Qt::StringLiterals;

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

// The keyword's positions were counted in a signed 16-bit integer advanced past the end, so
// 32767 units are already one too many.
constexpr qsizetype kMaxKeywordUnits = 32766;

bool isAsciiLetter(char16_t unit)
{
    return (unit >= u'A' && unit <= u'Z') || (unit >= u'a' && unit <= u'z');
}

bool isAsciiAlnum(char16_t unit)
{
    return isAsciiLetter(unit) || (unit >= u'0' && unit <= u'9');
}

QChar *appendEscape(QChar *out, unsigned byte)
{
    *out++ = u'%';
    *out++ = QLatin1Char(kHexDigits[(byte >> 4) & 0xF]);
    *out++ = QLatin1Char(kHexDigits[byte & 0xF]);
    return out;
}

} // namespace

QString encodeUtf8Url(const QString &text)
{
    // Only U+0020 is trimmed, as the keyword box's users type it; an ideographic space at
    // either end is part of what they typed and goes out encoded like any other character.
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin) == u' ')
        ++begin;
    while (end > begin && text.at(end - 1) == u' ')
        --end;
    const QStringView trimmed = QStringView(text).sliced(begin, end - begin);
    if (trimmed.size() > kMaxKeywordUnits)
        throw Failure(u"溢出"_s);

    qsizetype length = 0;
    for (const QChar c : trimmed) {
        const char16_t unit = c.unicode();
        length += isAsciiAlnum(unit) ? 1 : unit < 256 ? 3 : 9;
    }

    QString encoded(length, Qt::Uninitialized);
    QChar *out = encoded.data();
    for (const QChar c : trimmed) {
        const char16_t unit = c.unicode();
        if (isAsciiAlnum(unit)) {
            *out++ = c;
        } else if (unit < 256) {
            out = appendEscape(out, unit);
        } else {
            // The three-byte UTF-8 form for every unit from 256 up, surrogate halves and
            // the two-byte range included: the service decodes exactly this.
            out = appendEscape(out, 0xE0 | (unit >> 12));
            out = appendEscape(out, 0x80 | ((unit >> 6) & 0x3F));
            out = appendEscape(out, 0x80 | (unit & 0x3F));
        }
    }
    return encoded;
}

QString encodeUrl(const QString &text)
{
    static constexpr auto kSafe = "-,.0123456789/"_L1;

    QString encoded;
    encoded.reserve(text.size() * 3);
    // Media paths are mostly ASCII; the codec opens its converter only for a character beyond it
    GbkCodec gbk;
    for (const QChar c : text) {
        const char16_t unit = c.unicode();
        if (kSafe.contains(c) || isAsciiLetter(unit)) {
            encoded.append(c);
        } else if (unit < 0x80) {
            QChar escape[3];
            appendEscape(escape, unit);
            encoded.append(escape, 3);
        } else {
            const QByteArrayView bytes = gbk.encode(unit);
            if (bytes.size() == 1 && isAsciiLetter(uchar(bytes.front()))) {
                encoded.append(QLatin1Char(bytes.front()));
                continue;
            }
            for (const char byte : bytes) {
                QChar escape[3];
                appendEscape(escape, uchar(byte));
                encoded.append(escape, 3);
            }
        }
    }
    return encoded;
}
