// Figures 9 and 10: keyword searches that list whole catalogues of several sizes, the window
// shown, each against a bare QNetworkAccessManager loop over the same URLs. Figure 9 is the
// 100,000-row search over the loop; figure 10 is what a page costs in the largest search over
// what it costs in the 10,000-row one, which is 1 when a page costs the same however long the
// list already is. One --service per catalogue, every title of which holds --keyword.

#include "bareloop.h"
#include "benchprogram.h"
#include "benchreport.h"
#include "benchwindow.h"

#include "net/serviceurls.h"
#include "net/urlencoding.h"
#include "widgets/reportlistview.h"

#include <QElapsedTimer>
#include <QLineEdit>
#include <QNetworkAccessManager>
#include <QPushButton>
#include <QTest>

#include <algorithm>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

constexpr int kRatioRows = 100000;
constexpr int kBaseRows = 10000;

// Medians over the runs of one catalogue's search
struct Scale {
    int rows = 0;
    int pages = 0;
    double programMsPerPage = 0;
    double loopMsPerPage = 0;
    double ratio = 0;
};

// What a search for `keyword` fetches: its first page, then the keyword's further pages
QStringList searchUrls(const QString &service, const QString &keyword, int pages)
{
    const ServiceUrls addresses(service);
    const QString encoded = encodeUtf8Url(keyword);
    QStringList urls;
    for (int page = 1; page <= pages; ++page)
        urls.append(addresses.search(encoded, page));
    return urls;
}

// One search from the click that starts it until the view has finished the list; milliseconds, or a
// negative value when the search did not list the whole catalogue
double searchMs(BenchWindow &window, int expectedRows)
{
    // Emptying the old list happens before the first request; leave it out
    window.songs().clear();
    QTest::qWait(100);
    QElapsedTimer clock;
    clock.start();
    window.child<QPushButton>(u"searchButton"_s)->click();
    const bool ended = window.waitForListRun();
    const double ms = clock.nsecsElapsed() / 1e6;
    const bool whole = ended && window.songs().size() == expectedRows;
    return whole ? ms : -1;
}

std::optional<Scale> measure(const QString &service, const QString &keyword, int runs)
{
    BenchWindow window(service);
    // Start-up lists the default class, which is the whole catalogue
    if (!window.startQuietly())
        return {};
    window.child<QLineEdit>(u"keywordBox"_s)->setText(keyword);
    Scale scale;
    scale.rows = window.songs().size();
    scale.pages = window.pagesOfLastRun();
    const QStringList urls = searchUrls(service, keyword, scale.pages);
    QNetworkAccessManager network;
    fetchAllMs(network, {urls.first()});

    QList<double> program, loop, ratios;
    for (int run = 0; run < runs; ++run) {
        const double programMs = searchMs(window, scale.rows);
        if (programMs < 0)
            return {};
        const double loopMs = fetchAllMs(network, urls);
        program.append(programMs / scale.pages);
        loop.append(loopMs / scale.pages);
        ratios.append(programMs / loopMs);
        qInfo("%d rows, run %d: search %.0f ms, QNetworkAccessManager loop %.0f ms", scale.rows,
              run, programMs, loopMs);
    }
    scale.programMsPerPage = BenchReport::median(program);
    scale.loopMsPerPage = BenchReport::median(loop);
    scale.ratio = BenchReport::median(ratios);
    return scale;
}

const Scale *withRows(const QList<Scale> &scales, int rows)
{
    const auto found = std::find_if(scales.cbegin(), scales.cend(),
                                    [rows](const Scale &scale) { return scale.rows == rows; });
    return found == scales.cend() ? nullptr : &*found;
}

void report(const QList<Scale> &scales)
{
    if (const Scale *scale = withRows(scales, kRatioRows))
        BenchReport::figure(
            u"9"_s,
            u"Search of %1 rows, window shown / bare QNetworkAccessManager loop"_s.arg(kRatioRows),
            u"%1x"_s.arg(scale->ratio, 0, 'f', 2), u"<= 1.25x"_s,
            BenchReport::atMost(scale->ratio, 1.25));
    char id = 'a';
    for (const Scale &scale : scales)
        BenchReport::info(u"9"_s + QChar::fromLatin1(id++),
                          u"  ms per page at %1 rows: search / loop"_s.arg(scale.rows),
                          u"%1 / %2 ms (%3x)"_s.arg(scale.programMsPerPage, 0, 'f', 3)
                              .arg(scale.loopMsPerPage, 0, 'f', 3)
                              .arg(scale.ratio, 0, 'f', 2));
    const Scale *base = withRows(scales, kBaseRows);
    if (!base || scales.last().rows <= kBaseRows)
        return;
    const double growth = scales.last().programMsPerPage / base->programMsPerPage;
    BenchReport::figure(
        u"10"_s,
        u"Search cost per page at %1 rows / at %2 rows"_s.arg(scales.last().rows).arg(kBaseRows),
        u"%1x"_s.arg(growth, 0, 'f', 2), u"<= 1.15x"_s, BenchReport::atMost(growth, 1.15));
    // The service and the network take their share of a page as well: when the loop grows too,
    // the growth is not the program's
    const double loopGrowth = scales.last().loopMsPerPage / base->loopMsPerPage;
    BenchReport::info(u"10a"_s, u"  the same for the bare loop (the service and the network)"_s,
                      u"%1x"_s.arg(loopGrowth, 0, 'f', 2));
}

} // namespace

int main(int argc, char *argv[])
{
    const BenchProgram program(argc, argv);
    const BenchOptions &options = program.options();
    if (options.keyword.isEmpty() || options.services.isEmpty()) {
        qCritical("usage: bench_listscale --keyword TEXT --service URL [--service URL ...]");
        return 2;
    }
    QList<Scale> scales;
    for (const QString &service : options.services) {
        const std::optional<Scale> scale = measure(service, options.keyword, options.runs);
        if (!scale) {
            qCritical("bench_listscale: the search at %s did not list its catalogue",
                      qPrintable(service));
            return 1;
        }
        scales.append(*scale);
    }
    // Smallest first, so that the last one is the largest
    std::sort(scales.begin(), scales.end(),
              [](const Scale &a, const Scale &b) { return a.rows < b.rows; });
    report(scales);
    return 0;
}
