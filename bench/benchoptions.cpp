#include "benchoptions.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <algorithm>

using namespace Qt::StringLiterals;

BenchOptions BenchOptions::parse(const QCoreApplication &app)
{
    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption service(
        u"service"_s, u"Base URL of a catalogue service; some benchmarks take several."_s,
        u"url"_s);
    const QCommandLineOption runs(u"runs"_s, u"Measured runs."_s, u"n"_s, u"5"_s);
    const QCommandLineOption keyword(u"keyword"_s, u"Search keyword."_s, u"text"_s);
    const QCommandLineOption programDir(u"program-dir"_s, u"Folder holding quillpod.she."_s,
                                        u"dir"_s);
    const QCommandLineOption seconds(u"seconds"_s, u"Length of a timed stretch."_s, u"s"_s,
                                     u"30"_s);
    const QCommandLineOption output(u"output"_s, u"File to write."_s, u"file"_s);
    const QCommandLineOption songs(u"songs"_s, u"Number of songs."_s, u"n"_s, u"0"_s);
    const QCommandLineOption mode(u"mode"_s, u"Variant to run."_s, u"name"_s);
    parser.addOptions({service, runs, keyword, programDir, seconds, output, songs, mode});
    parser.process(app);

    BenchOptions options;
    options.services = parser.values(service);
    options.service = options.services.value(0);
    options.runs = std::max(1, parser.value(runs).toInt());
    options.keyword = parser.value(keyword);
    options.programDir = parser.value(programDir);
    options.seconds = parser.value(seconds).toDouble();
    options.output = parser.value(output);
    options.songs = parser.value(songs).toInt();
    options.mode = parser.value(mode);
    return options;
}
