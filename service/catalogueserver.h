#pragma once

#include "faultrules.h"
#include "shutdownlatch.h"

#include <QtGlobal>
#include <chrono>
#include <httplib.h>
#include <string>

class Catalogue;
class PageWriter;
class RequestLog;
class RequestTarget;
class WavSynth;

// The HTTP side: routes /data/ queries and /music/ files to the catalogue, applies the fault
// rules, and logs every request target on arrival.
class CatalogueServer {
public:
    CatalogueServer(const Catalogue &catalogue, const PageWriter &pages, const WavSynth &synth,
                    const FaultRules &faults, RequestLog &log);

    // Data answers are compressed when the client accepts it, as a web server would; off, they
    // go out as they are, so that a client's own costs are not hidden behind the compression.
    void setCompression(bool on) { m_compress = on; }

    // Binds 127.0.0.1; port 0 picks a free one. Returns the port, or -1.
    int bind(quint16 port);
    // Serves until stop(); returns false when serving could not start.
    bool run();
    // Safe from any thread; also releases requests held by delays and hangs.
    void stop();

private:
    struct Answer {
        int status = 200;
        std::string body;
        std::string contentType = "text/html; charset=utf-8";
    };

    void answerData(const httplib::Request &request, httplib::Response &response);
    void answerMedia(const httplib::Request &request, httplib::Response &response);
    Answer listAnswer(const RequestTarget &target, FaultRules::Request &facts) const;
    Answer songAddressAnswer(const RequestTarget &target, FaultRules::Request &facts) const;
    void deliver(Answer answer, const FaultRules::Plan &plan, httplib::Response &response);
    static void sendCut(Answer answer, size_t limit, httplib::Response &response);
    void sendEndlessly(Answer answer, httplib::Response &response);
    void drip(Answer answer, std::chrono::milliseconds interval, httplib::Response &response);

    static Answer notFound();

    const Catalogue &m_catalogue;
    const PageWriter &m_pages;
    const WavSynth &m_synth;
    const FaultRules &m_faults;
    RequestLog &m_log;
    ShutdownLatch m_latch;
    bool m_compress = true;
    httplib::Server m_server;
};
