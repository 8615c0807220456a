#include "titlespelling.h"

#include "pinyin/pinyin.h"

#include <QChar>

#include <utility>

namespace {

constexpr char32_t kLatin1Last = 0xff;
constexpr char16_t kRightQuote = 0x2019;

bool isLatinLetter(char32_t c)
{
    return c <= kLatin1Last && QChar::isLetter(c);
}

bool isDigit(char32_t c)
{
    return c >= U'0' && c <= U'9';
}

} // namespace

char32_t TitleSpelling::nextCodePoint()
{
    const char16_t unit = CellText::fold(m_title.at(m_at++));
    if (QChar::isHighSurrogate(unit) && m_at < m_title.size()
        && QChar::isLowSurrogate(m_title.at(m_at)))
        return QChar::surrogateToUcs4(unit, m_title.at(m_at++));
    return unit;
}

bool TitleSpelling::next()
{
    while (m_at < m_title.size()) {
        const char32_t c = nextCodePoint();
        const bool wasInWord = std::exchange(m_inWord, false);
        if (isLatinLetter(c) || isDigit(c)) {
            m_letter = char(c);
            m_isSyllable = false;
            // Digits are each an initial, as they are typed
            m_isInitial = isDigit(c) || !wasInWord;
            m_inWord = !isDigit(c);
            return true;
        }
        // An apostrophe inside a word ("I'm") does not end it
        if (wasInWord && (c == U'\'' || c == kRightQuote)) {
            m_inWord = true;
            continue;
        }
        m_syllable = Pinyin::syllable(c);
        if (!m_syllable.isEmpty()) {
            m_isSyllable = m_isInitial = true;
            return true;
        }
    }
    return false;
}

qsizetype TitleSpelling::initials(CellText title, char *out, qsizetype limit)
{
    qsizetype count = 0;
    for (TitleSpelling spelling(title); count < limit && spelling.next();) {
        if (spelling.isInitial())
            out[count++] = spelling.piece().front().toLatin1();
    }
    return count;
}
