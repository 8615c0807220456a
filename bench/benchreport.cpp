#include "benchreport.h"

#include <QTextStream>

#include <algorithm>
#include <cstdio>

using namespace Qt::StringLiterals;

namespace BenchReport {

void figure(const QString &id, const QString &name, const QString &value, const QString &target,
            Verdict verdict)
{
    const char *word = verdict == Verdict::Met ? "met"
        : verdict == Verdict::Missed           ? "missed"
                                               : "info";
    QTextStream out(stdout);
    out << "RESULT\t" << id << '\t' << name << '\t' << value << '\t' << target << '\t' << word
        << Qt::endl;
}

void info(const QString &id, const QString &name, const QString &value)
{
    figure(id, name, value, u"-"_s, Verdict::Info);
}

Verdict atMost(double value, double limit)
{
    return value <= limit ? Verdict::Met : Verdict::Missed;
}

Verdict atLeast(double value, double limit)
{
    return value >= limit ? Verdict::Met : Verdict::Missed;
}

double median(QList<double> samples)
{
    if (samples.isEmpty())
        return 0;
    std::sort(samples.begin(), samples.end());
    const qsizetype middle = samples.size() / 2;
    return samples.size() % 2 ? samples.at(middle)
                              : (samples.at(middle - 1) + samples.at(middle)) / 2;
}

QString milliseconds(double ms)
{
    const int decimals = ms < 10 ? 2 : ms < 100 ? 1 : 0;
    return u"%1 ms"_s.arg(ms, 0, 'f', decimals);
}

} // namespace BenchReport
