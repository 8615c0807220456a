// Figure 17: adding or removing a favourite, the commit to the database included, with 10,000
// favourites kept: the 99th percentile of 1,000 changes, half of them new favourites, half
// favourites taken away.
// Figure 18: opening "我的收藏" with 10,000 songs, from the click on its tab to the first paint
// of its list; and the memory each of those rows costs once read from the database, apart from
// SQLite's own, which does not grow with the list.

#include "benchprogram.h"
#include "benchreport.h"
#include "benchwindow.h"
#include "catalogue.h"

#include "app/librarytabs.h"
#include "library/library.h"
#include "widgets/reportlistview.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <malloc.h>
#include <sqlite3.h>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

constexpr int kFavourites = 10000;
constexpr int kChanges = 1000;
constexpr int kPaintTimeoutMs = 5000;
const QString kPad(12, u' ');

QList<SongRow> songRows(int count)
{
    QList<SongRow> rows;
    for (const Song &song : Catalogue::demoSongs(count, 1))
        rows.append({song.title + kPad, song.serial + kPad, song.id + kPad});
    return rows;
}

double percentile(QList<double> samples, double share)
{
    std::sort(samples.begin(), samples.end());
    return samples.at(std::min<qsizetype>(samples.size() - 1, qsizetype(share * samples.size())));
}

// Ends an event loop at the first paint of `widget`, noting when
class FirstPaint : public QObject {
public:
    FirstPaint(QWidget &widget, const QElapsedTimer &clock) : m_widget(widget), m_clock(clock)
    {
        widget.installEventFilter(this);
    }
    double wait()
    {
        QTimer::singleShot(kPaintTimeoutMs, &m_loop, &QEventLoop::quit);
        if (m_paintedAt < 0)
            m_loop.exec();
        return m_paintedAt;
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == &m_widget && event->type() == QEvent::Paint && m_paintedAt < 0) {
            m_paintedAt = m_clock.nsecsElapsed() / 1e6;
            m_loop.quit();
        }
        return false;
    }

private:
    QWidget &m_widget;
    const QElapsedTimer &m_clock;
    QEventLoop m_loop;
    double m_paintedAt = -1;
};

double changes(const QString &folder, const QList<SongRow> &kept, const QList<SongRow> &more)
{
    Library library;
    library.open(folder);
    QList<double> times;
    QElapsedTimer clock;
    for (int change = 0; change < kChanges; ++change) {
        const bool adding = change % 2 == 0;
        const SongRow &row = adding ? more.at(change / 2)
                                    : kept.at(QRandomGenerator::global()->bounded(kept.size()));
        clock.start();
        library.setFavourite(row, adding);
        times.append(clock.nsecsElapsed() / 1e6);
    }
    qInfo("changes: median %.3f ms, slowest %.3f ms", BenchReport::median(times),
          *std::max_element(times.begin(), times.end()));
    return percentile(times, 0.99);
}

struct Memory {
    double listBytesPerRow = 0;
    double sqliteKiB = 0;
};

// What the lists take once read, apart from what SQLite keeps for itself (its page cache)
Memory memory(const QString &folder)
{
    const size_t before = mallinfo2().uordblks;
    const sqlite3_int64 sqliteBefore = sqlite3_memory_used();
    auto library = std::make_unique<Library>();
    library->open(folder);
    const double sqlite = double(sqlite3_memory_used() - sqliteBefore);
    const double heap = double(mallinfo2().uordblks - before);
    return {(heap - sqlite) / library->favourites().size(), sqlite / 1024};
}

} // namespace

int main(int argc, char *argv[])
{
    const BenchProgram program(argc, argv);
    QTemporaryDir data;
    // Where the window's library looks, as the program's data folder
    qputenv("XDG_DATA_HOME", data.path().toLocal8Bit());
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    const QList<SongRow> rows = songRows(kFavourites + kChanges);
    const QList<SongRow> kept = rows.first(kFavourites);
    {
        Library library;
        library.open(folder);
        for (const SongRow &row : kept)
            library.setFavourite(row, true);
    }
    const double p99 = changes(folder, kept, rows.sliced(kFavourites));
    BenchReport::figure(
        u"17"_s,
        u"Adding or removing a favourite, commit included, 10000 kept (99th percentile of %1)"_s
            .arg(kChanges),
        BenchReport::milliseconds(p99), u"<= 5 ms"_s, BenchReport::atMost(p99, 5));

    BenchWindow window(program.options());
    if (!window.startQuietly())
        return 1;
    LibraryTabs &tabs = window.window().libraryTabs();
    QTabBar &bar = tabs.tabBar();
    ReportListView &favourites = *tabs.views().at(LibraryTabs::FavouritesTab);
    QList<double> opens;
    for (int run = 0; run < program.options().runs + 1; ++run) {
        QTest::mouseClick(&bar, Qt::LeftButton, {}, bar.tabRect(LibraryTabs::SongListTab).center());
        QTest::qWait(50);
        QElapsedTimer clock;
        clock.start();
        FirstPaint painted(*favourites.viewport(), clock);
        QTest::mouseClick(&bar, Qt::LeftButton, {},
                          bar.tabRect(LibraryTabs::FavouritesTab).center());
        const double ms = painted.wait();
        if (ms < 0) {
            qCritical("bench_library: the favourites were not painted");
            return 1;
        }
        // The first opening lays the list out for the first time
        qInfo("run %d: %.2f ms to the first paint of %d favourites", run, ms,
              favourites.listModel().size());
        if (run > 0)
            opens.append(ms);
    }
    const double open = BenchReport::median(opens);
    BenchReport::figure(u"18"_s, u"Opening 我的收藏 with 10000 songs, tab click to first paint"_s,
                        BenchReport::milliseconds(open), u"<= 50 ms"_s,
                        BenchReport::atMost(open, 50));
    const Memory used = memory(folder);
    BenchReport::figure(u"18a"_s, u"Memory per row of 我的收藏, as read from the database"_s,
                        u"%1 B"_s.arg(used.listBytesPerRow, 0, 'f', 0), u"<= 120 B"_s,
                        BenchReport::atMost(used.listBytesPerRow, 120));
    BenchReport::info(u"18b"_s, u"  SQLite's own memory beside it, its page cache included"_s,
                      u"%1 KiB"_s.arg(used.sqliteKiB, 0, 'f', 0));
    return 0;
}
