// Soak run: many list runs, link resolutions and songs played in one process, against stand-in
// services, with the resident memory sampled as they go. A list run clears and refills the real
// report list widget, so the model, the view and the network stack are all exercised the way
// the window uses them. The songs are played by the program's own window through the list's
// continue rule: short songs of the stand-in, row 1 again and again, through Qt's media player.
// Memory counts as flat when, after the first sample, it never grows by more than the threshold
// above that sample: allocator arenas and Qt's caches settle during the first runs, later growth is
// a leak.
//
// Prints the series as plain tables on standard output; exits 1 when a run went wrong or memory
// grew, so that scripts/soak.sh can say so.

#include "benchwindow.h"
#include "catalogueservice.h"

#include "links/linkresolver.h"
#include "net/serviceurls.h"
#include "net/textfetcher.h"
#include "player/audioplayer.h"
#include "songlist/songlistloader.h"
#include "songlist/songlistmodel.h"
#include "widgets/reportlistview.h"
#include "widgets/statusbarwidget.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QNetworkAccessManager>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

constexpr int kSongs = 200;
constexpr int kPerPage = 20;
// Growth above the first sample that still counts as noise
constexpr double kFlatThresholdMb = 2.0;
// A song that has not begun within this has stopped the soak run
constexpr int kLongestSongWaitMs = 60000;

// VmRSS of this process in kB, 0 when it cannot be read
qint64 residentKb()
{
    QFile status(u"/proc/self/status"_s);
    if (!status.open(QIODevice::ReadOnly | QIODevice::Text))
        return 0;
    // Files under /proc report a size of 0, so read to the end rather than line by line
    const QList<QByteArray> lines = status.readAll().split('\n');
    for (const QByteArray &line : lines) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return 0;
}

struct Sample {
    int done;
    qint64 rssKb;
};

// Prints the series and returns whether it stayed flat after its first sample
bool report(const char *title, const char *unit, const QList<Sample> &series, qint64 elapsedMs)
{
    std::printf("\n%s (%.1f s)\n", title, double(elapsedMs) / 1000);
    std::printf("%10s  %10s  %14s\n", unit, "VmRSS (MB)", "vs first (MB)");
    const qint64 first = series.first().rssKb;
    qint64 highest = first;
    for (const Sample &sample : series) {
        std::printf("%10d  %10.1f  %+14.2f\n", sample.done, double(sample.rssKb) / 1024,
                    double(sample.rssKb - first) / 1024);
        highest = qMax(highest, sample.rssKb);
    }
    const double growthMb = double(highest - first) / 1024;
    const bool flat = growthMb < kFlatThresholdMb;
    std::printf("Highest growth after the first sample: %.2f MB (threshold %.1f MB): %s\n",
                growthMb, kFlatThresholdMb, flat ? "flat" : "GROWING");
    return flat;
}

// The controls a list run writes to, real widgets as in the window, offscreen
class SoakWindow : public QWidget {
public:
    SoakWindow()
    {
        auto *const layout = new QVBoxLayout(this);
        // A size constraint would pass every change of the status texts' width on to the
        // platform window, which the offscreen platform answers with a warning each time.
        layout->setSizeConstraint(QLayout::SetNoConstraint);
        layout->addWidget(m_command);
        layout->addWidget(m_list);
        layout->addWidget(m_status);
        // As the window sets the list up at start-up
        m_list->setListModel(*m_songs);
        resize(640, 480);
    }

    SongListModel &songs() const { return *m_songs; }
    StatusBarWidget &status() const { return *m_status; }
    QPushButton &command() const { return *m_command; }

private:
    QPushButton *const m_command = new QPushButton(u"搜索"_s, this);
    ReportListView *const m_list = new ReportListView(this);
    // Made after the view, so that the view, which reads it, goes first
    SongListModel *const m_songs = new SongListModel(this);
    StatusBarWidget *const m_status = new StatusBarWidget(this);
};

// One list run, waited for
void runList(SongListLoader &loader, const QString &firstUrl)
{
    QEventLoop loop;
    QObject::connect(&loader, &SongListLoader::finished, &loop, &QEventLoop::quit,
                     Qt::QueuedConnection);
    QObject::connect(&loader, &SongListLoader::failed, &loop, &QEventLoop::quit,
                     Qt::QueuedConnection);
    loader.loadSongList(firstUrl);
    loop.exec();
}

// One link, waited for; the reason when it could not be had
QString resolve(const LinkResolver &links, const QString &id)
{
    QEventLoop loop;
    QString outcome;
    LinkLookup *const lookup = links.resolveSongLink(id, &loop);
    QObject::connect(lookup, &LinkLookup::resolved, &loop, [&](const QString &link) {
        outcome = link;
        loop.quit();
    });
    QObject::connect(lookup, &LinkLookup::failed, &loop, [&](const QString &reason) {
        outcome = reason;
        loop.quit();
    });
    loop.exec();
    return outcome;
}

// Counts the songs that begin, sampling the memory every `every` songs, until `plays` have begun
// or none has begun for kLongestSongWaitMs
class PlayCounter {
public:
    PlayCounter(int plays, int every) : m_plays(plays), m_every(every)
    {
        m_stalled.setSingleShot(true);
        m_stalled.setInterval(kLongestSongWaitMs);
        QObject::connect(&m_stalled, &QTimer::timeout, &m_loop, &QEventLoop::quit);
    }

    void stateChanged(PlayState state)
    {
        if (state != PlayState::Playing)
            return;
        m_stalled.start();
        if (++m_begun % m_every == 0)
            m_series.append({m_begun, residentKb()});
        if (m_begun >= m_plays)
            m_loop.quit();
    }

