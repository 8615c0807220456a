#include "pagecutting.h"

#include "net/failure.h"
#include "platform/reportlist.h"

#include <limits>

namespace {

using namespace Qt::Literals::StringLiterals;

constexpr QStringView kSearchHeading = u"<h3>搜索：";
constexpr QStringView kEntrySeparator = u",{id";
constexpr QStringView kIdStart = u"{id:\"";
constexpr QStringView kTitleStart = u"title:\"";
constexpr QStringView kSerialStart = u"serial:\"";
constexpr QStringView kQuote = u"\"";
constexpr QStringView kQuoteComma = u"\",";
constexpr QStringView kEmptyResult = u"totalrecorder:0";
constexpr int kCellPadding = 12;

// The text of the list with carriage returns, line feeds and tabs removed; the list itself
// when it holds none, so that the common case copies nothing.
QStringView withoutLineBreaks(QStringView list, QString &storage)
{
    const auto isBreak = [](QChar c) { return c == u'\r' || c == u'\n' || c == u'\t'; };
    qsizetype first = 0;
    while (first < list.size() && !isBreak(list[first]))
        ++first;
    if (first == list.size())
        return list;
    storage.reserve(list.size());
    storage.append(list.left(first));
    for (qsizetype i = first; i < list.size(); ++i) {
        if (!isBreak(list[i]))
            storage.append(list[i]);
    }
    return storage;
}

QString cell(QStringView value)
{
    QString text;
    text.reserve(value.size() + kCellPadding);
    text.append(value);
    text.append(QString(kCellPadding, u' '));
    return text;
}

// One entry is "{id" followed by its piece of the page. Markers are looked up in that logical
// text without building it: only "{id:\"" can start inside the prefix, and only at its start.
class Entry
{
public:
    explicit Entry(QStringView piece) : m_piece(piece) { }

    bool contains(QStringView marker) const { return m_piece.contains(marker); }

    // The value between the first `start` marker and the first `end` marker after it
    QStringView cut(QStringView start, QStringView end, QStringView field) const
    {
        qsizetype valueStart = -1;
        if (start == kIdStart && m_piece.startsWith(u":\""))
            valueStart = 2;
        else if (const qsizetype at = m_piece.indexOf(start); at >= 0)
            valueStart = at + start.size();
        if (valueStart < 0)
            throw Failure(u"列表数据无法解析：条目缺少“%1”字段"_s.arg(field));
        const qsizetype valueEnd = m_piece.indexOf(end, valueStart);
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

QString ReadTotalPages(QStringView page)
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

void AddPageRows(QStringView page, ReportList &list)
{
    if (const qsizetype heading = page.indexOf(kSearchHeading); heading >= 0)
        page = page.sliced(heading + 1);

    const qsizetype listEnd = page.indexOf(u']');
    if (listEnd < 0)
        throw Failure(u"列表数据无法解析：没有列表结束符"_s);

    QString storage;
    QStringView text = withoutLineBreaks(page.first(listEnd), storage);

    if (const qsizetype headerEnd = text.indexOf(u"},"); headerEnd >= 0)
        text = text.sliced(headerEnd + 1);

    // The pieces are counted in 16 bits, as the service's own clients do: a page beyond that
    // is refused whole rather than cut short.
    const qsizetype pieces = text.count(kEntrySeparator) + 1;
    if (pieces > std::numeric_limits<qint16>::max())
        throw Failure(u"列表数据无法解析：一页中的条目过多"_s);

    QList<ReportRow> rows;
    rows.reserve(pieces);
    // Rows cut before a failing entry are still appended, then the failure goes on.
    auto appendRows = [&] {
        if (!rows.isEmpty())
            list.addRows(rows);
    };
    try {
        qsizetype pieceStart = 0;
        while (pieceStart <= text.size()) {
            qsizetype pieceEnd = text.indexOf(kEntrySeparator, pieceStart);
            if (pieceEnd < 0)
                pieceEnd = text.size();
            const QStringView piece = text.sliced(pieceStart, pieceEnd - pieceStart);
            pieceStart = pieceEnd + kEntrySeparator.size();

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
            rows.append(ReportRow{cell(title), cell(serial), cell(id)});
        }
    } catch (const Failure &) {
        appendRows();
        throw;
    }
    appendRows();
}
