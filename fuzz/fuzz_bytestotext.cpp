// Decodes arbitrary bytes as the text fetch does. The decoder must take every byte sequence under
// the names the program passes, give valid UTF-8 back unchanged, and refuse names it does not know.

#include "charsetdecoder.h"
#include "fuzzcheck.h"
#include "net/textfetcher.h"

#include <QByteArray>

#include <cstdint>

namespace {

using namespace Qt::StringLiterals;

constexpr QByteArrayView kBom = "\xEF\xBB\xBF";

QString decoded(const QByteArray &body, const QString &charset)
{
    QString text;
    FUZZ_REQUIRE(!raisesFailure([&] { text = TextFetcher::bytesToText(body, charset); }));
    return text;
}

void checkUtf8(const QByteArray &body, CharsetDecoder &utf8)
{
    const QString text = decoded(body, u"utf-8"_s);
    // Names match without regard to case
    FUZZ_REQUIRE(decoded(body, u"Utf-8"_s) == text);
    FUZZ_REQUIRE(decoded(body, u"UTF-8"_s) == text);
    // Whatever came in, no half of a surrogate pair goes out
    FUZZ_REQUIRE(QStringView(text).isValidUtf16());

    if (utf8.decode(body)) {
        // A leading byte-order mark only marks the encoding and is dropped
        const QByteArrayView content
            = body.startsWith(kBom) ? QByteArrayView(body).sliced(3) : QByteArrayView(body);
        FUZZ_REQUIRE(text.toUtf8() == content);
    } else {
        FUZZ_REQUIRE(text.contains(QChar::ReplacementCharacter));
    }
}

void checkCharsetNames(const QByteArray &body)
{
    // No converter knows these, however the input spells the rest of the name
    const QString names[] = {
        QString(),
        u"x-quillpod-unknown"_s,
        u"x-quillpod-unknown-"_s + QString::fromLatin1(body.left(12).toHex()),
    };
    for (const QString &name : names)
        FUZZ_REQUIRE(raisesFailure([&] { TextFetcher::bytesToText(body, name); }));

    // Any name at all is either decoded with or refused, and nothing else happens
    const QString anyName = QString::fromLatin1(body.left(16));
    raisesFailure([&] { TextFetcher::bytesToText(body, anyName); });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray body
        = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    // Opened once: loading the converter anew for every input would cost more than the checks
    static CharsetDecoder utf8("UTF-8");
    checkUtf8(body, utf8);
    checkCharsetNames(body);
    return 0;
}
