#include "catalogueserver.h"

#include "catalogue.h"
#include "pagewriter.h"
#include "requestlog.h"
#include "requesttarget.h"
#include "textdecoding.h"
#include "wavsynth.h"

#include <algorithm>
#include <optional>

namespace {

// Delayed and hanging requests each hold a worker, and so does every idle keep-alive
// connection; the library's default of a handful of threads would let a few of those stall
// the whole service.
constexpr size_t kWorkerThreads = 64;
constexpr size_t kRequestsPerConnection = 100000;

constexpr const char *kStoppingText = "服务正在停止";

} // namespace

CatalogueServer::CatalogueServer(const Catalogue &catalogue, const PageWriter &pages,
                                 const WavSynth &synth, const FaultRules &faults, RequestLog &log)
    : m_catalogue(catalogue), m_pages(pages), m_synth(synth), m_faults(faults), m_log(log)
{
    // The library owns and deletes the queue it gets from this factory.
    m_server.new_task_queue = [] { return new httplib::ThreadPool(kWorkerThreads); };
    m_server.set_keep_alive_max_count(kRequestsPerConnection);
    // Headers and body go out in separate writes; with Nagle's algorithm the body would wait
    // for the client's delayed acknowledgement, some 40 ms per answer.
    m_server.set_tcp_nodelay(true);
    m_server.set_pre_routing_handler([this](const httplib::Request &request, httplib::Response &) {
        m_log.append(request.target);
        return httplib::Server::HandlerResponse::Unhandled;
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
    if (port == 0)
        return m_server.bind_to_any_port("127.0.0.1");
    return m_server.bind_to_port("127.0.0.1", port) ? port : -1;
}

bool CatalogueServer::run()
{
    return m_server.listen_after_bind();
}

void CatalogueServer::stop()
{
    m_latch.release();
    m_server.stop();
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
    if (plan.cutAfterBytes) {
        sendCut(std::move(answer), size_t(*plan.cutAfterBytes), response);
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

void CatalogueServer::sendCut(Answer answer, size_t limit, httplib::Response &response)
{
    // The full length is announced, and the connection dropped `limit` bytes in. The provider
    // is called with the offset of the requested range, so a resumed request is cut the same
    // number of bytes after where it starts.
    const size_t length = answer.body.size();
    response.set_content_provider(
        length, answer.contentType,
        [body = std::move(answer.body), limit, start = std::optional<size_t>()](
            size_t offset, size_t remaining, httplib::DataSink &sink) mutable {
            if (!start)
                start = offset;
            const size_t sent = offset - *start;
            if (sent >= limit)
                return false;
            return sink.write(body.data() + offset, std::min(remaining, limit - sent));
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
            if (m_latch.released())
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
