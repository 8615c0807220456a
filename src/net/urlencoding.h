#pragma once

#include <QString>

// Percent-encodes a search keyword: ASCII letters and digits stay, every other code unit below
// 256 is one escape of its own code, every code unit from 256 up is three escapes in the
// three-byte UTF-8 form (surrogate halves included). Blanks at both ends are trimmed first.
// Raises Failure when the trimmed text holds 32767 code units or more.
QString encodeUtf8Url(const QString &text);

// Percent-encodes a media path in code page 936 (GBK). "-,.0123456789/" and ASCII letters stay;
// a character GBK cannot represent becomes "?" and is encoded like any other. No trimming.
QString encodeUrl(const QString &text);
