// Writes the large catalogue that scripts/bench.sh serves: --songs songs, 20 to a page, every title
// holding --keyword, so that one keyword search lists the whole catalogue.

#include "benchprogram.h"
#include "catalogue.h"
#include "wavsynth.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>

using namespace Qt::StringLiterals;

int main(int argc, char *argv[])
{
    const BenchProgram program(argc, argv, BenchProgram::Kind::Console);
    const BenchOptions &options = program.options();
    if (options.songs <= 0 || options.keyword.isEmpty() || options.output.isEmpty()) {
        std::fprintf(stderr, "usage: bench_catalogue --songs N --keyword TEXT --output FILE\n");
        return 2;
    }

    // The demo catalogue's songs, each title led by the keyword
    QJsonArray songs;
    for (const Song &song : Catalogue::demoSongs(options.songs, WavSynth::kMelodyCount)) {
        songs.append(QJsonObject {
            {u"id"_s, song.id},
            {u"title"_s, options.keyword + u'·' + song.title},
            {u"serial"_s, song.serial},
            {u"singer"_s, song.singer},
            {u"time"_s, song.duration},
            {u"path"_s, song.path},
        });
    }
    const QJsonObject catalogue {
        {u"perPage"_s, 20},
        {u"songs"_s, songs},
        {u"background"_s, QJsonArray {songs.first().toObject().value(u"id")}},
    };

    QFile file(options.output);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        || file.write(QJsonDocument(catalogue).toJson(QJsonDocument::Compact)) < 0) {
        std::fprintf(stderr, "bench_catalogue: %s\n", qPrintable(file.errorString()));
        return 1;
    }
    return 0;
}
