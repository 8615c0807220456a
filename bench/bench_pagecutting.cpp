// Figure 4: how fast addPageRows cuts one 2,000-entry page into the list's model, without a view,
// in MB of page text (UTF-8, as the service sends it) per second; and, for scale, how that time
// compares with memchr scanning the same text, as the service sent it, once.

#include "benchprogram.h"
#include "benchreport.h"
#include "demopages.h"

#include "songlist/pagecutting.h"
#include "songlist/songlistmodel.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstring>

using namespace Qt::StringLiterals;

namespace {

constexpr int kEntries = 2000;
constexpr int kSamples = 101;

// A byte value that does not occur in `data`, so that memchr has to scan all of it
int absentByte(const char *data, size_t size)
{
    bool seen[256] = {};
    for (size_t i = 0; i < size; ++i)
        seen[uchar(data[i])] = true;
    for (int byte = 1; byte < 256; ++byte) {
        if (!seen[byte])
            return byte;
    }
    return -1;
}

} // namespace

int main(int argc, char *argv[])
{
    const BenchProgram program(argc, argv, BenchProgram::Kind::Console);

    const QString page = DemoPages::listPages(kEntries, kEntries).first();
    const double megabytes = double(page.toUtf8().size()) / 1e6;

    SongListModel list;

    QList<double> cutTimes;
    for (int sample = 0; sample < kSamples; ++sample) {
        list.clear();
        QElapsedTimer clock;
        clock.start();
        addPageRows(page, list);
        cutTimes.append(clock.nsecsElapsed() / 1e6);
        if (list.size() != kEntries) {
            qCritical("bench_pagecutting: %d rows, not %d", list.size(), kEntries);
            return 1;
        }
    }

    // The text as the service sends it: in UTF-16 every byte value may occur, so memchr would stop
    const QByteArray utf8 = page.toUtf8();
    const char *const bytes = utf8.constData();
    const size_t size = size_t(utf8.size());
    const int byte = absentByte(bytes, size);
    if (byte < 0)
        return 1;
    QList<double> scanTimes;
    for (int sample = 0; sample < kSamples; ++sample) {
        QElapsedTimer clock;
        clock.start();
        const void *found = std::memchr(bytes, byte, size);
        // Keeps the call from being optimised away
        asm volatile("" : : "r"(found) : "memory");
        scanTimes.append(clock.nsecsElapsed() / 1e6);
    }

    const double cutMs = BenchReport::median(cutTimes);
    const double scanMs = BenchReport::median(scanTimes);
    const double throughput = megabytes / (cutMs / 1e3);
    qInfo("page of %d entries: %.3f MB UTF-8, %lld characters; cut in %.3f ms, memchr %.4f ms",
          kEntries, megabytes, qlonglong(page.size()), cutMs, scanMs);
    BenchReport::figure(u"4"_s,
                        u"addPageRows throughput, one %1-entry page into the model"_s.arg(kEntries),
                        u"%1 MB/s"_s.arg(throughput, 0, 'f', 0), u">= 150 MB/s"_s,
                        BenchReport::atLeast(throughput, 150));
    BenchReport::info(u"4a"_s, u"addPageRows time / memchr over the same text"_s,
                      u"%1x"_s.arg(cutMs / scanMs, 0, 'f', 0));
    return 0;
}
