#pragma once

#include "songlist/songrow.h"

#include <QChar>
#include <QLatin1StringView>
#include <QStringView>
#include <QtEndian>

#include <algorithm>

// The text of one list cell read where it is kept, without a copy: Latin-1 bytes, or UTF-16 code
// units at any byte address, since a compact row store does not align them.
class CellText {
public:
    CellText() = default;
    CellText(QLatin1StringView text) : m_bytes(text.data()), m_size(text.size()) { }
    CellText(QStringView text)
        : m_bytes(reinterpret_cast<const char *>(text.utf16())), m_size(text.size()),
          m_latin1(false)
    {
    }
    // `size` UTF-16 code units from `bytes` on
    static CellText fromUtf16Bytes(const char *bytes, qsizetype size)
    {
        CellText text;
        text.m_bytes = bytes;
        text.m_size = size;
        text.m_latin1 = false;
        return text;
    }
    // A cell as the list's users give it, without the padding that cells end with
    static CellText ofCell(const QString &cell)
    {
        const QStringView text = cell;
        return text.endsWith(kCellPadding) ? text.chopped(kCellPadding.size()) : text;
    }

    qsizetype size() const { return m_size; }
    // The first `count` code units, or the whole text when it is shorter
    CellText first(qsizetype count) const
    {
        CellText text = *this;
        text.m_size = std::min(m_size, count);
        return text;
    }
    char16_t at(qsizetype i) const
    {
        return m_latin1 ? char16_t(uchar(m_bytes[i])) : qFromUnaligned<char16_t>(m_bytes + 2 * i);
    }

    // A code unit as finding compares it: ASCII and Latin letters in lower case (case folded),
    // the full-width forms of ASCII as ASCII, the ideographic blank as a blank
    static char16_t fold(char16_t unit)
    {
        if (unit < 0x80)
            return unit >= u'A' && unit <= u'Z' ? char16_t(unit - u'A' + u'a') : unit;
        if (unit >= kFullWidthFirst && unit <= kFullWidthLast)
            return fold(char16_t(unit - kFullWidthOffset));
        if (unit == kIdeographicBlank)
            return u' ';
        // Han characters and surrogates have no case: spare them the case table
        if ((unit >= kHanFirst && unit <= kHanLast) || QChar::isSurrogate(unit))
            return unit;
        return char16_t(QChar::toCaseFolded(char32_t(unit)));
    }

private:
    static constexpr char16_t kFullWidthFirst = 0xFF01;
    static constexpr char16_t kFullWidthLast = 0xFF5E;
    static constexpr char16_t kFullWidthOffset = 0xFF01 - u'!';
    static constexpr char16_t kIdeographicBlank = 0x3000;
    static constexpr char16_t kHanFirst = 0x3400;
    static constexpr char16_t kHanLast = 0x9FFF;

    const char *m_bytes = nullptr;
    qsizetype m_size = 0;
    bool m_latin1 = true;
};
