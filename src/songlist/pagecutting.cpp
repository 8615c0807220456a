#include "pagecutting.h"

#include "common/failure.h"
#include "songlist/songlistmodel.h"

#include <QVarLengthArray>

#include <algorithm>
#include <limits>

namespace {

using namespace Qt::StringLiterals;

// Where `marker` first occurs in `text` at or after `from`, or -1. The generic search for a string
// walks every character; here the vectorised search for one of the marker's characters, chosen
// because it is rare in list pages, jumps from candidate to candidate, and only there is the rest
// compared. Pages are searched this way dozens of times per entry.
qsizetype indexOfMarker(QStringView text, QStringView marker, qsizetype anchor, qsizetype from = 0)
{
    const QChar anchorChar = marker[anchor];
    for (qsizetype at = text.indexOf(anchorChar, from + anchor); at >= 0;
         at = text.indexOf(anchorChar, at + 1)) {
        const qsizetype start = at - anchor;
        if (start + marker.size() > text.size())
            return -1;
        if (text.sliced(start, marker.size()) == marker)
            return start;
    }
    return -1;
}

struct Marker {
    QStringView text;
    // The character the search jumps to: one that is rare in the entries before the marker
    // ("l" of "title" is the first "l" of an entry, "c" occurs in no field name)
    qsizetype anchor;
};

constexpr Marker kSearchHeading {u"<h3>搜索：", 4};
constexpr Marker kEntrySeparator {u",{id", 1};
constexpr Marker kIdStart {u"{id:\"", 0};
constexpr Marker kTitleStart {u"title:\"", 3};
constexpr Marker kSerialStart {u"serial:\"", 2};
constexpr Marker kQuote {u"\"", 0};
constexpr Marker kQuoteComma {u"\",", 0};
constexpr Marker kEmptyResult {u"totalrecorder:0", 7};
constexpr Marker kHeaderEnd {u"},", 0};

qsizetype indexOf(QStringView text, const Marker &marker, qsizetype from = 0)
{
    return indexOfMarker(text, marker.text, marker.anchor, from);
}

// The text of the list with carriage returns, line feeds and tabs removed; the list itself
// when it holds none, so that the common case copies nothing.
QStringView withoutLineBreaks(QStringView list, QString &storage)
{
    const auto isBreak = [](QChar c) { return c == u'\r' || c == u'\n' || c == u'\t'; };
    const auto firstBreak = std::find_if(list.begin(), list.end(), isBreak);
    if (firstBreak == list.end())
        return list;
    storage.resize(list.size());
    QChar *const begin = storage.data();
    QChar *out = std::copy(list.begin(), firstBreak, begin);
    out = std::remove_copy_if(firstBreak, list.end(), out, isBreak);
    storage.truncate(out - begin);
    return storage;
}

QString cell(QStringView value)
{
    QString text(value.size() + kCellPadding.size(), Qt::Uninitialized);
    QChar *const out = std::copy(value.begin(), value.end(), text.data());
    std::copy(kCellPadding.begin(), kCellPadding.end(), out);
    return text;
}

// One entry is "{id" followed by its piece of the page. Markers are looked up in that logical
// text without building it: only "{id:\"" can start inside the prefix, and only at its start.
class Entry {
public:
    explicit Entry(QStringView piece) : m_piece(piece) { }

    bool contains(const Marker &marker) const { return indexOf(m_piece, marker) >= 0; }

    // The value between the first `start` marker and the first `end` marker after it
    QStringView cut(const Marker &start, const Marker &end, QStringView field) const
    {
        qsizetype valueStart = -1;
        if (start.text == kIdStart.text && m_piece.startsWith(u":\""))
            valueStart = 2;
        else if (const qsizetype at = indexOf(m_piece, start); at >= 0)
            valueStart = at + start.text.size();
        if (valueStart < 0)
            throw Failure(u"列表数据无法解析：条目缺少“%1”字段"_s.arg(field));
        const qsizetype valueEnd = indexOf(m_piece, end, valueStart);
        if (valueEnd < 0)
            throw Failure(u"列表数据无法解析：“%1”字段没有结束"_s.arg(field));
        return m_piece.sliced(valueStart, valueEnd - valueStart);
    }

private:
    QStringView m_piece;
};

bool isBlank(QStringView piece)
{
    for (const QChar c : piece) {
        if (c != u' ')
            return false;
    }
    return true;
}

} // namespace

