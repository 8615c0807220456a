// Feeds both percent-encoders arbitrary UTF-16 text (the input's byte pairs, little-endian) and
// decodes what they write to check that nothing was lost, added or mis-escaped.
//
// An input of odd length is stretched when its last byte is 0xF0 to 0xFF: the text is repeated
// to 32760 plus the low four bits units, so that the keyword length limit is reached.

#include "charsetdecoder.h"
#include "fuzzcheck.h"
#include "net/urlencoding.h"

#include <QtEndian>

#include <cstdint>

namespace {

constexpr qsizetype kStretchBase = 32760;
constexpr qsizetype kKeywordLimit = 32767;

bool isAsciiLetter(char16_t unit)
{
    return (unit >= u'A' && unit <= u'Z') || (unit >= u'a' && unit <= u'z');
}

bool isAsciiAlnum(char16_t unit)
{
    return isAsciiLetter(unit) || (unit >= u'0' && unit <= u'9');
}

int upperHexValue(QChar c)
{
    const char16_t unit = c.unicode();
    if (unit >= u'0' && unit <= u'9')
        return unit - u'0';
    if (unit >= u'A' && unit <= u'F')
        return unit - u'A' + 10;
    return -1;
}

struct Token {
    uchar byte;
    bool escaped;
};

// Reads an encoder's output back as literal characters and escapes. All of it must be ASCII,
// and every "%" must be followed by two upper-case hexadecimal digits.
class EscapeReader {
public:
    explicit EscapeReader(QStringView encoded) : m_encoded(encoded) { }

    bool atEnd() const { return m_at == m_encoded.size(); }

    Token next()
    {
        FUZZ_REQUIRE(!atEnd());
        const char16_t unit = m_encoded[m_at++].unicode();
        FUZZ_REQUIRE(unit < 0x80);
        if (unit != u'%')
            return {uchar(unit), false};
        FUZZ_REQUIRE(m_at + 2 <= m_encoded.size());
        const int high = upperHexValue(m_encoded[m_at++]);
        const int low = upperHexValue(m_encoded[m_at++]);
        FUZZ_REQUIRE(high >= 0 && low >= 0);
        return {uchar(high * 16 + low), true};
    }

    Token nextEscape()
    {
        const Token token = next();
        FUZZ_REQUIRE(token.escaped);
        return token;
    }

private:
    QStringView m_encoded;
    qsizetype m_at = 0;
};

QString unitsOf(const uint8_t *data, size_t size)
{
    const qsizetype units = qsizetype(size / 2);
    QString text(units, Qt::Uninitialized);
    qFromLittleEndian<char16_t>(data, units, text.data());
    if (size % 2 == 1 && data[size - 1] >= 0xF0 && !text.isEmpty()) {
        const qsizetype length = kStretchBase + (data[size - 1] & 0x0F);
        QString stretched;
        stretched.reserve(length + text.size());
        while (stretched.size() < length)
            stretched.append(text);
        stretched.truncate(length);
        return stretched;
    }
    return text;
}

void checkUtf8Url(const QString &text, CharsetDecoder &utf8)
{
    QStringView trimmed = text;
    while (trimmed.startsWith(u' '))
        trimmed = trimmed.sliced(1);
    while (trimmed.endsWith(u' '))
        trimmed.chop(1);

    QString encoded;
    const bool overflow = raisesFailure([&] { encoded = encodeUtf8Url(text); });
    FUZZ_REQUIRE(overflow == (trimmed.size() >= kKeywordLimit));
    if (overflow)
        return;

    // Decode the output unit by unit: letters and digits literally, the rest of Latin-1 as one
    // escape of the code itself, everything above as three escapes that give the unit back.
    // From U+0800 up, outside the surrogates, the three escapes are standard UTF-8: those units
    // and their bytes are collected to be decoded independently in one go.
    EscapeReader reader(encoded);
    QString wide;
    QByteArray wideBytes;
    for (const QChar c : trimmed) {
        const char16_t unit = c.unicode();
        if (unit < 0x100) {
            const Token token = reader.next();
            FUZZ_REQUIRE(token.byte == unit);
            FUZZ_REQUIRE(token.escaped == !isAsciiAlnum(unit));
            continue;
        }
        const uchar lead = reader.nextEscape().byte;
        const uchar second = reader.nextEscape().byte;
        const uchar third = reader.nextEscape().byte;
        FUZZ_REQUIRE((lead & 0xF0) == 0xE0);
        FUZZ_REQUIRE((second & 0xC0) == 0x80 && (third & 0xC0) == 0x80);
        const int decoded = ((lead & 0x0F) << 12) | ((second & 0x3F) << 6) | (third & 0x3F);
        FUZZ_REQUIRE(decoded == unit);
        if (unit >= 0x800 && !c.isSurrogate()) {
            wide.append(c);
            wideBytes.append(char(lead)).append(char(second)).append(char(third));
        }
    }
    FUZZ_REQUIRE(reader.atEnd());
    FUZZ_REQUIRE(utf8.decode(wideBytes) == wide);
}

void checkGbkUrl(const QString &text, CharsetDecoder &gbk)
{
    static constexpr QStringView kSafe = u"-,.0123456789/";

    QString encoded;
    FUZZ_REQUIRE(!raisesFailure([&] { encoded = encodeUrl(text); }));

    EscapeReader reader(encoded);
    for (const QChar c : text) {
        const char16_t unit = c.unicode();
        if (kSafe.contains(c) || isAsciiLetter(unit)) {
            const Token token = reader.next();
            FUZZ_REQUIRE(!token.escaped && token.byte == unit);
            continue;
        }
        if (unit < 0x80) {
            FUZZ_REQUIRE(reader.nextEscape().byte == unit);
            continue;
        }
        // The unit's GBK code: a lead byte and a trail byte, or a single byte, which stays
        // literal only when it is a letter
        QByteArray code;
        const Token first = reader.next();
        code.append(char(first.byte));
        if (!first.escaped) {
            FUZZ_REQUIRE(isAsciiLetter(first.byte));
        } else if (first.byte >= 0x81 && first.byte <= 0xFE) {
            const uchar trail = reader.nextEscape().byte;
            FUZZ_REQUIRE(trail >= 0x40 && trail <= 0xFE && trail != 0x7F);
            code.append(char(trail));
        } else {
            FUZZ_REQUIRE(!isAsciiLetter(first.byte));
        }
        // A unit GBK cannot represent becomes the converter's substitute "?"
        if (code != "?")
            FUZZ_REQUIRE(gbk.decode(code) == QString(c));
    }
    FUZZ_REQUIRE(reader.atEnd());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // Opened once: loading the converters anew for every input would cost more than the checks.
    // Keeping GBK loaded also spares the encoder's own converter from reloading it.
    static CharsetDecoder utf8("UTF-8");
    static CharsetDecoder gbk("CP936");

    const QString text = unitsOf(data, size);
    checkUtf8Url(text, utf8);
    if (text.size() < kStretchBase)
        checkGbkUrl(text, gbk);
    return 0;
}
