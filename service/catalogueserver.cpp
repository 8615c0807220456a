#include "catalogueserver.h"

#include "catalogue.h"
#include "connectioncutter.h"
#include "pagewriter.h"
#include "requestlog.h"
#include "requesttarget.h"
#include "textdecoding.h"
#include "wavsynth.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <thread>

namespace {

// Delayed and hanging requests each hold a worker, and so does every idle keep-alive
// connection; the library's default of a handful of threads would let a few of those stall
// the whole service.
constexpr size_t kWorkerThreads = 64;
constexpr size_t kRequestsPerConnection = 100000;

constexpr const char *kStoppingText = "服务正在停止";

// A paced answer goes out in slices this far apart
constexpr std::chrono::milliseconds kPaceTick {50};

} // namespace

CatalogueServer::CatalogueServer(const Catalogue &catalogue, const PageWriter &pages,
                                 const WavSynth &synth, const FaultRules &faults, RequestLog &log)
    : m_catalogue(catalogue), m_pages(pages), m_synth(synth), m_faults(faults), m_log(log)
{
    // The library owns and deletes the queue it gets from this factory.
    m_server.new_task_queue = [] { return new httplib::ThreadPool(kWorkerThreads); };
    m_server.set_keep_alive_max_count(kRequestsPerConnection);
    m_server.set_pre_routing_handler([this](const httplib::Request &request, httplib::Response &) {
        m_log.append(request.target, request.method, request.get_header_value("Range"));
        if (!refuses(request))
            return httplib::Server::HandlerResponse::Unhandled;
        // Cut before the library writes anything: the client receives not one byte.
        ConnectionCutter::cut(quint16(request.local_port), quint16(request.remote_port));
        return httplib::Server::HandlerResponse::Handled;
    });
    m_server.Get("/data/", [this](const httplib::Request &request, httplib::Response &response) {
        answerData(request, response);
    });
    m_server.Get(R"(/music/[\s\S]*)",
                 [this](const httplib::Request &request, httplib::Response &response) {
                     answerMedia(request, response);
                 });
    m_server.Get(R"([\s\S]*)", [](const httplib::Request &, httplib::Response &response) {
        const Answer answer = notFound();
        // Left unset for a regular answer, so that the library answers a Range request with 206.
        if (answer.status != 200)
            response.status = answer.status;
        response.set_content(answer.body, answer.contentType);
    });
}

int CatalogueServer::bind(quint16 port)
{
    m_listener.bind(port);
    m_down = m_outages.startsDown();
    // Listening before the port is printed: a client that connects at once waits in the backlog
    if (!m_down)
        m_listener.listen();
    return m_listener.port();
}

bool CatalogueServer::run()
{
    std::thread outages([this] { followOutages(); });
    bool served = true;
    try {
        while (served && awaitService())
            served = m_server.serve();
    } catch (const std::runtime_error &error) {
        std::fprintf(stderr, "catalogue-service: %s\n", error.what());
        served = false;
    }
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_all();
    outages.join();
    return served;
}

void CatalogueServer::stop()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
        m_server.release();
        m_listener.pause();
    }
    m_changed.notify_all();
    m_latch.release();
}

bool CatalogueServer::refuses(const httplib::Request &request)
{
    if (!m_refusal)
        return false;
    const bool everything = m_refusal->act.empty();
    if (!everything && !request.path.starts_with("/data/"))
        return false;
    const auto now = std::chrono::steady_clock::now();
    const std::lock_guard lock(m_refusalMutex);
    if (!m_refusalEnd && (everything || request.get_param_value("act") == m_refusal->act))
        m_refusalEnd = now + m_refusal->duration;
    return m_refusalEnd && now < *m_refusalEnd;
}

bool CatalogueServer::awaitService()
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_stopping || !m_down; });
    if (m_stopping)
        return false;
    m_listener.listen();
    m_server.take(m_listener.descriptor());
    return true;
}

void CatalogueServer::followOutages()
{
    const auto start = std::chrono::steady_clock::now();
    const QList<OutageSchedule::Window> windows = m_outages.windows();
    for (const OutageSchedule::Window &window : windows) {
        if (!sleepUntil(start + window.begin))
            return;
        beginOutage();
        if (!sleepUntil(start + window.end))
            return;
        endOutage();
    }
}

