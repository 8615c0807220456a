#pragma once

#include "songlist/songrow.h"

#include <QList>
#include <QString>
#include <QVariant>

class QSqlDatabase;
class QSqlQuery;

// One entry of a kept list: the song as last seen, and when it was added or last played, in
// milliseconds since the epoch
struct LibraryEntry {
    SongRow row;
    qint64 time = 0;
};

// The favourites and the play history in one SQLite file, through Qt SQL's SQLite driver. Every
// change is one transaction,
// committed to the write-ahead log before it returns: a change survives the program being killed,
// though not the machine losing power before the system writes the log out. Songs are kept by
// their identifier, exactly as the list gives it, with the title and serial as last seen.
//
// Raises Failure when the file cannot be opened, is no database, fails its integrity check or a
// change cannot be written. Not thread-safe: one thread at a time.
class LibraryDatabase {
public:
    // Version 1 kept favourites alone, with their title; version 2 keeps songs apart, with their
    // serial, and the history
    static constexpr int kSchemaVersion = 2;
    static constexpr int kHistoryLength = 500;

    enum class Access { ReadWrite, ReadOnly };

    explicit LibraryDatabase(const QString &path, Access access = Access::ReadWrite);
    ~LibraryDatabase();
    LibraryDatabase(const LibraryDatabase &) = delete;
    LibraryDatabase &operator=(const LibraryDatabase &) = delete;

    // Newest first
    QList<LibraryEntry> favourites() const;
    QList<LibraryEntry> history() const;

    void addFavourite(const LibraryEntry &entry);
    void removeFavourite(const QString &id);
    // The song moves to the top of the history; the oldest beyond kHistoryLength go
    void recordPlayed(const LibraryEntry &entry);

    // Whether Qt's SQLite driver can be loaded
    static bool isAvailable();

    int schemaVersion() const;
    // Copies what the log holds into the file, so that the log does not grow without end. Changes
    // never do this themselves: it syncs the disk, which can take longer than a change should.
    void checkpoint();

private:
    QSqlDatabase database() const;
    // Prepares the one statement, binds the values in order and runs it
    QSqlQuery run(const QString &sql, const QVariantList &values = {}) const;
    void runEach(const QStringList &statements) const;
    void checkIntegrity() const;
    void migrate();
    void keepSong(const SongRow &row);
    void forgetSongIfUnused(const QString &id);
    QList<LibraryEntry> entries(const QString &sql) const;
    template<typename Change> void transaction(Change &&change);

    // Qt keeps connections by name; each database object has one of its own
    QString m_connection;
};