    // The samples; empty when playback stopped going on
    QList<Sample> run()
    {
        m_stalled.start();
        m_loop.exec();
        return m_begun >= m_plays ? m_series : QList<Sample>();
    }
    int begun() const { return m_begun; }

private:
    const int m_plays;
    const int m_every;
    int m_begun = 0;
    QList<Sample> m_series;
    QEventLoop m_loop;
    QTimer m_stalled;
};

// Plays `plays` songs through the window's continue rule, with the memory every 100 songs
QList<Sample> playSongs(const QString &serviceBase, int plays)
{
    BenchWindow window(serviceBase);
    // Shown, so that every song also goes through the window's painting
    if (!window.load() || !window.showAndWait())
        return {};
    PlayCounter counter(plays, 100);
    QObject::connect(&window.player(), &AudioPlayer::playStateChanged, &window.player(),
                     [&counter](PlayState state) { counter.stateChanged(state); });
    const QList<Sample> series = counter.run();
    if (series.isEmpty())
        std::fprintf(stderr, "bench_soak: playback stopped after %d songs: %s\n", counter.begun(),
                     qPrintable(window.player().statusText()));
    return series;
}

} // namespace

int main(int argc, char *argv[])
{
    // The list is real widgets but nobody watches them
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption runsOption(u"runs"_s, u"List runs (10 pages each)."_s, u"n"_s,
                                        u"1000"_s);
    const QCommandLineOption resolutionsOption(u"resolutions"_s, u"Link resolutions."_s, u"n"_s,
                                               u"10000"_s);
    const QCommandLineOption playsOption(u"plays"_s, u"Songs played by the continue rule."_s,
                                         u"n"_s, u"1000"_s);
    const QCommandLineOption secondsOption(u"media-seconds"_s, u"Length of each song."_s, u"s"_s,
                                           u"0.3"_s);
    parser.addOptions({runsOption, resolutionsOption, playsOption, secondsOption});
    parser.process(app);
    const int runs = qMax(100, parser.value(runsOption).toInt());
    const int resolutions = qMax(1000, parser.value(resolutionsOption).toInt());
    const int plays = qMax(100, parser.value(playsOption).toInt());

    const CatalogueService service(
        {u"--songs"_s, QString::number(kSongs), u"--per-page"_s, QString::number(kPerPage)});
    if (!service.isRunning()) {
        std::fprintf(stderr, "bench_soak: the catalogue service did not start\n");
        return 1;
    }

    SoakWindow window;
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) {
        std::fprintf(stderr, "bench_soak: the window was not shown\n");
        return 1;
    }

    const ServiceUrls urls(service.base());
    QNetworkAccessManager network;
    TextFetcher fetcher(network);
    SongListLoader loader(urls, fetcher, window.songs());
    LinkResolver links(fetcher, urls);

    std::printf("bench_soak: %d list runs of %d pages, %d link resolutions, then %d songs played; "
                "service %s\n",
                runs, kSongs / kPerPage, resolutions, plays, qPrintable(service.base()));
    std::printf("Starting VmRSS: %.1f MB\n", double(residentKb()) / 1024);

    QElapsedTimer total;
    total.start();

    QList<Sample> runSeries;
    QElapsedTimer phase;
    phase.start();
    for (int run = 1; run <= runs; ++run) {
        window.songs().clear();
        runList(loader, urls.defaultList());
        if (window.songs().size() != kSongs) {
            std::fprintf(stderr, "bench_soak: run %d ended with %d rows, not %d: %s\n", run,
                         window.songs().size(), kSongs, qPrintable(window.status().panelText(1)));
            return 1;
        }
        if (run % 100 == 0)
            runSeries.append({run, residentKb()});
    }
    const bool runsFlat = report("List runs", "runs", runSeries, phase.elapsed());

    // Identifiers as the rows hold them, twelve trailing blanks included
    QStringList ids;
    for (int row = 0; row < window.songs().size(); ++row)
        ids.append(window.songs().row(row).subItem2);
    if (ids.isEmpty() || !ids.first().endsWith(QString(12, u' '))) {
        std::fprintf(stderr, "bench_soak: the rows carry no identifiers with twelve blanks\n");
        return 1;
    }

    QList<Sample> linkSeries;
    phase.restart();
    for (int done = 1; done <= resolutions; ++done) {
        const QString link = resolve(links, ids.at((done - 1) % ids.size()));
        if (!link.startsWith(service.base() + u'/')) {
            std::fprintf(stderr, "bench_soak: resolution %d failed: %s\n", done, qPrintable(link));
            return 1;
        }
        if (done % 1000 == 0)
            linkSeries.append({done, residentKb()});
    }
    const bool linksFlat = report("Link resolutions", "resolved", linkSeries, phase.elapsed());

    // The stand-in's own catalogue, with its background track: start-up plays that track, and
    // from then on the continue rule plays row 1 after every song
    const CatalogueService songs({u"--media-seconds"_s, parser.value(secondsOption)});
    if (!songs.isRunning()) {
        std::fprintf(stderr, "bench_soak: the service of short songs did not start\n");
        return 1;
    }
    phase.restart();
    const QList<Sample> playSeries = playSongs(songs.base(), plays);
    if (playSeries.isEmpty())
        return 1;
    const bool playsFlat = report("Songs played", "played", playSeries, phase.elapsed());

    const bool flat = runsFlat && linksFlat && playsFlat;
    std::printf("\nWall time: %.1f s. Memory %s.\n", double(total.elapsed()) / 1000,
                flat ? "stayed flat" : "grew");
    return flat ? 0 : 1;
}
