// The favourites and the history, kept in an SQLite file from one run to the next

#include "library/historyrecorder.h"
#include "library/library.h"

#include "timescale.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString kKillSwitch = u"--favourite-then-wait"_s;

SongRow song(int n)
{
    return {u"歌曲%1            "_s.arg(n), u"S%1            "_s.arg(n),
            u"%1            "_s.arg(n)};
}

QStringList titles(const SongListModel &list)
{
    QStringList found;
    for (int row = 0; row < list.size(); ++row)
        found.append(list.row(row).text.trimmed());
    return found;
}

// Statements apart from the program's code, one by one as the driver takes them
void runSql(const QString &path, const char *sql)
{
    const QString connection = u"test"_s;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, connection);
        db.setDatabaseName(path);
        QVERIFY2(db.open(), qPrintable(db.lastError().text()));
        for (const QString &statement : QString::fromUtf8(sql).split(u';', Qt::SkipEmptyParts)) {
            QSqlQuery query(db);
            QVERIFY2(query.exec(statement), qPrintable(query.lastError().text()));
        }
    }
    QSqlDatabase::removeDatabase(connection);
}

// The child of killedRightAfterAChange(): adds a favourite, says so, and waits to be killed
int favouriteThenWait(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    Library library;
    library.open(QString::fromLocal8Bit(argv[2]));
    library.setFavourite(song(7), true);
    QTextStream(stdout) << "added" << Qt::endl;
    return QCoreApplication::exec();
}

} // namespace

class LibraryTest : public QObject {
    Q_OBJECT

private slots:
    void init();

    void keptAcrossRuns();
    void historyIsTheLatestDistinctSongs();
    void historyCountsTimePlayed_data();
    void historyCountsTimePlayed();
    void migratesFromVersion1();
    void damagedFileIsSetAside_data();
    void damagedFileIsSetAside();
    void readOnlyFolderKeepsInMemory();
    void killedRightAfterAChange();

private:
    QString path() const { return m_dir->filePath(QString::fromLatin1(Library::kFileName)); }
    std::unique_ptr<QTemporaryDir> m_dir;
};

void LibraryTest::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void LibraryTest::keptAcrossRuns()
{
    {
        Library library;
        library.open(m_dir->path());
        for (int n = 1; n <= 4; ++n)
            library.setFavourite(song(n), true);
        library.toggleFavourite(song(2));
        library.recordPlayed(song(9));
        QCOMPARE(titles(library.favourites()), (QStringList {u"歌曲4"_s, u"歌曲3"_s, u"歌曲1"_s}));
    }
    Library again;
    QSignalSpy setAside(&again, &Library::setAside);
    QSignalSpy notKept(&again, &Library::notKept);
    again.open(m_dir->path());
    QVERIFY(again.isKept());
    // Every cell comes back as it was given, padding and all
    QCOMPARE(titles(again.favourites()), (QStringList {u"歌曲4"_s, u"歌曲3"_s, u"歌曲1"_s}));
    QCOMPARE(again.favourites().row(0), song(4));
    QVERIFY(again.isMarked(song(3).subItem2));
    QVERIFY(!again.isMarked(song(2).subItem2));
    QCOMPARE(again.history().row(0), song(9));
    QVERIFY(again.favourites().time(0) > again.favourites().time(1));
    QCOMPARE(setAside.count() + notKept.count(), 0);
}

void LibraryTest::historyIsTheLatestDistinctSongs()
{
    const int length = LibraryDatabase::kHistoryLength;
    {
        Library library;
        library.open(m_dir->path());
        library.setFavourite(song(0), true);
        for (int n = 0; n < length + 2; ++n)
            library.recordPlayed(song(n));
        // Played again, a song moves to the top rather than showing twice
        library.recordPlayed(song(5));
        QCOMPARE(library.history().size(), length);
    }
    Library again;
    again.open(m_dir->path());
    const SongListModel &history = again.history();
    QCOMPARE(history.size(), length);
    QCOMPARE(history.row(0), song(5));
    QCOMPARE(history.row(1), song(length + 1));
    QCOMPARE(history.row(length - 1), song(2));
    // A favourite outlives its falling off the history
    QCOMPARE(again.favourites().row(0), song(0));
}

void LibraryTest::historyCountsTimePlayed_data()
{
    QTest::addColumn<QList<PlayState>>("states");
    QTest::addColumn<bool>("counted");
    using enum PlayState;
    QTest::newRow("played on") << QList {Buffering, Playing} << true;
    // The song before it stopping, after the new one went to the player
    QTest::newRow("a stop before it began") << QList {Stopped, Playing} << true;
    QTest::newRow("paused") << QList {Playing, Paused} << false;
    QTest::newRow("stopped short") << QList {Playing, Stopped} << false;
}

