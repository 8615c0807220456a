// Writes the large catalogue that scripts/bench.sh serves: --songs songs, 20 to a page, every title
// holding --keyword, so that one keyword search lists the whole catalogue.

#include "benchoptions.h"
#include "catalogue.h"
#include "wavsynth.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const BenchOptions options = BenchOptions::parse(app);
    if (options.songs <= 0 || options.keyword.isEmpty() || options.output.isEmpty()) {
        std::fprintf(stderr, "usage: bench_catalogue --songs N --keyword TEXT --output FILE\n");
        return 2;
    }

    // The demo catalogue's songs, each title led by the keyword
    QJsonArray songs;
    for (const Song &song : Catalogue::demoSongs(options.songs, WavSynth::kMelodyCount)) {
        songs.append(QJsonObject {
            {QStringLiteral("id"), song.id},
            {QStringLiteral("title"), options.keyword + u'·' + song.title},
            {QStringLiteral("serial"), song.serial},
            {QStringLiteral("singer"), song.singer},
            {QStringLiteral("time"), song.duration},
            {QStringLiteral("path"), song.path},
        });
    }
    const QJsonObject catalogue {
        {QStringLiteral("perPage"), 20},
        {QStringLiteral("songs"), songs},
        {QStringLiteral("background"), QJsonArray {songs.first().toObject().value(u"id")}},
    };

    QFile file(options.output);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        || file.write(QJsonDocument(catalogue).toJson(QJsonDocument::Compact)) < 0) {
        std::fprintf(stderr, "bench_catalogue: %s\n", qPrintable(file.errorString()));
        return 1;
    }
    return 0;
}
