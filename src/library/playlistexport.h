#pragma once

#include "songlist/songrow.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QStringList>

class LinkLookup;
class LinkResolver;

// Writes songs to an M3U8 playlist that other players open: each song's address is asked of the
// service, one song at a time, as for playing it. Songs whose address cannot be had are left out
// and named at the end. Whatever a title or an address holds, each entry is one title line and
// one address line, and only web addresses are written: a playlist must never make a player open
// a local file.
class PlaylistExport : public QObject {
    Q_OBJECT

public:
    PlaylistExport(const LinkResolver &links, QList<SongRow> songs, QString path,
                   QObject *parent = nullptr);

    int count() const { return int(m_songs.size()); }
    void start();
    // Stops asking; nothing is written
    void cancel();

    // A title as one line of a playlist: without padding, every control character a blank
    static QString oneLine(const QString &title);

signals:
    // `done` songs of count() have been asked for
    void progress(int done);
    // The playlist was written; the titles of the songs left out
    void finished(const QStringList &leftOut);
    // The file could not be written
    void failed(const QString &reason);

private:
    void askNext();
    void resolved(const QString &link);
    void lookupFailed();
    void write();

    const LinkResolver &m_links;
    const QList<SongRow> m_songs;
    const QString m_path;
    int m_next = 0;
    QPointer<LinkLookup> m_lookup;
    QByteArray m_playlist;
    QStringList m_leftOut;
};
