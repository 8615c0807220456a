#pragma once

#include <QList>
#include <QString>

// How the benchmarks hand their figures to scripts/bench.sh: one tab-separated line per figure on
// standard output, beginning with "RESULT". Everything else a benchmark says goes to stderr.
namespace BenchReport {

enum class Verdict { Met, Missed, Info };

void figure(const QString &id, const QString &name, const QString &value, const QString &target,
            Verdict verdict);

// A figure given for information, with no target
void info(const QString &id, const QString &name, const QString &value);

// Met when `value` is at most `limit`
Verdict atMost(double value, double limit);
// Met when `value` is at least `limit`
Verdict atLeast(double value, double limit);

double median(QList<double> samples);

// Milliseconds with a precision that suits the size of the value
QString milliseconds(double ms);

} // namespace BenchReport
