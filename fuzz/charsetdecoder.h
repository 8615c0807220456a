#pragma once

#include <QByteArrayView>
#include <QString>
#include <iconv.h>
#include <optional>

// A strict decoder from a named character set, independent of Qt's converters, so that the
// fuzz targets judge the program's results with a second opinion. Invalid input gives nothing.
class CharsetDecoder {
public:
    explicit CharsetDecoder(const char *charset);
    ~CharsetDecoder();
    CharsetDecoder(const CharsetDecoder &) = delete;
    CharsetDecoder &operator=(const CharsetDecoder &) = delete;

    std::optional<QString> decode(QByteArrayView bytes);

private:
    iconv_t m_cd;
};
