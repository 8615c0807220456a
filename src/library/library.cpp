#include "library.h"

#include "common/failure.h"
#include "common/logging.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

using namespace Qt::StringLiterals;

namespace {

// Changes come in bursts; the log is written into the file once a burst is over
constexpr std::chrono::seconds kCheckpointDelay {2};

QList<SongRow> rowsOf(const QList<LibraryEntry> &entries, QList<qint64> &times)
{
    QList<SongRow> rows;
    rows.reserve(entries.size());
    times.reserve(entries.size());
    for (const LibraryEntry &entry : entries) {
        rows.append(entry.row);
        times.append(entry.time);
    }
    return rows;
}

void fill(SongListModel &list, const QList<LibraryEntry> &entries)
{
    QList<qint64> times;
    list.appendRows(rowsOf(entries, times), times);
    list.showStoredRows();
}

} // namespace

Library::Library(QObject *parent)
    : QObject(parent), m_favourites(u"收藏时间："_s), m_history(u"播放时间："_s)
{
    m_checkpoint.setSingleShot(true);
    m_checkpoint.setInterval(kCheckpointDelay);
    connect(&m_checkpoint, &QTimer::timeout, this, &Library::checkpointLog);
}

Library::~Library() = default;

void Library::open(const QString &folder)
{
    const QString path = QDir(folder).filePath(QString::fromLatin1(kFileName));
    // Without the driver nothing can tell a damaged file from a sound one: the file stays as it is
    if (!LibraryDatabase::isAvailable()) {
        stopKeeping(u"缺少 Qt 的 SQLite 驱动"_s);
        return;
    }
    // Trying is the one sure test: permissions say nothing of a read-only file system, nor of
    // what root may do
    QTemporaryFile probe(QDir(folder).filePath(u"probe-XXXXXX"_s));
    if (!QDir().mkpath(folder) || !probe.open()) {
        // What the last runs kept can still be read, without the log a write would need
        if (QFileInfo::exists(path)) {
            if (const auto failure = failureOf([&] {
                    m_db = std::make_unique<LibraryDatabase>(path,
                                                             LibraryDatabase::Access::ReadOnly);
                    load();
                }))
                qCWarning(lcLibrary) << "Kept lists not read:" << *failure;
        }
        stopKeeping(u"文件夹不可写：%1"_s.arg(folder));
        return;
    }
    openDatabase(path);
}

void Library::openDatabase(const QString &path)
{
    if (const auto failure = failureOf([&] {
            m_db = std::make_unique<LibraryDatabase>(path);
            load();
        })) {
        setAsideAndStartOver(path, *failure);
    }
}

void Library::setAsideAndStartOver(const QString &path, const QString &reason)
{
    m_db.reset();
    m_favourites.clear();
    m_history.clear();
    m_favouriteIds.clear();
    const QString aside
        = u"%1.broken-%2"_s.arg(path, QDateTime::currentDateTime().toString(u"yyyyMMdd-HHmmss"_s));
    qCWarning(lcLibrary) << "Setting the kept lists aside as" << aside << "for:" << reason;
    // The log and its index belong to the file and go with it
    for (const QString &suffix : {u"-wal"_s, u"-shm"_s})
        QFile::rename(path + suffix, aside + suffix);
    if (!QFile::rename(path, aside)) {
        stopKeeping(reason);
        return;
    }
    emit setAside(aside);
    if (const auto failure = failureOf([&] { m_db = std::make_unique<LibraryDatabase>(path); }))
        stopKeeping(*failure);
}

void Library::load()
{
    fill(m_favourites, m_db->favourites());
    fill(m_history, m_db->history());
    for (int row = 0; row < m_favourites.size(); ++row)
        m_favouriteIds.insert(key(m_favourites.rows().cellText(row, 2)));
}

void Library::stopKeeping(const QString &reason)
{
    m_db.reset();
    qCWarning(lcLibrary) << "The lists are kept in memory for this run:" << reason;
    if (!std::exchange(m_saidNotKept, true))
        emit notKept();
}

template<typename Change> void Library::write(Change &&change)
{
    if (!m_db)
        return;
    if (const auto failure = failureOf([&] { change(*m_db); }))
        stopKeeping(*failure);
    else if (!m_checkpoint.isActive())
        m_checkpoint.start();
}

void Library::checkpointLog()
{
    if (!m_db)
        return;
    // The log is kept and tried again after the next change
    if (const auto failure = failureOf([&] { m_db->checkpoint(); }))
        qCWarning(lcLibrary) << "Log not written into the file:" << *failure;
}

qint64 Library::now()
{
    // Newest first needs times that never go back, whatever the clock does
    m_lastTime = std::max(m_lastTime + 1, QDateTime::currentMSecsSinceEpoch());
    return m_lastTime;
}

void Library::toggleFavourite(const SongRow &row)
{
    setFavourite(row, m_favourites.findSong(row.subItem2) < 0);
}

void Library::setFavourite(const SongRow &row, bool favourite)
{
    // The hash may only say no for sure; the list says yes
    const int kept = isMarked(row.subItem2) ? m_favourites.findSong(row.subItem2) : -1;
    if (row.subItem2.isEmpty() || favourite == (kept >= 0))
        return;
    if (favourite) {
        const LibraryEntry entry {row, now()};
        write([&](LibraryDatabase &db) { db.addFavourite(entry); });
        m_favouriteIds.insert(key(row.subItem2));
        m_favourites.insertSong(0, row, entry.time);
    } else {
        write([&](LibraryDatabase &db) { db.removeFavourite(row.subItem2); });
        m_favourites.removeSong(kept);
        m_favouriteIds.remove(key(row.subItem2));
    }
    emit favouritesChanged();
}

void Library::recordPlayed(const SongRow &row)
{
    if (row.subItem2.isEmpty())
        return;
    const LibraryEntry entry {row, now()};
    write([&](LibraryDatabase &db) { db.recordPlayed(entry); });
    m_history.removeSong(m_history.findSong(row.subItem2));
    m_history.insertSong(0, row, entry.time);
    if (m_history.size() > LibraryDatabase::kHistoryLength)
        m_history.removeSong(m_history.size() - 1);
}
