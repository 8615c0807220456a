#include "librarydatabase.h"

#include "common/failure.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace {

// The driver runs one statement at a time, so each list is run statement by statement

const QStringList kSchema = {
    u"CREATE TABLE songs(id TEXT PRIMARY KEY, title TEXT NOT NULL, serial TEXT NOT NULL)"_s,
    u"CREATE TABLE favourites(song TEXT PRIMARY KEY REFERENCES songs(id), "
    "added INTEGER NOT NULL)"_s,
    u"CREATE TABLE history(song TEXT PRIMARY KEY REFERENCES songs(id), played INTEGER NOT NULL)"_s,
    u"CREATE INDEX favourites_by_time ON favourites(added)"_s,
    u"CREATE INDEX history_by_time ON history(played)"_s,
};

// Version 1 kept favourites(id, title, added) alone. Its favourites become songs and favourites;
// the history starts empty
const QStringList kFromVersion1 = {
    u"ALTER TABLE favourites RENAME TO favourites_v1"_s,
    kSchema.at(0),
    u"INSERT INTO songs(id, title, serial) SELECT id, title, '' FROM favourites_v1"_s,
    kSchema.at(1),
    u"INSERT INTO favourites(song, added) SELECT id, added FROM favourites_v1"_s,
    u"DROP TABLE favourites_v1"_s,
    kSchema.at(2),
    kSchema.at(3),
    kSchema.at(4),
};

// The rowid breaks ties between entries of the same millisecond: the later change first
const QString kFavourites
    = u"SELECT s.id, s.title, s.serial, f.added FROM favourites f JOIN songs s ON s.id = f.song "
      "ORDER BY f.added DESC, f.rowid DESC"_s;
const QString kHistory
    = u"SELECT s.id, s.title, s.serial, h.played FROM history h JOIN songs s ON s.id = h.song "
      "ORDER BY h.played DESC, h.rowid DESC"_s;

const QString kDriver = u"QSQLITE"_s;
constexpr int kBusyMilliseconds = 1000;

[[noreturn]] void fail(const QString &what, const QString &reason)
{
    throw Failure(u"收藏数据库%1失败：%2"_s.arg(what, reason));
}

} // namespace

LibraryDatabase::LibraryDatabase(const QString &path, Access access)
    : m_connection(u"quillpod-library-%1"_s.arg(quintptr(this), 0, 16))
{
    const bool readOnly = access == Access::ReadOnly;
    // A folder that cannot be written to cannot hold the log either: the file is read as it is
    const QString name = readOnly
        ? u"file:%1?immutable=1"_s.arg(QString::fromUtf8(QUrl::toPercentEncoding(path, "/")))
        : path;
    try {
        {
            // Without the driver the database is invalid, and opening it says why
            QSqlDatabase db = QSqlDatabase::addDatabase(kDriver, m_connection);
            db.setDatabaseName(name);
            const QString busy = u"QSQLITE_BUSY_TIMEOUT=%1"_s.arg(kBusyMilliseconds);
            db.setConnectOptions(readOnly ? busy + u";QSQLITE_OPEN_READONLY;QSQLITE_OPEN_URI"_s
                                          : busy);
            if (!db.open())
                fail(u"打开"_s, db.lastError().text());
        }
        checkIntegrity();
        if (!readOnly) {
            // The log survives the program being killed; only a power loss may take the last
            // changes, which the system had not written out yet
            runEach({u"PRAGMA journal_mode=WAL"_s, u"PRAGMA synchronous=NORMAL"_s,
                     u"PRAGMA foreign_keys=ON"_s, u"PRAGMA wal_autocheckpoint=0"_s});
            migrate();
        } else if (const int version = schemaVersion(); version != kSchemaVersion) {
            fail(u"读取"_s, u"版本 %1"_s.arg(version));
        }
    } catch (...) {
        QSqlDatabase::removeDatabase(m_connection);
        throw;
    }
}

LibraryDatabase::~LibraryDatabase()
{
    database().close();
    QSqlDatabase::removeDatabase(m_connection);
}

bool LibraryDatabase::isAvailable()
{
    return QSqlDatabase::isDriverAvailable(kDriver);
}

QSqlDatabase LibraryDatabase::database() const
{
    return QSqlDatabase::database(m_connection, false);
}

