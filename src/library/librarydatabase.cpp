#include "librarydatabase.h"

#include "common/failure.h"

#include <QUrl>
#include <sqlite3.h>

using namespace Qt::StringLiterals;

namespace {

// What version 1 was: favourites alone, each with its title
constexpr const char *kSchemaVersion1 = R"(
CREATE TABLE favourites(id TEXT PRIMARY KEY, title TEXT NOT NULL, added INTEGER NOT NULL);
)";

constexpr const char *kSchema = R"(
CREATE TABLE songs(id TEXT PRIMARY KEY, title TEXT NOT NULL, serial TEXT NOT NULL);
CREATE TABLE favourites(song TEXT PRIMARY KEY REFERENCES songs(id), added INTEGER NOT NULL);
CREATE TABLE history(song TEXT PRIMARY KEY REFERENCES songs(id), played INTEGER NOT NULL);
CREATE INDEX favourites_by_time ON favourites(added);
CREATE INDEX history_by_time ON history(played);
)";

// Version 1's favourites become songs and favourites; the history starts empty
constexpr const char *kFromVersion1 = R"(
ALTER TABLE favourites RENAME TO favourites_v1;
CREATE TABLE songs(id TEXT PRIMARY KEY, title TEXT NOT NULL, serial TEXT NOT NULL);
INSERT INTO songs(id, title, serial) SELECT id, title, '' FROM favourites_v1;
CREATE TABLE favourites(song TEXT PRIMARY KEY REFERENCES songs(id), added INTEGER NOT NULL);
INSERT INTO favourites(song, added) SELECT id, added FROM favourites_v1;
DROP TABLE favourites_v1;
CREATE TABLE history(song TEXT PRIMARY KEY REFERENCES songs(id), played INTEGER NOT NULL);
CREATE INDEX favourites_by_time ON favourites(added);
CREATE INDEX history_by_time ON history(played);
)";

// The rowid breaks ties between entries of the same millisecond: the later change first
constexpr const char *kFavourites
    = "SELECT s.id, s.title, s.serial, f.added FROM favourites f JOIN songs s ON s.id = f.song "
      "ORDER BY f.added DESC, f.rowid DESC";
constexpr const char *kHistory
    = "SELECT s.id, s.title, s.serial, h.played FROM history h JOIN songs s ON s.id = h.song "
      "ORDER BY h.played DESC, h.rowid DESC";

QString text(sqlite3_stmt *statement, int column)
{
    const auto *const units
        = static_cast<const char16_t *>(sqlite3_column_text16(statement, column));
    return QString::fromUtf16(units, sqlite3_column_bytes16(statement, column) / 2);
}

} // namespace

// A prepared statement, finalised when it goes
class LibraryDatabase::Statement {
public:
    Statement(const LibraryDatabase &db, const char *sql) : m_db(db)
    {
        if (sqlite3_prepare_v2(db.m_db, sql, -1, &m_statement, nullptr) != SQLITE_OK)
            db.fail(u"准备语句"_s);
    }
    ~Statement() { sqlite3_finalize(m_statement); }

    Statement &bind(int at, const QString &value)
    {
        sqlite3_bind_text16(m_statement, at, value.utf16(), int(value.size() * 2),
                            SQLITE_TRANSIENT);
        return *this;
    }
    Statement &bind(int at, qint64 value)
    {
        sqlite3_bind_int64(m_statement, at, value);
        return *this;
    }
    // A row is there to read
    bool step()
    {
        const int result = sqlite3_step(m_statement);
        if (result != SQLITE_ROW && result != SQLITE_DONE)
            m_db.fail(u"读写"_s);
        return result == SQLITE_ROW;
    }
    sqlite3_stmt *get() const { return m_statement; }

private:
    const LibraryDatabase &m_db;
    sqlite3_stmt *m_statement = nullptr;
};

LibraryDatabase::LibraryDatabase(const QString &path, Access access)
{
    const int flags = access == Access::ReadOnly ? SQLITE_OPEN_READONLY | SQLITE_OPEN_URI
                                                 : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
    // A folder that cannot be written to cannot hold the log either: the file is read as it is
    const QString name = access == Access::ReadOnly
        ? u"file:%1?immutable=1"_s.arg(QString::fromUtf8(QUrl::toPercentEncoding(path, "/")))
        : path;
    try {
        if (sqlite3_open_v2(name.toUtf8().constData(), &m_db, flags, nullptr) != SQLITE_OK)
            fail(u"打开"_s);
        sqlite3_busy_timeout(m_db, 1000);
        checkIntegrity();
        if (access == Access::ReadWrite) {
            // The log survives the program being killed; only a power loss may take the last
            // changes, which the system had not written out yet
            exec("PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL; PRAGMA foreign_keys=ON; "
                 "PRAGMA wal_autocheckpoint=0;");
            migrate();
        } else if (schemaVersion() != kSchemaVersion) {
            fail(u"读取旧版本"_s);
        }
    } catch (...) {
        sqlite3_close(m_db);
        throw;
    }
}