bool CatalogueServer::sleepUntil(std::chrono::steady_clock::time_point when)
{
    std::unique_lock lock(m_mutex);
    return !m_changed.wait_until(lock, when, [this] { return m_stopping; });
}

void CatalogueServer::beginOutage()
{
    {
        const std::lock_guard lock(m_mutex);
        m_down = true;
        m_server.release();
        m_listener.pause();
    }
    // The connections go before the stalled handlers wake, which would otherwise still answer
    // on them.
    ConnectionCutter::cutAll(m_listener.port());
    m_latch.setOutage(true);
}

void CatalogueServer::endOutage()
{
    m_latch.setOutage(false);
    {
        const std::lock_guard lock(m_mutex);
        m_down = false;
    }
    m_changed.notify_all();
}

CatalogueServer::Answer CatalogueServer::notFound()
{
    return {404, "404 未找到", "text/plain; charset=utf-8"};
}

void CatalogueServer::answerData(const httplib::Request &request, httplib::Response &response)
{
    const RequestTarget target(request.target);
    FaultRules::Request facts;
    facts.act = target.queryValue("act").value_or(QByteArray());

    Answer answer;
    if (facts.act == "getmusiclist") {
        answer = listAnswer(target, facts);
    } else if (facts.act == "getonemusic") {
        answer = songAddressAnswer(target, facts);
    } else if (facts.act == "getbglist") {
        answer.body = m_pages.backgroundList();
    } else {
        answer = notFound();
    }
    deliver(std::move(answer), m_faults.planFor(facts), response);
}

CatalogueServer::Answer CatalogueServer::listAnswer(const RequestTarget &target,
                                                    FaultRules::Request &facts) const
{
    int page = 1;
    if (const auto pageText = target.queryValue("page")) {
        bool ok = false;
        page = pageText->toInt(&ok);
        if (!ok || page < 1)
            return notFound();
    }
    facts.page = page;

    Answer answer;
    if (const auto keyword = target.queryValue("searchkey")) {
        facts.keyword = decodeKeyword(*keyword);
        answer.body = m_pages.searchPage(*facts.keyword, page);
    } else {
        answer.body = m_pages.listPage(page);
    }
    return answer;
}

CatalogueServer::Answer CatalogueServer::songAddressAnswer(const RequestTarget &target,
                                                           FaultRules::Request &facts) const
{
    // The client sends the identifier as its list row holds it, with trailing blanks.
    facts.id = QString::fromUtf8(target.queryValue("id").value_or(QByteArray())).trimmed();
    const Song *song = m_catalogue.songById(facts.id);
    if (!song)
        return {404, std::string(), "text/plain; charset=utf-8"};
    return {200, song->path.toStdString(), "text/plain; charset=utf-8"};
}

void CatalogueServer::answerMedia(const httplib::Request &request, httplib::Response &response)
{
    // Encoded links arrive as GBK escapes, raw links as UTF-8 escapes; try UTF-8 first, and
    // GBK for anything that is not valid UTF-8 or names no song that way.
    const QByteArray path = RequestTarget(request.target).path();
    const Song *song = nullptr;
    if (const auto utf8 = decodeUtf8(path))
        song = m_catalogue.songByPath(*utf8);
    if (!song) {
        if (const auto gbk = decodeGbk(path))
            song = m_catalogue.songByPath(*gbk);
    }

    FaultRules::Request facts;
    facts.act = "media";
    if (song)
        facts.id = song->id;

    Answer answer;
    if (!song || song->media == MediaCondition::Missing) {
        answer = notFound();
    } else if (song->media == MediaCondition::NotAudio) {
        answer.body = "<html><body><h1>文件暂时无法下载</h1></body></html>";
    } else {
        const auto wav = m_synth.melody(song->melody);
        answer.contentType = "audio/wav";
        answer.body = *wav;
        if (song->media == MediaCondition::Truncated) {
            // The header still announces every sample; the data stops a third of the way in.
            const size_t dataSize = wav->size() - WavSynth::kHeaderSize;
            answer.body.resize(WavSynth::kHeaderSize + (dataSize / 3 & ~size_t(1)));
        }
        response.set_header("Accept-Ranges", "bytes");
    }
    deliver(std::move(answer), m_faults.planFor(facts), response);
}