QSqlQuery LibraryDatabase::run(const QString &sql, const QVariantList &values) const
{
    QSqlQuery query(database());
    query.setForwardOnly(true);
    if (!query.prepare(sql))
        fail(u"准备语句"_s, query.lastError().text());
    for (const QVariant &value : values)
        query.addBindValue(value);
    if (!query.exec())
        fail(u"读写"_s, query.lastError().text());
    return query;
}

void LibraryDatabase::runEach(const QStringList &statements) const
{
    for (const QString &statement : statements)
        run(statement);
}

void LibraryDatabase::checkIntegrity() const
{
    QSqlQuery check = run(u"PRAGMA integrity_check"_s);
    if (!check.next() || check.value(0).toString() != u"ok"_s)
        throw Failure(u"收藏数据库已损坏"_s);
}

int LibraryDatabase::schemaVersion() const
{
    QSqlQuery version = run(u"PRAGMA user_version"_s);
    return version.next() ? version.value(0).toInt() : 0;
}

void LibraryDatabase::checkpoint()
{
    run(u"PRAGMA wal_checkpoint(PASSIVE)"_s);
}

template<typename Change> void LibraryDatabase::transaction(Change &&change)
{
    run(u"BEGIN IMMEDIATE"_s);
    try {
        change();
        run(u"COMMIT"_s);
    } catch (...) {
        QSqlQuery(database()).exec(u"ROLLBACK"_s);
        throw;
    }
}

void LibraryDatabase::migrate()
{
    const int version = schemaVersion();
    if (version == kSchemaVersion)
        return;
    if (version > kSchemaVersion)
        throw Failure(u"收藏数据库来自更新的版本"_s);
    transaction([&] {
        runEach(version == 0 ? kSchema : kFromVersion1);
        run(u"PRAGMA user_version = %1"_s.arg(kSchemaVersion));
    });
}

QList<LibraryEntry> LibraryDatabase::entries(const QString &sql) const
{
    QSqlQuery query = run(sql);
    QList<LibraryEntry> found;
    while (query.next())
        found.append(
            {{query.value(1).toString(), query.value(2).toString(), query.value(0).toString()},
             query.value(3).toLongLong()});
    return found;
}

QList<LibraryEntry> LibraryDatabase::favourites() const
{
    return entries(kFavourites);
}

QList<LibraryEntry> LibraryDatabase::history() const
{
    return entries(kHistory);
}

void LibraryDatabase::keepSong(const SongRow &row)
{
    run(u"INSERT INTO songs(id, title, serial) VALUES(?, ?, ?) "
        "ON CONFLICT(id) DO UPDATE SET title = excluded.title, serial = excluded.serial"_s,
        {row.subItem2, row.text, row.subItem1});
}

void LibraryDatabase::forgetSongIfUnused(const QString &id)
{
    run(u"DELETE FROM songs WHERE id = ? "
        "AND NOT EXISTS (SELECT 1 FROM favourites WHERE song = songs.id) "
        "AND NOT EXISTS (SELECT 1 FROM history WHERE song = songs.id)"_s,
        {id});
}

void LibraryDatabase::addFavourite(const LibraryEntry &entry)
{
    transaction([&] {
        keepSong(entry.row);
        run(u"INSERT OR REPLACE INTO favourites(song, added) VALUES(?, ?)"_s,
            {entry.row.subItem2, entry.time});
    });
}

void LibraryDatabase::removeFavourite(const QString &id)
{
    transaction([&] {
        run(u"DELETE FROM favourites WHERE song = ?"_s, {id});
        forgetSongIfUnused(id);
    });
}

void LibraryDatabase::recordPlayed(const LibraryEntry &entry)
{
    transaction([&] {
        keepSong(entry.row);
        run(u"INSERT OR REPLACE INTO history(song, played) VALUES(?, ?)"_s,
            {entry.row.subItem2, entry.time});
        // The songs that fall off the end go with their entries, unless they are favourites
        run(u"CREATE TEMP TABLE IF NOT EXISTS gone(id TEXT)"_s);
        run(u"INSERT INTO gone SELECT song FROM history ORDER BY played DESC, rowid DESC "
            "LIMIT -1 OFFSET ?"_s,
            {qint64(kHistoryLength)});
        runEach({u"DELETE FROM history WHERE song IN (SELECT id FROM gone)"_s,
                 u"DELETE FROM songs WHERE id IN (SELECT id FROM gone) "
                 "AND id NOT IN (SELECT song FROM favourites)"_s,
                 u"DELETE FROM gone"_s});
    });
}
