#pragma once

#include "librarydatabase.h"

#include "songlist/songlistmodel.h"
#include "songlist/songmarks.h"

#include <QObject>
#include <QSet>
#include <QTimer>
#include <memory>

// The favourites and the recently played songs, newest first, as two lists beside the song list,
// kept in `library.sqlite` in the program's data folder from one run to the next.
//
// What cannot be kept does not stop the program: a database that cannot be opened or is damaged
// is moved aside and a new one made; when the folder cannot be written to, the lists live in
// memory for this run. Each says so once, through a signal that the window turns into text.
class Library : public QObject, public SongMarks {
    Q_OBJECT

public:
    static constexpr auto kFileName = "library.sqlite";

    explicit Library(QObject *parent = nullptr);
    ~Library() override;

    // Reads the lists kept in `folder`, which is made if it is missing
    void open(const QString &folder);
    // The lists are written to disk
    bool isKept() const { return m_db != nullptr; }

    SongListModel &favourites() { return m_favourites; }
    SongListModel &history() { return m_history; }

    // Whether `id` is a favourite's. Asked for every row painted, it only looks at a hash of the
    // identifier: a song whose identifier has a favourite's 64-bit hash would wrongly show a
    // heart, about one chance in 10^15 per song with 10,000 favourites.
    bool isMarked(const QString &id) const override { return m_favouriteIds.contains(key(id)); }
    // Adds `row` as the newest favourite, or removes it when it is one
    void toggleFavourite(const SongRow &row);
    void setFavourite(const SongRow &row, bool favourite);
    // `row` played long enough to count: it is the newest of the history
    void recordPlayed(const SongRow &row);

signals:
    // The damaged database was moved to `path`, and a new one made
    void setAside(const QString &path);
    // Changes are kept in memory only, for this run
    void notKept();
    // A song became a favourite or stopped being one
    void favouritesChanged();

private:
    void load();
    void openDatabase(const QString &path);
    void setAsideAndStartOver(const QString &path, const QString &reason);
    // Writes a change; when it cannot be, the lists go on in memory
    template<typename Change> void write(Change &&change);
    void stopKeeping(const QString &reason);
    void checkpointLog();
    qint64 now();
    static size_t key(const QString &id) { return qHash(id, size_t(0)); }

    // Checkpoints the log a while after changes, outside any change
    QTimer m_checkpoint;
    std::unique_ptr<LibraryDatabase> m_db;
    SongListModel m_favourites;
    SongListModel m_history;
    // The identifiers' hashes: a tenth of what the identifiers themselves would take
    QSet<size_t> m_favouriteIds;
    qint64 m_lastTime = 0;
    bool m_saidNotKept = false;
};
