// Figure 13: one step of typing to find a row in a list of 200,000 rows, when no row is found, so
// that every row is read: the longest a step takes. The rows are those of a search for "夜曲" in
// the benchmark catalogue, every title led by the keyword; the texts typed share as much as
// they can with every row before they fail.
// Figure 14: the memory each row keeps for finding, its stored initials, capacity included.

#include "benchprogram.h"
#include "benchreport.h"
#include "catalogue.h"
#include "findingreportrows.h"

#include "songlist/typeahead.h"

#include <QElapsedTimer>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

constexpr int kRows = 200000;
constexpr int kSamples = 21;
const QString kPad(12, u' ');

QList<ReportRow> searchRows()
{
    QList<ReportRow> rows;
    rows.reserve(kRows);
    for (const Song &song : Catalogue::demoSongs(kRows, 1))
        rows.append({u"夜曲·"_s + song.title + kPad, song.serial + kPad, song.id + kPad});
    return rows;
}

} // namespace

int main(int argc, char *argv[])
{
    const BenchProgram program(argc, argv, BenchProgram::Kind::Console);

    QList<ReportRow> rowTexts = searchRows();
    QElapsedTimer clock;
    clock.start();
    const FindingReportRows rows(std::move(rowTexts));
    qInfo("initials of %d rows stored in %.1f ms", rows.count(), clock.nsecsElapsed() / 1e6);

    // Through the initials and the pinyin of every title, its text, and its serial
    // (no title goes on with a "z" after its keyword)
    const QStringList texts = {u"yequz"_s, u"yqz"_s, u"夜曲·z"_s, u"qp-z"_s, u"zz"_s};
    double slowest = 0;
    for (const QString &text : texts) {
        const TypeAheadText typed(text);
        QList<double> times;
        for (int sample = 0; sample < kSamples; ++sample) {
            clock.start();
            const int found = typed.findRow(rows, sample, 1);
            times.append(clock.nsecsElapsed() / 1e6);
            if (found != -1) {
                qCritical("bench_typeahead: \"%s\" found row %d", qPrintable(text), found);
                return 1;
            }
        }
        const double ms = BenchReport::median(times);
        qInfo("\"%s\": %.2f ms", qPrintable(text), ms);
        slowest = std::max(slowest, ms);
    }
    BenchReport::figure(
        u"13"_s,
        u"Type-ahead step over %1 rows, nothing found (slowest of %2 texts)"_s.arg(kRows).arg(
            texts.size()),
        BenchReport::milliseconds(slowest), u"<= 16 ms"_s, BenchReport::atMost(slowest, 16));

    const double bytesPerRow = double(rows.initials().capacityBytes()) / rows.count();
    BenchReport::figure(u"14"_s, u"Finding data per row, stored initials with their capacity"_s,
                        u"%1 B"_s.arg(bytesPerRow, 0, 'f', 1), u"<= 16 B"_s,
                        BenchReport::atMost(bytesPerRow, 16));
    return 0;
}
