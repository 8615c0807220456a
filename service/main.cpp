// catalogue-service: a stand-in for the music catalogue web site, serving a generated or
// file-given catalogue on 127.0.0.1, with switchable faults for tests and benchmarks.

#include "catalogue.h"
#include "cataloguefile.h"
#include "catalogueserver.h"
#include "faultrules.h"
#include "outageschedule.h"
#include "pagewriter.h"
#include "requestlog.h"
#include "wavsynth.h"

#include <QCommandLineParser>
#include <QStringList>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <future>
#include <iostream>
#include <optional>
#include <pthread.h>
#include <stdexcept>
#include <thread>

using namespace Qt::StringLiterals;

namespace {

constexpr std::chrono::milliseconds kShutdownGrace {100};
constexpr std::chrono::seconds kLongestFault {3600};

struct Options {
    quint16 port = 8731;
    QString logFile;
    int songs = 205;
    int perPage = 20;
    bool perPageGiven = false;
    double mediaSeconds = 4.0;
    QString catalogueFile;
    std::optional<QByteArray> totalText;
    bool compress = true;
    FaultRules faults;
    OutageSchedule outages;
    std::optional<std::chrono::milliseconds> refusal;
    // The act whose first request starts the cut of data requests, and how long it lasts
    std::optional<std::pair<std::string, std::chrono::milliseconds>> dataRefusal;
};

[[noreturn]] void usageError(const QString &message)
{
    std::cerr << "catalogue-service: " << message.toStdString() << '\n';
    std::exit(2);
}

int numberOption(const QCommandLineParser &parser, const QString &name, int minimum, int maximum)
{
    bool ok = false;
    const int value = parser.value(name).toInt(&ok);
    if (!ok || value < minimum || value > maximum)
        usageError(u"--%1 expects a number from %2 to %3"_s.arg(name).arg(minimum).arg(maximum));
    return value;
}

std::chrono::milliseconds faultSeconds(const QString &text, const QString &option)
{
    bool ok = false;
    const double seconds = text.toDouble(&ok);
    if (!ok || seconds <= 0 || seconds > kLongestFault.count())
        usageError(
            u"--%1 expects seconds above 0, up to %2"_s.arg(option).arg(kLongestFault.count()));
    return std::chrono::milliseconds(qRound64(seconds * 1000));
}

std::pair<std::string, std::chrono::milliseconds> dataRefusal(const QString &value)
{
    const qsizetype colon = value.lastIndexOf(u':');
    if (colon < 1)
        usageError(u"--refuse-data expects ACT:SECONDS, got \"%1\""_s.arg(value));
    return {value.left(colon).toStdString(), faultSeconds(value.mid(colon + 1), u"refuse-data"_s)};
}

Options parseOptions(int argc, char **argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));

    QCommandLineParser parser;
    parser.setApplicationDescription(u"Stand-in catalogue service on 127.0.0.1."_s);
    const QCommandLineOption help({u"h"_s, u"help"_s}, u"Show this help."_s);
    const auto valued = [](const char *name, const char *description, const char *valueName) {
        return QCommandLineOption(QString::fromLatin1(name), QString::fromLatin1(description),
                                  QString::fromLatin1(valueName));
    };
    parser.addOptions({
        help,
        valued("port", "Port to listen on; 0 picks a free one.", "N"),
        valued("songs", "Songs in the generated catalogue (default 205).", "N"),
        valued("per-page", "Songs per list page (default 20).", "N"),
        valued("media-seconds", "Length of each media file in seconds (default 4).", "S"),
        valued("catalogue", "JSON catalogue; see cataloguefile.h for its format.", "FILE"),
        valued("log",
               "Append every request target to FILE, with the method of one that is not a GET "
               "and any Range header.",
               "FILE"),
        valued("delay-page", "Answer list page N after MS milliseconds.", "N:MS"),
        valued("hang-page", "Never answer list page N.", "N"),
        valued("cut-page", "Drop the connection halfway through list page N.", "N"),
        valued("status-page", "Answer list page N with an error page and status CODE.", "N:CODE"),
        valued("empty-page", "Answer list page N with an empty body.", "N"),
        valued("endless-page", "Answer list page N with a body that never ends.", "N"),
        valued("drip-page", "Send list page N one byte at a time, every MS (default 2000).",
               "N[:MS]"),
        valued("cut-media", "Drop the connection after N bytes of every media answer.", "N"),
        valued("media-rate", "Send every media answer at N bytes per second.", "N"),
        valued("outage",
               "AT seconds after the port is printed, stop listening for SECONDS and cut every "
               "open connection, then listen again on the same port; repeatable.",
               "AT:SECONDS"),
        valued("refuse-first",
               "From the first request on, for SECONDS, cut every connection before any byte "
               "of an answer.",
               "SECONDS"),
        valued("refuse-data",
               "From the first data request with act=ACT on, for SECONDS, cut every data "
               "request before any byte of an answer; other requests are answered.",
               "ACT:SECONDS"),
        valued("total-text", "Write TEXT as the total-pages value of every list page.", "TEXT"),
        QCommandLineOption(u"no-compression"_s,
                           u"Send data answers uncompressed even when the client "
                           "accepts gzip or brotli."_s),
    });
    if (!parser.parse(arguments))
        usageError(parser.errorText());
    if (parser.isSet(help)) {
        // Without an application object the parser cannot know the program's name
        std::cout << parser.helpText()
                         .replace(u"<executable_name>"_s, u"catalogue-service"_s)
                         .toStdString();
        std::exit(0);
    }
    if (!parser.positionalArguments().isEmpty())
        usageError(u"unexpected argument \"%1\""_s.arg(parser.positionalArguments().first()));

    Options options;
    if (parser.isSet(u"port"_s))
        options.port = quint16(numberOption(parser, u"port"_s, 0, 65535));
    if (parser.isSet(u"songs"_s))
        options.songs = numberOption(parser, u"songs"_s, 0, 10'000'000);
    if (parser.isSet(u"per-page"_s)) {
        options.perPage = numberOption(parser, u"per-page"_s, 1, 1'000'000);
        options.perPageGiven = true;
    }
    if (parser.isSet(u"media-seconds"_s)) {
        bool ok = false;
        options.mediaSeconds = parser.value(u"media-seconds"_s).toDouble(&ok);
        if (!ok || options.mediaSeconds <= 0 || options.mediaSeconds > 600)
            usageError(u"--media-seconds expects a number of seconds up to 600"_s);
    }
    options.catalogueFile = parser.value(u"catalogue"_s);
    options.logFile = parser.value(u"log"_s);
    if (parser.isSet(u"total-text"_s))
        options.totalText = parser.value(u"total-text"_s).toUtf8();
    options.compress = !parser.isSet(u"no-compression"_s);

    const std::pair<const char *, FaultRules::Rule (*)(const QString &)> switches[] = {
        {"delay-page", &FaultRules::delayedPage}, {"hang-page", &FaultRules::hangingPage},
        {"cut-page", &FaultRules::cutPage},       {"status-page", &FaultRules::statusPage},
        {"empty-page", &FaultRules::emptyPage},   {"endless-page", &FaultRules::endlessPage},
        {"drip-page", &FaultRules::drippingPage}, {"cut-media", &FaultRules::cutMedia},
        {"media-rate", &FaultRules::pacedMedia},
    };
    for (const auto &[name, makeRule] : switches) {
        for (const QString &value : parser.values(QString::fromLatin1(name))) {
            try {
                options.faults.append(makeRule(value));
            } catch (const std::runtime_error &error) {
                usageError(
                    u"--%1: %2"_s.arg(QString::fromLatin1(name), QString::fromUtf8(error.what())));
            }
        }
    }
    try {
        for (const QString &value : parser.values(u"outage"_s))
            options.outages.add(value);
    } catch (const std::runtime_error &error) {
        usageError(u"--outage: %1"_s.arg(QString::fromUtf8(error.what())));
    }
    if (parser.isSet(u"refuse-first"_s))
        options.refusal = faultSeconds(parser.value(u"refuse-first"_s), u"refuse-first"_s);
    if (parser.isSet(u"refuse-data"_s))
        options.dataRefusal = dataRefusal(parser.value(u"refuse-data"_s));
    return options;
}

} // namespace

