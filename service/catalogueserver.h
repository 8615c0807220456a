#pragma once

#include "faultrules.h"
#include "httpserver.h"
#include "listeningsocket.h"
#include "outageschedule.h"
#include "shutdownlatch.h"

#include <QtGlobal>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>

class Catalogue;
class PageWriter;
class RequestLog;
class RequestTarget;
class WavSynth;

// The HTTP side: routes /data/ queries and /music/ files to the catalogue, applies the fault
// rules, logs every request target on arrival, and goes away and comes back on its outages.
class CatalogueServer {
public:
    CatalogueServer(const Catalogue &catalogue, const PageWriter &pages, const WavSynth &synth,
                    const FaultRules &faults, RequestLog &log);

    // Data answers are compressed when the client accepts it, as a web server would; off, they
    // go out as they are, so that a client's own costs are not hidden behind the compression.
    void setCompression(bool on) { m_compress = on; }

    // Set before bind(); the windows count from run().
    void setOutages(const OutageSchedule &outages) { m_outages = outages; }
    // From the first request on, for this long, every connection is cut before any byte of an
    // answer, its request logged.
    void setRefusal(std::chrono::milliseconds duration) { m_refusal = Refusal {duration, {}}; }
    // From the first data request with this act on, for this long, every data request is cut so;
    // the rest (a probe of the site, the media) are answered.
    void setDataRefusal(const std::string &act, std::chrono::milliseconds duration)
    {
        m_refusal = Refusal {duration, act};
    }

    // Binds 127.0.0.1 and listens, unless an outage begins at once; port 0 picks a free one.
    // Returns the port. Throws std::runtime_error with a readable reason.
    int bind(quint16 port);
    // Serves until stop(), outages included; returns false when serving failed.
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
    void sendMetered(Answer answer, const FaultRules::Plan &plan, httplib::Response &response);
    void sendEndlessly(Answer answer, httplib::Response &response);
    void drip(Answer answer, std::chrono::milliseconds interval, httplib::Response &response);

    static Answer notFound();

    // What is cut before any byte of an answer
    struct Refusal {
        std::chrono::milliseconds duration;
        // Empty: every request, from the first on
        std::string act;
    };

    bool refuses(const httplib::Request &request);
    // Waits until no outage holds the service, and listens; false once stopping.
    bool awaitService();
    void followOutages();
    // Waits until `when` or stop(); false when stopping.
    bool sleepUntil(std::chrono::steady_clock::time_point when);
    void beginOutage();
    void endOutage();

    const Catalogue &m_catalogue;
    const PageWriter &m_pages;
    const WavSynth &m_synth;
    const FaultRules &m_faults;
    RequestLog &m_log;
    ShutdownLatch m_latch;
    bool m_compress = true;
    OutageSchedule m_outages;
    std::optional<Refusal> m_refusal;
    std::mutex m_refusalMutex;
    std::optional<std::chrono::steady_clock::time_point> m_refusalEnd;

    // Guards the serving state below and the hand-over of the socket to the server
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_stopping = false;
    bool m_down = false;
    ListeningSocket m_listener;
    HttpServer m_server;
};
