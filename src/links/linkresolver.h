#pragma once

#include "linklookup.h"

#include <QString>

class TextFetcher;
class TextRequest;
class ServiceUrls;

// Asks the catalogue service for a song's media path and turns it into links. No state and no
// cache: every lookup asks anew. Each lookup belongs to `owner` and reports to the caller's
// slots.
class LinkResolver {
public:
    LinkResolver(TextFetcher &fetcher, const ServiceUrls &urls);

    // The service base followed by the path percent-encoded in code page 936: the link that is
    // played, shown and downloaded. The identifier is sent exactly as given, trailing blanks too.
    LinkLookup *resolveSongLink(const QString &id, QObject *owner) const;
    // The service base followed by the path as the service sent it; shown only.
    LinkLookup *resolveSongLinkRaw(const QString &id, QObject *owner) const;
    // The link of the first song of the service's background list.
    LinkLookup *fetchBackgroundTrack(QObject *owner) const;

private:
    friend class LinkLookup;
    TextRequest *fetchPath(const QString &id, QObject *owner) const;
    TextRequest *fetchBackgroundList(QObject *owner) const;
    // Raises Failure for a path that would move the link off the service's host
    QString linkFromPath(const QString &path, LinkLookup::Form form) const;

    TextFetcher &m_fetcher;
    const ServiceUrls &m_urls;
};
