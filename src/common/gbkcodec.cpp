#include "gbkcodec.h"

#include "failure.h"

#include <QtEndian>

#include <iconv.h>

using namespace Qt::StringLiterals;

void GbkCodec::Closer::operator()(void *converter) const
{
    iconv_close(converter);
}

void GbkCodec::open(Converter &converter, const char *to, const char *from)
{
    if (converter)
        return;
    const iconv_t handle = iconv_open(to, from);
    if (handle == reinterpret_cast<iconv_t>(-1))
        throw Failure(u"无法转换 GBK 编码"_s);
    converter.reset(handle);
}

QByteArrayView GbkCodec::encode(char16_t unit)
{
    open(m_encoder, "CP936", "UTF-16LE");
    std::array<char, 2> in;
    qToLittleEndian(unit, in.data());
    char *inPtr = in.data();
    size_t inLeft = in.size();
    char *outPtr = m_encoded.data();
    size_t outLeft = m_encoded.size();
    if (iconv(m_encoder.get(), &inPtr, &inLeft, &outPtr, &outLeft) == size_t(-1) || inLeft != 0) {
        iconv(m_encoder.get(), nullptr, nullptr, nullptr, nullptr);
        return "?";
    }
    return QByteArrayView(m_encoded.data(), outPtr - m_encoded.data());
}

std::optional<QString> GbkCodec::decode(QByteArrayView bytes)
{
    open(m_decoder, "UTF-8", "CP936");
    // Two GBK bytes become at most three UTF-8 bytes, one ASCII byte stays one.
    QByteArray output(bytes.size() * 2 + 1, Qt::Uninitialized);
    char *in = const_cast<char *>(bytes.data());
    size_t inLeft = size_t(bytes.size());
    char *out = output.data();
    size_t outLeft = size_t(output.size());
    const bool converted = iconv(m_decoder.get(), &in, &inLeft, &out, &outLeft) != size_t(-1);
    iconv(m_decoder.get(), nullptr, nullptr, nullptr, nullptr);
    if (!converted)
        return std::nullopt;
    output.truncate(output.size() - qsizetype(outLeft));
    return QString::fromUtf8(output);
}
