#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// Reverses the client's keyword encoding: three bytes E0..EF, 80..BF, 80..BF are one 16-bit
// code unit (overlong forms and lone surrogate halves included, since the client writes every
// unit from 0x100 up that way), every other byte is the code unit of the same value.
QString decodeKeyword(const QByteArray &bytes);

// Strict UTF-8; nullopt when the bytes are not valid UTF-8.
std::optional<QString> decodeUtf8(const QByteArray &bytes);

// Code page 936 through iconv; nullopt when the bytes are not valid GBK.
std::optional<QString> decodeGbk(const QByteArray &bytes);