void CatalogueServer::deliver(Answer answer, const FaultRules::Plan &plan,
                              httplib::Response &response)
{
    if (plan.delayMs > 0 && !m_latch.sleepFor(std::chrono::milliseconds(plan.delayMs))) {
        response.status = 503;
        response.set_content(kStoppingText, "text/plain; charset=utf-8");
        return;
    }
    if (plan.hang) {
        m_latch.waitForRelease();
        response.status = 503;
        response.set_content(kStoppingText, "text/plain; charset=utf-8");
        return;
    }

    if (plan.status)
        answer.status = *plan.status;
    if (plan.body) {
        answer.body = plan.body->toStdString();
        answer.contentType = plan.contentType.toStdString();
    }
    // Left unset for a regular answer, so that the library answers a Range request with 206.
    if (answer.status != 200)
        response.status = answer.status;

    if (plan.endless) {
        sendEndlessly(std::move(answer), response);
        return;
    }
    if (plan.dripMs > 0) {
        drip(std::move(answer), std::chrono::milliseconds(plan.dripMs), response);
        return;
    }
    if (plan.cut) {
        // Returning false from the provider makes the library drop the connection after the
        // first half, with the full Content-Length already sent.
        const size_t length = answer.body.size();
        const size_t half = length / 2;
        response.set_content_provider(
            length, answer.contentType,
            [body = std::move(answer.body), half](size_t offset, size_t, httplib::DataSink &sink) {
                if (offset < half)
                    sink.write(body.data() + offset, half - offset);
                return false;
            });
        return;
    }
    if (plan.cutAfterBytes || plan.bytesPerSecond > 0) {
        sendMetered(std::move(answer), plan, response);
        return;
    }
    if (!m_compress && !answer.body.empty()) {
        // The library compresses a body it holds, but never one it is given by length
        const size_t length = answer.body.size();
        response.set_content_provider(
            length, answer.contentType,
            [body = std::move(answer.body)](size_t offset, size_t, httplib::DataSink &sink) {
                return sink.write(body.data() + offset, body.size() - offset);
            });
        return;
    }
    response.set_content(answer.body, answer.contentType);
}

void CatalogueServer::sendMetered(Answer answer, const FaultRules::Plan &plan,
                                  httplib::Response &response)
{
    // The full length is announced. A cut answer breaks off `limit` bytes in; the provider is
    // called with the offset of the requested range, so a resumed request is cut the same
    // number of bytes after where it starts. A paced one goes out a slice per tick.
    const size_t length = answer.body.size();
    const size_t limit = plan.cutAfterBytes ? size_t(*plan.cutAfterBytes) : length;
    const auto slice = std::max<size_t>(1, size_t(plan.bytesPerSecond) * kPaceTick.count() / 1000);
    const bool paced = plan.bytesPerSecond > 0;
    response.set_content_provider(
        length, answer.contentType,
        [this, body = std::move(answer.body), limit, slice, paced, start = std::optional<size_t>()](
            size_t offset, size_t remaining, httplib::DataSink &sink) mutable {
            if (!start)
                start = offset;
            const size_t sent = offset - *start;
            if (sent >= limit || (paced && !m_latch.sleepFor(kPaceTick)))
                return false;
            const size_t most = paced ? slice : limit - sent;
            return sink.write(body.data() + offset, std::min({remaining, limit - sent, most}));
        });
}

void CatalogueServer::sendEndlessly(Answer answer, httplib::Response &response)
{
    // Chunked, with no length announced: the answer's own start, then lines of filler that
    // never end, until the client gives up or the service stops. Not a text type, so that the
    // library does not compress it into something small.
    response.set_chunked_content_provider(
        "application/octet-stream",
        [this, body = std::move(answer.body)](size_t offset, httplib::DataSink &sink) {
            static const std::string filler = std::string(64 * 1024 - 1, 'x') + '\n';
            if (m_latch.interrupted())
                return false;
            return offset == 0 ? sink.write(body.data(), body.size())
                               : sink.write(filler.data(), filler.size());
        });
}

void CatalogueServer::drip(Answer answer, std::chrono::milliseconds interval,
                           httplib::Response &response)
{
    // The whole length is announced, then one byte goes out per interval: never silent long
    // enough for an inactivity timeout, never done either
    const size_t length = answer.body.size();
    response.set_content_provider(length, answer.contentType,
                                  [this, interval, body = std::move(answer.body)](
                                      size_t offset, size_t, httplib::DataSink &sink) {
                                      if (!m_latch.sleepFor(interval))
                                          return false;
                                      return sink.write(body.data() + offset, 1);
                                  });
}
