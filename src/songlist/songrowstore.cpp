#include "songrowstore.h"

#include "common/failure.h"
#include "songlist/titlespelling.h"

#include <algorithm>
#include <cstring>
#include <limits>

using namespace Qt::StringLiterals;

namespace {

// A cell's header byte: two flags, then its length when that is short; a longer length follows
// the header, seven bits a byte
constexpr quint8 kPadded = 0x80;
constexpr quint8 kLatin1 = 0x40;
constexpr quint8 kShortLengths = 0x3f;
constexpr quint8 kMoreBits = 0x80;
constexpr quint8 kLengthBits = 0x7f;
// Row starts are 32-bit offsets
constexpr qsizetype kMaxBytes = std::numeric_limits<quint32>::max();

// What the header of a cell says, and where its text starts
struct CellHeader {
    qsizetype textStart = 0;
    qsizetype length = 0;
    bool latin1 = false;
    bool padded = false;

    qsizetype textEnd() const { return textStart + (latin1 ? length : 2 * length); }
};

CellHeader readHeader(const QByteArray &cells, qsizetype at)
{
    const auto header = quint8(cells.at(at++));
    CellHeader cell;
    cell.latin1 = header & kLatin1;
    cell.padded = header & kPadded;
    cell.length = header & kShortLengths;
    if (cell.length == kShortLengths) {
        cell.length = 0;
        for (int shift = 0;; shift += 7) {
            const auto part = quint8(cells.at(at++));
            cell.length |= qsizetype(part & kLengthBits) << shift;
            if (!(part & kMoreBits))
                break;
        }
    }
    cell.textStart = at;
    return cell;
}

void appendHeader(QByteArray &cells, qsizetype length, quint8 flags)
{
    if (length < kShortLengths) {
        cells.append(char(flags | length));
        return;
    }
    cells.append(char(flags | kShortLengths));
    for (; length >= kMoreBits; length >>= 7)
        cells.append(char(kMoreBits | (length & kLengthBits)));
    cells.append(char(length));
}

void appendCell(QByteArray &cells, QStringView cell)
{
    const bool padded = cell.endsWith(kCellPadding);
    const QStringView text = padded ? cell.chopped(kCellPadding.size()) : cell;
    const bool latin1
        = std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() <= 0xff; });
    appendHeader(cells, text.size(), (padded ? kPadded : 0) | (latin1 ? kLatin1 : 0));
    if (!latin1) {
        cells.append(reinterpret_cast<const char *>(text.utf16()), 2 * text.size());
        return;
    }
    const qsizetype at = cells.size();
    cells.resize(at + text.size());
    std::transform(text.begin(), text.end(), cells.data() + at,
                   [](QChar c) { return char(c.unicode()); });
}

} // namespace

void SongRowStore::append(const QList<SongRow> &rows)
{
    const qsizetype bytesBefore = m_cells.size();
    const qsizetype rowsBefore = m_rowStarts.size();
    try {
        // Appending grows both by doubling; reserving a page's worth at a time would copy the
        // whole list for every page
        for (const SongRow &row : rows)
            appendRow(row);
        if (m_cells.size() > kMaxBytes)
            throw Failure(u"列表已满，放不下更多的歌曲"_s);
    } catch (...) {
        // Running out of memory halfway through a row would leave a row start pointing at half
        // its cells
        m_cells.truncate(bytesBefore);
        m_rowStarts.resize(rowsBefore);
        throw;
    }
}

void SongRowStore::appendRow(const SongRow &row)
{
    m_rowStarts.append(quint32(m_cells.size()));
    for (int column = 0; column < kColumns; ++column)
        appendCell(m_cells, row.subItem(column));
    char initials[kStoredInitials];
    const qsizetype count
        = TitleSpelling::initials(CellText::ofCell(row.text), initials, kStoredInitials);
    appendHeader(m_cells, count, kLatin1);
    m_cells.append(initials, count);
}

void SongRowStore::insert(int at, const SongRow &row)
{
    SongRowStore one;
    one.append({row});
    const quint32 start = at < size() ? m_rowStarts.at(at) : quint32(m_cells.size());
    if (m_cells.size() + one.m_cells.size() > kMaxBytes)
        throw Failure(u"列表已满，放不下更多的歌曲"_s);
    m_cells.insert(start, one.m_cells);
    m_rowStarts.insert(at, start);
    shiftStarts(at + 1, one.m_cells.size());
}

void SongRowStore::remove(int at)
{
    const qsizetype start = m_rowStarts.at(at);
    const qsizetype bytes = rowEnd(at) - start;
    m_cells.remove(start, bytes);
    m_rowStarts.remove(at);
    shiftStarts(at, -bytes);
}

qsizetype SongRowStore::rowEnd(int row) const
{
    return row + 1 < size() ? qsizetype(m_rowStarts.at(row + 1)) : m_cells.size();
}

void SongRowStore::shiftStarts(int from, qsizetype bytes)
{
    for (auto start = m_rowStarts.begin() + from; start != m_rowStarts.end(); ++start)
        *start = quint32(*start + bytes);
}

void SongRowStore::clear()
{
    m_rowStarts.clear();
    m_rowStarts.squeeze();
    m_cells.clear();
    m_cells.squeeze();
}

qsizetype SongRowStore::cellStart(int row, int column) const
{
    qsizetype at = m_rowStarts.at(row);
    for (int before = 0; before < column; ++before)
        at = readHeader(m_cells, at).textEnd();
    return at;
}

void SongRowStore::appendCellText(int row, int column, QString &text) const
{
    const CellHeader cell = readHeader(m_cells, cellStart(row, column));
    const char *const bytes = m_cells.constData() + cell.textStart;
    if (cell.latin1) {
        text.append(QLatin1StringView(bytes, cell.length));
    } else {
        const qsizetype at = text.size();
        text.resize(at + cell.length);
        std::memcpy(text.data() + at, bytes, 2 * cell.length);
    }
    if (cell.padded)
        text.append(kCellPadding);
}

QString SongRowStore::cellText(int row, int column) const
{
    QString text;
    appendCellText(row, column, text);
    return text;
}

FindingCells SongRowStore::cells(int row) const
{
    FindingCells found;
    qsizetype at = m_rowStarts.at(row);
    for (CellText *const text : {&found.title, &found.serial, &found.id}) {
        const CellHeader cell = readHeader(m_cells, at);
        const char *const bytes = m_cells.constData() + cell.textStart;
        *text = cell.latin1 ? CellText(QLatin1StringView(bytes, cell.length))
                            : CellText::fromUtf16Bytes(bytes, cell.length);
        at = cell.textEnd();
    }
    const CellHeader initials = readHeader(m_cells, at);
    found.initials = QLatin1StringView(m_cells.constData() + initials.textStart, initials.length);
    return found;
}

SongRow SongRowStore::row(int row) const
{
    return {cellText(row, 0), cellText(row, 1), cellText(row, 2)};
}
