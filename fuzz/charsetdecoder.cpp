#include "charsetdecoder.h"

#include <QtEndian>

#include <cstdlib>

CharsetDecoder::CharsetDecoder(const char *charset) : m_cd(iconv_open("UTF-16LE", charset))
{
    // Without the converter no property can be judged; this is a broken machine, not a finding.
    if (m_cd == reinterpret_cast<iconv_t>(-1))
        std::abort();
}

CharsetDecoder::~CharsetDecoder()
{
    iconv_close(m_cd);
}

std::optional<QString> CharsetDecoder::decode(QByteArrayView bytes)
{
    iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
    QByteArray utf16(bytes.size() * 4 + 4, Qt::Uninitialized);
    char *in = const_cast<char *>(bytes.data());
    size_t inLeft = size_t(bytes.size());
    char *out = utf16.data();
    size_t outLeft = size_t(utf16.size());
    if (iconv(m_cd, &in, &inLeft, &out, &outLeft) == size_t(-1) || inLeft != 0)
        return std::nullopt;
    const qsizetype units = (utf16.size() - qsizetype(outLeft)) / 2;
    QString text(units, Qt::Uninitialized);
    qFromLittleEndian<char16_t>(utf16.constData(), units, text.data());
    return text;
}
