#pragma once

#include "song.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <memory>
#include <mutex>

// The songs the service offers, with lookups by identifier and media path and a cached
// keyword search. Read-only after construction apart from the search cache, so request
// threads share one instance.
class Catalogue {
public:
    using Matches = std::shared_ptr<const QList<qsizetype>>;

    Catalogue(QList<Song> songs, int perPage, QStringList backgroundIds);

    Catalogue(const Catalogue &) = delete;
    Catalogue &operator=(const Catalogue &) = delete;

    // A fixed, reproducible catalogue of `count` songs with Chinese titles, some of them
    // with a 【…】 suffix, a few without any Chinese, media paths with blanks and underscores.
    static QList<Song> demoSongs(int count, int melodyCount);
    static QStringList demoBackground(const QList<Song> &songs);

    const QList<Song> &songs() const { return m_songs; }
    int perPage() const { return m_perPage; }
    int pageCount(qsizetype songCount) const;
    const QStringList &backgroundIds() const { return m_backgroundIds; }

    const Song *songById(const QString &id) const;
    const Song *songByPath(const QString &path) const;

    // Positions of the songs whose full title contains `keyword`, ignoring case, in catalogue
    // order. Remembered per keyword: a run asks for the same keyword once per page.
    Matches search(const QString &keyword) const;

private:
    static constexpr qsizetype kCachedKeywords = 256;

    QList<Song> m_songs;
    QList<QString> m_foldedTitles;
    QHash<QString, qsizetype> m_byId;
    QHash<QString, qsizetype> m_byPath;
    int m_perPage;
    QStringList m_backgroundIds;

    mutable std::mutex m_cacheMutex;
    mutable QHash<QString, Matches> m_searchCache;
};
