#include "textdecoding.h"

#include <QStringDecoder>
#include <iconv.h>
#include <memory>
#include <type_traits>

namespace {

bool isContinuation(char byte)
{
    return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

struct IconvCloser {
    void operator()(iconv_t descriptor) const { iconv_close(descriptor); }
};
using IconvHandle = std::unique_ptr<std::remove_pointer_t<iconv_t>, IconvCloser>;

} // namespace

QString decodeKeyword(const QByteArray &bytes)
{
    QString text;
    text.reserve(bytes.size());
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto lead = static_cast<unsigned char>(bytes.at(i));
        if (lead >= 0xE0 && lead <= 0xEF && i + 2 < bytes.size() && isContinuation(bytes.at(i + 1))
            && isContinuation(bytes.at(i + 2))) {
            const auto middle = static_cast<unsigned char>(bytes.at(i + 1));
            const auto last = static_cast<unsigned char>(bytes.at(i + 2));
            text.append(
                QChar(char16_t(((lead & 0x0F) << 12) | ((middle & 0x3F) << 6) | (last & 0x3F))));
            i += 2;
        } else {
            text.append(QChar(char16_t(lead)));
        }
    }
    // Surrogate halves written one after the other already form a pair in UTF-16.
    return text;
}

std::optional<QString> decodeUtf8(const QByteArray &bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

std::optional<QString> decodeGbk(const QByteArray &bytes)
{
    // A descriptor per call: iconv state is not shareable between worker threads, and media
    // requests are few compared with list pages.
    const iconv_t descriptor = iconv_open("UTF-8", "CP936");
    if (descriptor == reinterpret_cast<iconv_t>(-1))
        return std::nullopt;
    const IconvHandle converter(descriptor);

    // One GBK byte never grows beyond two UTF-8 bytes.
    QByteArray output(bytes.size() * 2, Qt::Uninitialized);
    QByteArray input = bytes;
    char *in = input.data();
    size_t inLeft = size_t(input.size());
    char *out = output.data();
    size_t outLeft = size_t(output.size());
    if (iconv(converter.get(), &in, &inLeft, &out, &outLeft) == size_t(-1))
        return std::nullopt;
    output.truncate(output.size() - qsizetype(outLeft));
    return QString::fromUtf8(output);
}