QString readTotalPages(QStringView page)
{
    // Removing quotes, blanks and line breaks cannot break an occurrence that is already there,
    // so the cleaned copy is only needed when the page itself lacks the marker.
    if (!page.contains(u"totalrecorder:")) {
        QString copy = page.toString();
        copy.remove(u'"');
        copy.remove(u' ');
        copy.remove(u"\r\n"_s);
        copy.remove(u'\t');
        if (!copy.contains(u"totalrecorder:"))
            return page.toString();
    }
    const qsizetype key = page.indexOf(u"totalpage:");
    if (key < 0)
        return {};
    const qsizetype valueStart = key + qsizetype(std::char_traits<char16_t>::length(u"totalpage:"));
    const qsizetype valueEnd = page.indexOf(u'}', valueStart);
    if (valueEnd < 0)
        return {};
    return page.sliced(valueStart, valueEnd - valueStart).toString();
}

void addPageRows(QStringView page, SongListModel &list)
{
    if (const qsizetype heading = indexOf(page, kSearchHeading); heading >= 0)
        page = page.sliced(heading + 1);

    const qsizetype listEnd = page.indexOf(u']');
    if (listEnd < 0)
        throw Failure(u"列表数据无法解析：没有列表结束符"_s);

    QString storage;
    QStringView text = withoutLineBreaks(page.first(listEnd), storage);

    if (const qsizetype headerEnd = indexOf(text, kHeaderEnd); headerEnd >= 0)
        text = text.sliced(headerEnd + 1);

    // The pieces are counted in 16 bits, as the service's own clients do: a page beyond that
    // is refused whole rather than cut short. The separators are found once, before cutting.
    constexpr qsizetype kMaxPieces = std::numeric_limits<qint16>::max();
    const qsizetype separatorSize = kEntrySeparator.text.size();
    QVarLengthArray<qsizetype, 256> separators;
    for (qsizetype at = indexOf(text, kEntrySeparator); at >= 0;
         at = indexOf(text, kEntrySeparator, at + separatorSize)) {
        if (separators.size() + 1 >= kMaxPieces)
            throw Failure(u"列表数据无法解析：一页中的条目过多"_s);
        separators.append(at);
    }
    separators.append(text.size());

    QList<SongRow> rows;
    rows.reserve(separators.size());
    // Rows cut before a failing entry are still appended, then the failure goes on.
    auto appendRows = [&] {
        if (!rows.isEmpty())
            list.appendRows(rows);
    };
    try {
        qsizetype pieceStart = 0;
        for (const qsizetype pieceEnd : std::as_const(separators)) {
            const QStringView piece = text.sliced(pieceStart, pieceEnd - pieceStart);
            pieceStart = pieceEnd + separatorSize;

            if (isBlank(piece))
                continue;
            const Entry entry(piece);
            if (entry.contains(kEmptyResult))
                continue;
            const QStringView id = entry.cut(kIdStart, kQuote, u"id");
            QStringView title = entry.cut(kTitleStart, kQuoteComma, u"title");
            const QStringView serial = entry.cut(kSerialStart, kQuoteComma, u"serial");
            if (const qsizetype bracket = title.indexOf(u'【'); bracket >= 0)
                title = title.first(bracket);
            rows.append(SongRow {cell(title), cell(serial), cell(id)});
        }
    } catch (const Failure &) {
        appendRows();
        throw;
    }
    appendRows();
}
