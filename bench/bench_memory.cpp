// Figure 5: the process that scripts/bench.sh measures with /usr/bin/time -v. It starts as the
// program does, listing the default class of the large catalogue (100,000 rows) with the
// background track playing, shows the window, lets it paint and settle, and ends.
// With --mode empty it is an empty Qt Widgets program instead, for comparison.

#include "benchprogram.h"
#include "benchwindow.h"

#include "widgets/reportlistview.h"

#include <QTest>

using namespace Qt::StringLiterals;

int main(int argc, char *argv[])
{
    const BenchProgram program(argc, argv);
    const BenchOptions &options = program.options();

    if (options.mode == "empty"_L1) {
        QWidget widget;
        widget.show();
        if (!QTest::qWaitForWindowExposed(&widget))
            return 1;
        QTest::qWait(1000);
        return 0;
    }

    BenchWindow window(options);
    if (!window.load())
        return 1;
    if (!window.showAndWait())
        return 1;
    QTest::qWait(1000);
    qInfo("bench_memory: %d rows in the list", window.songs().size());
    return window.songs().size() > 0 ? 0 : 1;
}
