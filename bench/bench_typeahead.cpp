// Figure 13: one step of typing to find a row in a list of 200,000 rows, when no row is found, so
// that every row is read: the longest a step takes. The rows are those of a search for "夜曲" in
// the benchmark catalogue, every title led by the keyword; the texts typed share as much as
// they can with every row before they fail.
// Figure 14: the bytes each row keeps for finding: its initials and their header, which the list's
// row store keeps with the row's cells.

#include "benchprogram.h"
#include "benchreport.h"
#include "catalogue.h"

#include "songlist/songrowstore.h"
#include "songlist/typeahead.h"

#include <QElapsedTimer>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

constexpr int kRows = 200000;
constexpr int kSamples = 21;
const QString kPad(12, u' ');

QList<SongRow> searchRows()
{
    QList<SongRow> rows;
    rows.reserve(kRows);
    for (const Song &song : Catalogue::demoSongs(kRows, 1))
        rows.append({u"夜曲·"_s + song.title + kPad, song.serial + kPad, song.id + kPad});
    return rows;
}

} // namespace

int main(int argc, char *argv[])
{
    const BenchProgram program(argc, argv, BenchProgram::Kind::Console);

    const QList<SongRow> rowTexts = searchRows();
    QElapsedTimer clock;
    clock.start();
    SongRowStore rows;
    rows.append(rowTexts);
    qInfo("%d rows stored in %.1f ms", rows.size(), clock.nsecsElapsed() / 1e6);

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

    // One header byte before the initials: they are never long enough to need a second
    qint64 bytes = 0;
    for (int row = 0; row < rows.size(); ++row)
        bytes += 1 + rows.cells(row).initials.size();
    const double bytesPerRow = double(bytes) / rows.size();
    BenchReport::figure(u"14"_s, u"Finding data per row, the title's initials in the row store"_s,
                        u"%1 B"_s.arg(bytesPerRow, 0, 'f', 1), u"<= 16 B"_s,
                        BenchReport::atMost(bytesPerRow, 16));
    return 0;
}
