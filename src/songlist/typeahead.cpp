#include "typeahead.h"

#include "songlist/titlespelling.h"

#include <QChar>

#include <algorithm>

namespace {

constexpr char16_t kLatin1Last = 0xff;
constexpr char16_t kRightQuote = 0x2019;
// How much of a title the initials and the pinyin are read from: far more than anyone types, and
// a title of millions of characters does not make every key read all of it
constexpr qsizetype kTitleRead = 1000;

// Typing a blank or an apostrophe between syllables ("ye qu", "xi'an") spells nothing
bool isSeparator(char16_t unit)
{
    return unit == u' ' || unit == u'\'' || unit == kRightQuote;
}

// A letter of the typed text against one of a piece: input methods type ü as "v", and pinyin
// written without marks has it as "u", so a syllable's "v" takes either
bool sameLetter(char typed, char spelt, bool inSyllable)
{
    return typed == spelt || (inSyllable && spelt == 'v' && typed == 'u');
}

} // namespace

TypeAheadText::TypeAheadText(QStringView typed)
{
    m_folded.reserve(typed.size());
    for (const QChar unit : typed)
        m_folded.append(QChar(CellText::fold(unit.unicode())));

    for (const QChar unit : std::as_const(m_folded)) {
        if (isSeparator(unit.unicode()))
            continue;
        if (unit.unicode() > kLatin1Last || !unit.isLetterOrNumber()) {
            m_spelt.clear();
            return;
        }
        m_spelt.append(char(unit.unicode()));
    }
}

bool TypeAheadText::begins(CellText cell) const
{
    if (cell.size() < m_folded.size())
        return false;
    for (qsizetype i = 0; i < m_folded.size(); ++i) {
        if (CellText::fold(cell.at(i)) != m_folded.at(i).unicode())
            return false;
    }
    return true;
}

bool TypeAheadText::beginsInitials(const FindingCells &row, CellText title) const
{
    const qsizetype stored = std::min(row.initials.size(), m_spelt.size());
    if (!std::equal(m_spelt.cbegin(), m_spelt.cbegin() + stored, row.initials.cbegin()))
        return false;
    if (m_spelt.size() <= row.initials.size())
        return true;
    // Longer than the kept initials: only a title with more of them can still begin so
    if (row.initials.size() < kStoredInitials)
        return false;
    QByteArray initials(m_spelt.size(), Qt::Uninitialized);
    const qsizetype count = TitleSpelling::initials(title, initials.data(), initials.size());
    return count == m_spelt.size() && initials == m_spelt;
}

bool TypeAheadText::beginsPinyin(CellText title) const
{
    qsizetype at = 0;
    for (TitleSpelling spelling(title); at < m_spelt.size() && spelling.next();) {
        const QLatin1StringView piece = spelling.piece();
        const qsizetype length = std::min(piece.size(), m_spelt.size() - at);
        for (qsizetype i = 0; i < length; ++i, ++at) {
            if (!sameLetter(m_spelt.at(at), piece.at(i).toLatin1(), spelling.isSyllable()))
                return false;
        }
    }
    return at == m_spelt.size();
}

bool TypeAheadText::finds(const FindingCells &row) const
{
    if (isEmpty())
        return false;
    if (begins(row.title) || begins(row.serial) || begins(row.id))
        return true;
    // The title's pinyin begins with its first initial, as its initials do: most rows end here
    if (m_spelt.isEmpty() || row.initials.isEmpty()
        || row.initials.front().toLatin1() != m_spelt.front())
        return false;
    const CellText title = row.title.first(kTitleRead);
    return beginsInitials(row, title) || beginsPinyin(title);
}

int TypeAheadText::findRow(const FindingRows &rows, int start, int step) const
{
    const int count = rows.size();
    if (isEmpty() || count <= 0)
        return -1;
    int row = ((start % count) + count) % count;
    for (int tried = 0; tried < count; ++tried) {
        if (finds(rows.cells(row)))
            return row;
        row += step;
        if (row == count)
            row = 0;
        else if (row < 0)
            row = count - 1;
    }
    return -1;
}
