#include "searchcommand.h"

#include "songlistloader.h"
#include "songlistmodel.h"

#include "common/failure.h"
#include "net/serviceurls.h"
#include "net/urlencoding.h"

SearchCommand::SearchCommand(const ServiceUrls &urls, SongListLoader &loader, SongListModel &list,
                             QObject *parent)
    : QObject(parent), m_urls(urls), m_loader(loader), m_list(list)
{
}

void SearchCommand::search(const QString &keyword)
{
    // Only blanks count as empty: a tab alone is a keyword
    if (QString(keyword).remove(u' ').isEmpty()) {
        emit blankKeyword();
        return;
    }

    if (m_loader.isRunning()) {
        // The run notices at its next page; the rows of the page in flight still arrive
        m_loader.stop();
        return;
    }

    m_list.clear();
    QString encoded;
    if (const std::optional<QString> failure
        = failureOf([&] { encoded = encodeUtf8Url(keyword); })) {
        emit searchFailed(*failure);
        return;
    }
    m_loader.loadSongList(m_urls.search(encoded), encoded);
    emit searched(keyword);
}