LibraryDatabase::~LibraryDatabase()
{
    sqlite3_close(m_db);
}

void LibraryDatabase::checkpoint()
{
    if (sqlite3_wal_checkpoint_v2(m_db, nullptr, SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr)
        != SQLITE_OK)
        fail(u"整理"_s);
}

void LibraryDatabase::fail(const QString &what) const
{
    throw Failure(u"收藏数据库%1失败：%2"_s.arg(what, QString::fromUtf8(sqlite3_errmsg(m_db))));
}

void LibraryDatabase::exec(const char *sql) const
{
    if (sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
        fail(u"读写"_s);
}

void LibraryDatabase::checkIntegrity() const
{
    Statement check(*this, "PRAGMA integrity_check");
    if (!check.step() || text(check.get(), 0) != u"ok"_s)
        throw Failure(u"收藏数据库已损坏"_s);
}

int LibraryDatabase::schemaVersion() const
{
    Statement version(*this, "PRAGMA user_version");
    version.step();
    return sqlite3_column_int(version.get(), 0);
}

template<typename Change> void LibraryDatabase::transaction(Change &&change)
{
    exec("BEGIN IMMEDIATE");
    try {
        change();
        exec("COMMIT");
    } catch (...) {
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
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
        exec(version == 0 ? kSchema : kFromVersion1);
        exec("PRAGMA user_version = 2");
    });
}

QList<LibraryEntry> LibraryDatabase::entries(const char *sql) const
{
    Statement query(*this, sql);
    QList<LibraryEntry> found;
    while (query.step())
        found.append({{text(query.get(), 1), text(query.get(), 2), text(query.get(), 0)},
                      sqlite3_column_int64(query.get(), 3)});
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
    Statement(*this,
              "INSERT INTO songs(id, title, serial) VALUES(?1, ?2, ?3) "
              "ON CONFLICT(id) DO UPDATE SET title = ?2, serial = ?3")
        .bind(1, row.subItem2)
        .bind(2, row.text)
        .bind(3, row.subItem1)
        .step();
}

void LibraryDatabase::forgetSongIfUnused(const QString &id)
{
    Statement(*this,
              "DELETE FROM songs WHERE id = ?1 "
              "AND NOT EXISTS (SELECT 1 FROM favourites WHERE song = ?1) "
              "AND NOT EXISTS (SELECT 1 FROM history WHERE song = ?1)")
        .bind(1, id)
        .step();
}

void LibraryDatabase::addFavourite(const LibraryEntry &entry)
{
    transaction([&] {
        keepSong(entry.row);
        Statement(*this, "INSERT OR REPLACE INTO favourites(song, added) VALUES(?1, ?2)")
            .bind(1, entry.row.subItem2)
            .bind(2, entry.time)
            .step();
    });
}

void LibraryDatabase::removeFavourite(const QString &id)
{
    transaction([&] {
        Statement(*this, "DELETE FROM favourites WHERE song = ?1").bind(1, id).step();
        forgetSongIfUnused(id);
    });
}

void LibraryDatabase::recordPlayed(const LibraryEntry &entry)
{
    transaction([&] {
        keepSong(entry.row);
        Statement(*this, "INSERT OR REPLACE INTO history(song, played) VALUES(?1, ?2)")
            .bind(1, entry.row.subItem2)
            .bind(2, entry.time)
            .step();
        // The songs that fall off the end go with their entries, unless they are favourites
        exec("CREATE TEMP TABLE IF NOT EXISTS gone(id TEXT)");
        Statement(*this,
                  "INSERT INTO gone SELECT song FROM history ORDER BY played DESC, rowid "
                  "DESC LIMIT -1 OFFSET ?1")
            .bind(1, qint64(kHistoryLength))
            .step();
        exec("DELETE FROM history WHERE song IN (SELECT id FROM gone);"
             "DELETE FROM songs WHERE id IN (SELECT id FROM gone) "
             "AND id NOT IN (SELECT song FROM favourites); DELETE FROM gone;");
    });
}
