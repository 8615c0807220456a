#include "pagewriter.h"

#include "catalogue.h"

using namespace Qt::StringLiterals;

namespace {

// Keeps the keyword in the heading from reading as list syntax: the client cuts the page at
// "]", "},", ",{id" and the "totalpage:" marker wherever they appear after the heading.
std::string escapedForHeading(const QString &keyword)
{
    QString escaped;
    escaped.reserve(keyword.size());
    for (const QChar character : keyword) {
        switch (character.unicode()) {
        case '&':
        case '<':
        case '>':
        case '"':
        case '\'':
        case '[':
        case ']':
        case '{':
        case '}':
        case ':':
        case ',':
            escaped += u"&#%1;"_s.arg(character.unicode());
            break;
        default:
            escaped += character;
        }
    }
    return escaped.toStdString();
}

std::string renderEntry(const Song &song)
{
    return uR"({id:"%1",title:"%2",serial:"%3",singer:"%4",time:"%5"})"_s
        .arg(song.id, song.title, song.serial, song.singer, song.duration)
        .toStdString();
}

constexpr std::string_view kSearchLeadIn
    = "<!DOCTYPE html>\r\n<html><head><meta charset=\"utf-8\"><title>曲库搜索</title></head>"
      "<body>\r\n<p class=\"nav\">[首页] [排行榜] {推荐},</p>\r\n<h3>搜索：";
constexpr std::string_view kSearchTail = "\r\n</body></html>\r\n";

} // namespace

PageWriter::PageWriter(const Catalogue &catalogue, std::optional<QByteArray> totalText)
    : m_catalogue(catalogue)
{
    if (totalText)
        m_totalText = totalText->toStdString();
    m_entries.reserve(size_t(catalogue.songs().size()));
    for (const Song &song : catalogue.songs())
        m_entries.push_back(renderEntry(song));
}

std::string PageWriter::listPage(int page) const
{
    std::string out;
    appendList(out, nullptr, page);
    return out;
}

std::string PageWriter::searchPage(const QString &keyword, int page) const
{
    const Catalogue::Matches matches = m_catalogue.search(keyword);
    std::string out(kSearchLeadIn);
    out += escapedForHeading(keyword);
    out += "</h3>\r\n";
    appendList(out, matches.get(), page);
    out += kSearchTail;
    return out;
}

void PageWriter::appendList(std::string &out, const QList<qsizetype> *matches, int page) const
{
    const qsizetype total = matches ? matches->size() : qsizetype(m_entries.size());
    out += "[{totalrecorder:";
    out += std::to_string(total);
    out += ",totalpage:";
    out += m_totalText ? *m_totalText : std::to_string(m_catalogue.pageCount(total));
    out += '}';

    const qsizetype first = qsizetype(page - 1) * m_catalogue.perPage();
    const qsizetype end = std::min(total, first + m_catalogue.perPage());
    for (qsizetype ordinal = first; ordinal < end; ++ordinal) {
        // A line break after every fourth entry; the client removes them before cutting.
        out += (ordinal - first) % 4 == 3 ? ",\r\n" : ",";
        out += m_entries.at(size_t(matches ? matches->at(ordinal) : ordinal));
    }
    out += ']';
}

std::string PageWriter::backgroundList() const
{
    std::string out = "[";
    bool first = true;
    for (const QString &id : m_catalogue.backgroundIds()) {
        const Song *song = m_catalogue.songById(id);
        if (!first)
            out += ',';
        first = false;
        out += uR"({title:"%1",singer:"%2",id:"%3"})"_s
                   .arg(song ? song->title : QString(), song ? song->singer : QString(), id)
                   .toStdString();
    }
    out += ']';
    return out;
}
