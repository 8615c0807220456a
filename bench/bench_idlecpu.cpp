// Figure 8: CPU time the window takes while it sits idle: list loaded, nothing playing, status
// timer running. CPU seconds of the process (getrusage) over wall seconds, per stretch of
// --seconds; the median of --runs stretches.

#include "benchprogram.h"
#include "benchreport.h"
#include "benchwindow.h"

#include "player/audioplayer.h"
#include "widgets/reportlistview.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTest>
#include <QTimer>

#include <sys/resource.h>

using namespace Qt::StringLiterals;

namespace {

double cpuSeconds()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval &time) { return time.tv_sec + time.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

} // namespace

int main(int argc, char *argv[])
{
    const BenchProgram program(argc, argv);
    BenchWindow window(program.options());
    if (!window.startQuietly())
        return 1;
    // Let the first paints and the player's last reports pass
    QTest::qWait(1000);

    QList<double> shares;
    for (int run = 0; run < program.options().runs; ++run) {
        QElapsedTimer wall;
        const double cpuBefore = cpuSeconds();
        wall.start();
        // A real event loop: QTest::qWait sleeps between its passes, which would starve the timer
        QEventLoop loop;
        QTimer::singleShot(int(program.options().seconds * 1000), Qt::PreciseTimer, &loop,
                           &QEventLoop::quit);
        loop.exec();
        const double share = (cpuSeconds() - cpuBefore) / (wall.nsecsElapsed() / 1e9);
        shares.append(share);
        qInfo("stretch %d: %.2f%% of one core", run, share * 100);
    }

    const double share = BenchReport::median(shares) * 100;
    BenchReport::figure(
        u"8"_s,
        u"Idle CPU, list loaded, nothing playing (%1 s stretches)"_s.arg(program.options().seconds),
        u"%1%"_s.arg(share, 0, 'f', 2), u"<= 2%"_s, BenchReport::atMost(share, 2));
    return 0;
}
