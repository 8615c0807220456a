// Figure 16: choosing the row that plays next in "随机播放" over a list of 200,000 rows, through
// three rounds: the slowest choice. The first choice of each run allocates the shuffle's state.
// Each choice's time is the best of its runs, so that a moment when the thread waited for a
// core is not counted as the choice's own.
// Figure 16a: the bytes each row costs the shuffle.

#include "benchprogram.h"
#include "benchreport.h"

#include "playback/playorder.h"

#include <QElapsedTimer>

#include <algorithm>
#include <limits>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

constexpr int kRows = 200000;
constexpr int kRounds = 3;
constexpr int kRuns = 5;
constexpr double kTargetMs = 1;
constexpr double kTargetBytes = 8;

QString microseconds(double ms)
{
    return u"%1 µs"_s.arg(ms * 1000, 0, 'f', 2);
}

} // namespace

int main(int argc, char *argv[])
{
    const BenchProgram program(argc, argv, BenchProgram::Kind::Console);

    constexpr int choices = kRounds * kRows;
    std::vector<double> best(choices, std::numeric_limits<double>::max());
    qsizetype bytes = 0;
    for (int run = 0; run < kRuns; ++run) {
        PlayOrder order;
        order.setMode(PlayMode::Shuffle, 0, 0);
        std::vector<bool> seen(kRows + 1);
        int row = 0;
        QElapsedTimer clock;
        for (int choice = 0; choice < choices; ++choice) {
            clock.start();
            row = order.afterEnd(row, row, kRows);
            best[choice] = std::min(best[choice], clock.nsecsElapsed() / 1e6);
            if (choice < kRows)
                seen[row] = true;
        }
        if (std::count(seen.begin(), seen.end(), true) != kRows) {
            qCritical("bench_shuffle: the first round did not play every row once");
            return 1;
        }
        bytes = order.shuffleBytes();
    }

    const double slowest = *std::max_element(best.begin(), best.end());
    const double first = best.front();
    std::sort(best.begin(), best.end());
    const double p99 = best[std::size_t(choices * 0.99)];
    const double median = best[choices / 2];
    qInfo("%d choices, best of %d runs: slowest %.4f ms, p99 %.6f ms, median %.6f ms", choices,
          kRuns, slowest, p99, median);
    BenchReport::figure(
        u"16"_s,
        u"Choosing the next row in 随机播放 over %1 rows, the slowest of %2 choices (%3 rounds)"_s
            .arg(kRows)
            .arg(choices)
            .arg(kRounds),
        microseconds(slowest), u"<= 1 ms"_s, BenchReport::atMost(slowest, kTargetMs));
    const double bytesPerRow = double(bytes) / kRows;
    BenchReport::figure(u"16a"_s, u"Shuffle state per row"_s, u"%1 B"_s.arg(bytesPerRow, 0, 'f', 1),
                        u"<= 8 B"_s, BenchReport::atMost(bytesPerRow, kTargetBytes));
    BenchReport::info(
        u"16b"_s, u"  the first choice, which takes the state's memory; p99 / median"_s,
        microseconds(first) + u"; "_s + microseconds(p99) + u" / "_s + microseconds(median));
    return 0;
}
