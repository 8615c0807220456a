// Figure 3: finishing a list of 100,000 rows in the window on screen, in the state a list run
// leaves it in: the earlier pages laid out, measured and painted while the run waited for the next
// page, the last page's rows just appended. Timed from the model's finish() until the view has
// reacted: the last row selected and scrolled to, every column sized to its content.

#include "benchprogram.h"
#include "benchreport.h"
#include "benchwindow.h"
#include "demopages.h"

#include "songlist/pagecutting.h"
#include "songlist/songlistmodel.h"
#include "widgets/reportlistview.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {
constexpr int kRows = 100000;
constexpr int kPerPage = 20;
constexpr int kPagesPerPass = 10;
} // namespace

int main(int argc, char *argv[])
{
    const BenchProgram program(argc, argv);
    const BenchOptions &options = program.options();

    // Nothing listens there: start-up only lays out the list and ends its run at once
    BenchWindow window(u"http://127.0.0.1:1"_s, options.programDir);
    if (!window.load())
        return 1;
    if (!window.showAndWait())
        return 1;
    ReportListView &view = window.list();
    SongListModel &list = window.songs();

    const QStringList pages = DemoPages::listPages(kRows, kPerPage);

    QList<double> times;
    for (int run = 0; run < options.runs; ++run) {
        list.clear();
        for (int column = 0; column < list.columnCount(); ++column)
            view.setColumnWidth(column, ReportListView::kColumnWidth);
        // As in a run, the event loop gets its turn between pages, a few pages at a time here
        for (qsizetype page = 0; page + 1 < pages.size(); ++page) {
            addPageRows(pages.at(page), list);
            if (page % kPagesPerPass == kPagesPerPass - 1)
                QCoreApplication::processEvents();
        }
        view.selectRow(0);
        QTest::qWait(100);
        addPageRows(pages.last(), list);

        // The view reacts to finished() directly, within finish()
        QElapsedTimer clock;
        clock.start();
        list.finish();
        const double ms = clock.nsecsElapsed() / 1e6;
        times.append(ms);

        if (view.selectedRow() != kRows - 1 || view.columnWidth(0) != view.contentWidth(0)) {
            qCritical("bench_finishlist: the list was not finished (selected row %d)",
                      view.selectedRow());
            return 1;
        }
        qInfo("run %d: finishing %d rows took %.2f ms", run, list.size(), ms);
        QTest::qWait(50);
    }

    const double ms = BenchReport::median(times);
    BenchReport::figure(
        u"3"_s,
        u"Finishing a list of %1 rows (select, scroll, size columns), window shown"_s.arg(kRows),
        BenchReport::milliseconds(ms), u"<= 30 ms"_s, BenchReport::atMost(ms, 30));
    return 0;
}
