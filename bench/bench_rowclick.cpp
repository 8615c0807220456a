// Figure 7: a click on a row of the list until both of its links are in their boxes, which takes
// two requests to the service. The window is on screen and the list loaded; rows near its end,
// which finishSongList left in view, are clicked in turn.

#include "benchprogram.h"
#include "benchreport.h"
#include "benchwindow.h"

#include "widgets/reportlistmodel.h"
#include "widgets/reportlistview.h"

#include <QElapsedTimer>
#include <QLineEdit>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {
constexpr int kClicksPerRun = 20;
}

int main(int argc, char *argv[])
{
    const BenchProgram program(argc, argv);
    BenchWindow window(program.options());
    if (!window.startQuietly())
        return 1;
    ReportListView &list = window.list();
    auto *const rawLink = window.child<QLineEdit>(u"rawLinkBox"_s);
    auto *const link = window.child<QLineEdit>(u"linkBox"_s);

    // Rows wholly in view at the bottom of the list
    QList<int> rows;
    for (int row = window.songs().count(); row > 0 && rows.size() < 8; --row) {
        const QRect rect = list.visualRect(list.listModel().index(row - 1, 0));
        if (list.viewport()->rect().contains(rect))
            rows.append(row);
    }
    if (rows.size() < 2) {
        qCritical("bench_rowclick: no rows in view");
        return 1;
    }

    QList<double> runMedians;
    for (int run = 0; run < program.options().runs + 1; ++run) {
        QList<double> clicks;
        for (int click = 0; click < kClicksPerRun; ++click) {
            const int row = rows.at(click % rows.size());
            const QPoint point = list.visualRect(list.listModel().index(row - 1, 0)).center();
            link->clear();
            rawLink->clear();
            QElapsedTimer clock;
            clock.start();
            QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, point);
            const double ms = clock.nsecsElapsed() / 1e6;
            const QString id = window.songs().item(row).subItem(2).trimmed();
            if (!link->text().contains(id) || !rawLink->text().contains(id)) {
                qCritical("bench_rowclick: row %d's links are not in their boxes", row);
                return 1;
            }
            clicks.append(ms);
            // Clicks of a user are apart: the list repaints in between
            QTest::qWait(20);
        }
        // The first run warms up the connection and the path through the handlers
        if (run > 0)
            runMedians.append(BenchReport::median(clicks));
        qInfo("run %d: median click %.2f ms", run, BenchReport::median(clicks));
    }

    const double ms = BenchReport::median(runMedians);
    BenchReport::figure(u"7"_s, u"Row click until both links are shown (2 requests)"_s,
                        BenchReport::milliseconds(ms), u"<= 5 ms"_s, BenchReport::atMost(ms, 5));
    return 0;
}
