// Figure 1: a list run of the default class, from its first request until the view has finished
// the list (last row selected and in view, columns sized), against a bare QNetworkAccessManager
// loop that fetches the same URLs one after another and throws the bodies away, and, for
// information, curl fetching them in one process over one connection. The window is not shown, as
// at start-up, when the default list is loaded.

#include "bareloop.h"
#include "benchprogram.h"
#include "benchreport.h"
#include "benchwindow.h"

#include "net/serviceurls.h"
#include "songlist/songlistloader.h"
#include "widgets/reportlistview.h"

#include <QElapsedTimer>
#include <QFile>
#include <QNetworkAccessManager>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextStream>

using namespace Qt::StringLiterals;

namespace {

// curl reuses its connection for all the URLs of one invocation
double curlAll(const QString &curl, const QString &config)
{
    QElapsedTimer clock;
    clock.start();
    QProcess process;
    process.start(curl, {u"--silent"_s, u"--config"_s, config});
    process.waitForFinished(-1);
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return -1;
    return clock.nsecsElapsed() / 1e6;
}

} // namespace

int main(int argc, char *argv[])
{
    const BenchProgram program(argc, argv);
    const BenchOptions &options = program.options();

    BenchWindow window(options.service);
    // A first run warms up the connection and lays out the list, as start-up does
    if (!window.load())
        return 1;
    window.silencePlayer();
    const int rows = window.songs().size();

    const ServiceUrls addresses(options.service);
    const int pages = window.pagesOfLastRun();
    QStringList urls;
    for (int page = 1; page <= pages; ++page)
        urls.append(addresses.defaultList(page));
    if (rows == 0 || pages < 2) {
        qCritical("bench_listrun: the first run listed nothing (%d rows, %d pages)", rows, pages);
        return 1;
    }

    QTemporaryDir dir;
    const QString config = dir.filePath(u"urls.curlrc"_s);
    {
        QFile file(config);
        if (!file.open(QIODevice::WriteOnly))
            return 1;
        QTextStream out(&file);
        for (const QString &url : std::as_const(urls))
            out << "url = \"" << url << "\"\noutput = \"/dev/null\"\n";
    }
    const QString curl = QStandardPaths::findExecutable(u"curl"_s);

    QNetworkAccessManager network;
    fetchAllMs(network, {urls.first()});

    QList<double> runTimes, bareTimes, curlTimes, bareRatios, curlRatios;
    for (int run = 0; run < options.runs; ++run) {
        QElapsedTimer clock;
        clock.start();
        const bool ended = window.runList(urls.first());
        const double listRun = clock.nsecsElapsed() / 1e6;
        if (!ended || window.songs().size() != rows) {
            qCritical("bench_listrun: run %d ended early with %d rows", run, window.songs().size());
            return 1;
        }
        const double bare = fetchAllMs(network, urls);
        runTimes.append(listRun);
        bareTimes.append(bare);
        bareRatios.append(listRun / bare);
        if (!curl.isEmpty()) {
            const double curlTime = curlAll(curl, config);
            if (curlTime > 0) {
                curlTimes.append(curlTime);
                curlRatios.append(listRun / curlTime);
            }
        }
        qInfo("run %d: list run %.1f ms, QNetworkAccessManager loop %.1f ms, curl %.1f ms", run,
              listRun, bare, curlTimes.value(run, -1));
    }

    const QString what = u"%1 pages, %2 rows"_s.arg(pages).arg(rows);
    const double ratio = BenchReport::median(bareRatios);
    BenchReport::figure(u"1"_s, u"List run / bare QNetworkAccessManager loop (%1)"_s.arg(what),
                        u"%1x"_s.arg(ratio, 0, 'f', 2), u"<= 1.25x"_s,
                        BenchReport::atMost(ratio, 1.25));
    BenchReport::info(u"1a"_s, u"List run, first request to the list finished in the view"_s,
                      BenchReport::milliseconds(BenchReport::median(runTimes)));
    BenchReport::info(u"1b"_s, u"Bare QNetworkAccessManager loop, same URLs"_s,
                      BenchReport::milliseconds(BenchReport::median(bareTimes)));
    if (!curlTimes.isEmpty()) {
        BenchReport::info(u"1c"_s, u"curl, same URLs, one process, one connection"_s,
                          BenchReport::milliseconds(BenchReport::median(curlTimes)));
        BenchReport::info(u"1d"_s, u"List run / curl"_s,
                          u"%1x"_s.arg(BenchReport::median(curlRatios), 0, 'f', 2));
    }
    return 0;
}
