#include "benchoptions.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <algorithm>

BenchOptions BenchOptions::parse(const QCoreApplication &app)
{
    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption service(QStringLiteral("service"),
                                     QStringLiteral("Base URL of the catalogue service."),
                                     QStringLiteral("url"));
    const QCommandLineOption runs(QStringLiteral("runs"), QStringLiteral("Measured runs."),
                                  QStringLiteral("n"), QStringLiteral("5"));
    const QCommandLineOption keyword(QStringLiteral("keyword"), QStringLiteral("Search keyword."),
                                     QStringLiteral("text"));
    const QCommandLineOption programDir(QStringLiteral("program-dir"),
                                        QStringLiteral("Folder holding quillpod.she."),
                                        QStringLiteral("dir"));
    const QCommandLineOption seconds(QStringLiteral("seconds"),
                                     QStringLiteral("Length of a timed stretch."),
                                     QStringLiteral("s"), QStringLiteral("30"));
    const QCommandLineOption output(QStringLiteral("output"), QStringLiteral("File to write."),
                                    QStringLiteral("file"));
    const QCommandLineOption songs(QStringLiteral("songs"), QStringLiteral("Number of songs."),
                                   QStringLiteral("n"), QStringLiteral("0"));
    const QCommandLineOption mode(QStringLiteral("mode"), QStringLiteral("Variant to run."),
                                  QStringLiteral("name"));
    parser.addOptions({service, runs, keyword, programDir, seconds, output, songs, mode});
    parser.process(app);

    BenchOptions options;
    options.service = parser.value(service);
    options.runs = std::max(1, parser.value(runs).toInt());
    options.keyword = parser.value(keyword);
    options.programDir = parser.value(programDir);
    options.seconds = parser.value(seconds).toDouble();
    options.output = parser.value(output);
    options.songs = parser.value(songs).toInt();
    options.mode = parser.value(mode);
    return options;
}
