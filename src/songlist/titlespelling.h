#pragma once

#include "songlist/celltext.h"

#include <QLatin1StringView>

// A title spelt as it is typed on a Latin keyboard, piece by piece: a Han character as its pinyin
// syllable ("夜" → "ye"), a Latin letter or a digit as itself in lower case. Blanks, punctuation,
// other scripts and Han characters without a known reading spell nothing.
//
//     for (TitleSpelling spelling(title); spelling.next();)
//         use(spelling.piece());
class TitleSpelling {
public:
    explicit TitleSpelling(CellText title) : m_title(title) { }
    TitleSpelling(const TitleSpelling &) = delete;
    TitleSpelling &operator=(const TitleSpelling &) = delete;

    // Moves to the next piece; false past the last one
    bool next();
    QLatin1StringView piece() const
    {
        return m_isSyllable ? m_syllable : QLatin1StringView(&m_letter, 1);
    }
    bool isSyllable() const { return m_isSyllable; }
    // Whether the piece gives the title an initial: a syllable, a digit, or the first letter of
    // a Latin word
    bool isInitial() const { return m_isInitial; }

    // Writes the title's initials to `out`, at most `limit` of them, and gives their number:
    // "夜曲" → "yq", "Hello 世界" → "hsj", "七里香2" → "qlx2"
    static qsizetype initials(CellText title, char *out, qsizetype limit);

private:
    char32_t nextCodePoint();

    CellText m_title;
    qsizetype m_at = 0;
    QLatin1StringView m_syllable;
    char m_letter = 0;
    bool m_isSyllable = false;
    bool m_isInitial = false;
    bool m_inWord = false;
};