void LibraryTest::historyCountsTimePlayed()
{
    QFETCH(QList<PlayState>, states);
    QFETCH(bool, counted);
    Library library;
    library.open(m_dir->path());
    const std::chrono::milliseconds played(scaled(200));
    HistoryRecorder recorder(library, played);
    recorder.songLoaded(song(1));
    for (const PlayState state : states)
        recorder.playStateChanged(state);
    // A song that begins later, and counts later than the first would have
    HistoryRecorder later(library, played);
    later.songLoaded(song(2));
    later.playStateChanged(PlayState::Playing);
    QTRY_VERIFY_WITH_TIMEOUT(library.history().findSong(song(2).subItem2) == 0, scaled(5000));
    QCOMPARE(library.history().findSong(song(1).subItem2) >= 0, counted);
}

void LibraryTest::migratesFromVersion1()
{
    runSql(path(),
           "CREATE TABLE favourites(id TEXT PRIMARY KEY, title TEXT NOT NULL, "
           "added INTEGER NOT NULL);"
           "INSERT INTO favourites VALUES('11', '旧歌一', 1000), ('12', '旧歌二', 2000);"
           "PRAGMA user_version = 1;");
    Library library;
    library.open(m_dir->path());
    QVERIFY(library.isKept());
    QCOMPARE(library.favourites().row(0), (SongRow {u"旧歌二"_s, QString(), u"12"_s}));
    QCOMPARE(library.favourites().row(1), (SongRow {u"旧歌一"_s, QString(), u"11"_s}));
    QCOMPARE(library.favourites().time(1), 1000);
    library.recordPlayed(song(1));
    QCOMPARE(LibraryDatabase(path()).schemaVersion(), LibraryDatabase::kSchemaVersion);
    QCOMPARE(LibraryDatabase(path()).history().size(), 1);
}

void LibraryTest::damagedFileIsSetAside_data()
{
    QTest::addColumn<bool>("noDatabase");
    QTest::newRow("not a database") << true;
    QTest::newRow("a damaged page") << false;
}

void LibraryTest::damagedFileIsSetAside()
{
    QFETCH(bool, noDatabase);
    if (noDatabase) {
        QFile file(path());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(8192, 'x'));
    } else {
        {
            Library library;
            library.open(m_dir->path());
            for (int n = 0; n < 300; ++n)
                library.setFavourite(song(n), true);
        }
        // Checkpointed into the file, then a page in the middle overwritten whole
        runSql(path(), "PRAGMA wal_checkpoint(TRUNCATE); PRAGMA journal_mode=DELETE;");
        QFile file(path());
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.size() > 8 * 4096);
        file.seek(4 * 4096);
        file.write(QByteArray(4096, '\x5a'));
    }
    Library library;
    QSignalSpy setAside(&library, &Library::setAside);
    library.open(m_dir->path());
    QCOMPARE(setAside.count(), 1);
    const QString aside = setAside.first().first().toString();
    QVERIFY(aside.startsWith(path() + u".broken-"_s));
    QVERIFY(QFile::exists(aside));
    QVERIFY(library.isKept());
    library.setFavourite(song(1), true);
    Library again;
    again.open(m_dir->path());
    QCOMPARE(titles(again.favourites()), QStringList {u"歌曲1"_s});
}

void LibraryTest::readOnlyFolderKeepsInMemory()
{
    // Not even root can make a file in it
    const QString folder = u"/proc/self/fdinfo"_s;
    Library library;
    QSignalSpy notKept(&library, &Library::notKept);
    library.open(folder);
    QVERIFY(!library.isKept());
    library.setFavourite(song(1), true);
    library.recordPlayed(song(2));
    library.setFavourite(song(3), true);
    QCOMPARE(titles(library.favourites()), (QStringList {u"歌曲3"_s, u"歌曲1"_s}));
    QCOMPARE(titles(library.history()), QStringList {u"歌曲2"_s});
    QCOMPARE(notKept.count(), 1);
}

void LibraryTest::killedRightAfterAChange()
{
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {kKillSwitch, m_dir->path()});
    QVERIFY(child.waitForStarted(scaled(5000)));
    QSignalSpy said(&child, &QProcess::readyReadStandardOutput);
    QVERIFY(said.wait(scaled(10000)));
    QCOMPARE(child.readAllStandardOutput().trimmed(), "added");
    child.kill();
    QVERIFY(child.waitForFinished(scaled(5000)));
    QCOMPARE(child.exitStatus(), QProcess::CrashExit);

    Library library;
    library.open(m_dir->path());
    QCOMPARE(library.favourites().row(0), song(7));
}

int main(int argc, char **argv)
{
    if (argc == 3 && QString::fromLocal8Bit(argv[1]) == kKillSwitch)
        return favouriteThenWait(argc, argv);
    QCoreApplication app(argc, argv);
    LibraryTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_library.moc"
