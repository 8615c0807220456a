#pragma once

#include <QString>

class TextFetcher;
class UrlTexts;

// Asks the catalogue service for a song's media path and turns it into links. No state and no
// cache: every call asks anew.
class LinkResolver {
public:
    LinkResolver(TextFetcher &fetcher, const UrlTexts &urls);

    // The service base followed by the path percent-encoded in code page 936: the link that is
    // played, shown and downloaded. The identifier is sent exactly as given, trailing blanks too.
    QString ResolveSongLink(const QString &id);
    // The service base followed by the path as the service sent it; shown only.
    QString ResolveSongLinkRaw(const QString &id);
    // The link of the first song of the service's background list.
    QString FetchBackgroundTrack();

private:
    QString fetchPath(const QString &id);

    TextFetcher &m_fetcher;
    const UrlTexts &m_urls;
};
