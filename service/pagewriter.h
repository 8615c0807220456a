#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>
#include <string>
#include <vector>

class Catalogue;

// Writes the answer texts in the site's loose object-list notation:
//   [{totalrecorder:205,totalpage:11},{id:"10001",title:"…",serial:"QP-0001",singer:"…",time:"03:12"},…]
// Keys bare, text values quoted, numbers bare; title and serial are never the last field of an
// entry, and some entries are separated by a line break, as on the real site.
class PageWriter {
public:
    // `totalText`, when given, replaces the total-pages number of every page verbatim.
    PageWriter(const Catalogue &catalogue, std::optional<QByteArray> totalText);

    // Page numbers count from 1; a page past the last is the header alone.
    std::string listPage(int page) const;
    // Wrapped in an HTML page whose heading names the keyword, ahead of the list.
    std::string searchPage(const QString &keyword, int page) const;
    // [{title:"…",singer:"…",id:"10005"},…] with the identifier last in every record.
    std::string backgroundList() const;

private:
    void appendList(std::string &out, const QList<qsizetype> *matches, int page) const;

    const Catalogue &m_catalogue;
    std::optional<std::string> m_totalText;
    std::vector<std::string> m_entries; // one pre-rendered "{id:…}" per song
};