int main(int argc, char **argv)
{
    // Termination signals are taken by one waiting thread, which can stop the server safely;
    // they are blocked before any other thread exists so that every thread inherits the mask.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    Options options = parseOptions(argc, argv);

    std::optional<CatalogueFile> file;
    if (!options.catalogueFile.isEmpty()) {
        try {
            file = CatalogueFile::read(options.catalogueFile, WavSynth::kMelodyCount);
        } catch (const std::runtime_error &error) {
            usageError(QString::fromUtf8(error.what()));
        }
        for (const FaultRules::Rule &rule : file->overrides)
            options.faults.append(rule);
    }

    QList<Song> songs = file && file->songs
        ? *file->songs
        : Catalogue::demoSongs(options.songs, WavSynth::kMelodyCount);
    const int perPage
        = file && file->perPage && !options.perPageGiven ? *file->perPage : options.perPage;
    QStringList background
        = file && file->background ? *file->background : Catalogue::demoBackground(songs);
    const Catalogue catalogue(std::move(songs), perPage, std::move(background));
    const PageWriter pages(catalogue, options.totalText);
    const WavSynth synth(options.mediaSeconds);

    RequestLog log(options.logFile);
    if (!options.logFile.isEmpty() && !log.isOpen())
        usageError(u"%1: %2"_s.arg(options.logFile, log.errorString()));

    CatalogueServer server(catalogue, pages, synth, options.faults, log);
    server.setCompression(options.compress);
    server.setOutages(options.outages);
    if (options.refusal)
        server.setRefusal(*options.refusal);
    if (options.dataRefusal)
        server.setDataRefusal(options.dataRefusal->first, options.dataRefusal->second);
    int port = 0;
    try {
        port = server.bind(options.port);
    } catch (const std::runtime_error &error) {
        std::cerr << "catalogue-service: " << error.what() << '\n';
        return 1;
    }
    std::printf("catalogue-service listening on http://127.0.0.1:%d\n", port);
    std::fflush(stdout);

    std::atomic_bool signalled = false;
    std::promise<void> servingEnded;
    std::thread signalWaiter([&, ended = servingEnded.get_future()] {
        int received = 0;
        sigwait(&stopSignals, &received);
        signalled = true;
        server.stop();
        // An idle keep-alive connection holds its worker until the library's keep-alive
        // timeout, seconds away; a stopping service has nothing left to wait for.
        if (ended.wait_for(kShutdownGrace) == std::future_status::timeout)
            std::_Exit(0);
    });

    const bool served = server.run();
    servingEnded.set_value();
    if (!signalled)
        pthread_kill(signalWaiter.native_handle(), SIGTERM);
    signalWaiter.join();
    return served ? 0 : 1;
}
