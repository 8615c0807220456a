#include "downloadtransfer.h"

#include "common/logging.h"
#include "net/failurekind.h"
#include "net/replyrelease.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

using namespace Qt::StringLiterals;

namespace {

// What an answer says of itself, for judgeAnswer()
AnswerHeaders headersOf(const QNetworkReply &reply)
{
    AnswerHeaders answer;
    answer.status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    answer.contentRange = reply.rawHeader("Content-Range");
    answer.etag = reply.rawHeader("ETag");
    answer.lastModified = reply.rawHeader("Last-Modified");
    const QVariant length = reply.header(QNetworkRequest::ContentLengthHeader);
    answer.contentLength = length.isValid() ? length.toLongLong() : -1;
    return answer;
}

// Whether a network failure (never an error status, nor an answer refused for what it is: those
// fail before) lost the service rather than got an answer: no byte of an answer came, as
// failureKindOf() tells; or the connection was cut, or fell silent until the timeout, in the
// middle of the body, as when the service or the network goes away while it sends. Going on
// with a range later may then complete the file; whether the service answers again is for the
// prober to find out, and an answer cut on purpose is tried only a few times.
bool lostTheService(const QNetworkReply &reply, bool bodyArrived)
{
    switch (reply.error()) {
    case QNetworkReply::RemoteHostClosedError:
        return true;
    case QNetworkReply::OperationCanceledError:
    case QNetworkReply::TimeoutError:
        return bodyArrived || failureKindOf(reply) == FailureKind::Unreachable;
    default:
        return failureKindOf(reply) == FailureKind::Unreachable;
    }
}

} // namespace

QString DownloadTransfer::cancelledReason()
{
    return u"已取消"_s;
}

DownloadTransfer::DownloadTransfer(const QUrl &url, const QString &path, QObject *parent)
    : QObject(parent), m_url(url), m_path(path), m_part(path)
{
}

DownloadTransfer::~DownloadTransfer()
{
    // Silence the reply first, so that none of our slots runs on a half-destroyed object.
    dropReply();
    // Destroyed while it runs, as when the program closes: a break like any other, so the data
    // that arrived stays for a later resume.
    if (!m_done && m_part.isOpen())
        m_part.close(m_part.size() == 0);
}

bool DownloadTransfer::start(QNetworkAccessManager &network,
                             std::chrono::milliseconds transferTimeout, bool resume)
{
    if (!m_part.open()) {
        m_reason = m_part.reason();
        m_done = true;
        return false;
    }
    m_network = &network;
    m_timeout = transferTimeout;
    // Data kept for a fresh start goes only once an answer that replaces it has come
    m_offset = resume ? m_part.size() : 0;
    send();
    return true;
}

void DownloadTransfer::send()
{
    dropReply();
    m_verdict.reset();
    m_answerEnd = -1;
    m_bodyArrived = false;
    QNetworkRequest request(m_url);
    request.setTransferTimeout(int(m_timeout.count()));
    // Byte ranges count the bytes as stored: no compression may come in between.
    request.setRawHeader("Accept-Encoding", "identity");
    m_rangeAsked = m_offset > 0;
    if (m_rangeAsked) {
        request.setRawHeader("Range", "bytes=" + QByteArray::number(m_offset) + '-');
        // A file that changed since is sent whole instead
        if (!m_validator.isEmpty())
            request.setRawHeader("If-Range", m_validator);
    }
    m_reply = m_network->get(request);
    connect(m_reply, &QNetworkReply::readyRead, this, &DownloadTransfer::receive);
    connect(m_reply, &QNetworkReply::downloadProgress, this, &DownloadTransfer::reportProgress);
    connect(m_reply, &QNetworkReply::finished, this, &DownloadTransfer::conclude);
}

void DownloadTransfer::dropReply()
{
    releaseReply(m_reply, this);
}

void DownloadTransfer::cancel()
{
    if (m_done || !m_reply)
        return;
    m_cancelled = true;
    m_reply->abort(); // finishes the reply, which concludes the transfer
}

void DownloadTransfer::fail(const QString &reason)
{
    if (m_reason.isEmpty())
        m_reason = reason;
    m_reply->abort();
}

void DownloadTransfer::receive()
{
    if (!m_verdict) {
        m_verdict = judgeReply();
        if (*m_verdict != Verdict::Take) {
            // Its body is not the file's: no need to wait for the rest of it
            if (m_reply->error() == QNetworkReply::NoError)
                m_reply->abort();
            return;
        }
    }
    if (*m_verdict != Verdict::Take)
        return;
    const QByteArray data = m_reply->readAll();
    if (!m_part.append(data)) {
        // The disk may be full: what was written so far stays for "继续"
        fail(m_part.reason());
        return;
    }
    m_bodyArrived = m_bodyArrived || !data.isEmpty();
}

// Judges the answer by its status and headers, once, before any of its body is kept
DownloadTransfer::Verdict DownloadTransfer::judgeReply()
{
    const AnswerVerdict verdict
        = judgeAnswer({m_rangeAsked ? m_offset : 0, m_validator}, headersOf(*m_reply));
    switch (verdict.cause) {
    case AnswerVerdict::Cause::RangeNotSent:
        qCInfo(lcDownloads) << "The server cannot send" << m_url << "from byte" << m_offset
                            << "- starting over";
        break;
    case AnswerVerdict::Cause::FileChanged:
        qCInfo(lcDownloads) << m_url << "changed since the data kept arrived - starting over";
        break;
    case AnswerVerdict::Cause::None:
        break;
    }
    if (verdict.action == Verdict::Refuse)
        m_reason = verdict.reason;
    if (verdict.action == Verdict::Take && !accept(verdict))
        return Verdict::Refuse;
    return verdict.action;
}

// Makes room for an answer that was judged fit: a whole file replaces the data kept
bool DownloadTransfer::accept(const AnswerVerdict &verdict)
{
    m_offset = verdict.offset;
    m_answerEnd = verdict.end;
    m_total = verdict.total;
    if (verdict.validatorChanged) {
        m_validator = verdict.validator;
        emit validatorChanged(m_validator);
    }
    if (m_part.truncate(m_offset))
        return true;
    m_reason = m_part.reason();
    return false;
}

void DownloadTransfer::reportProgress(qint64 received, qint64 total)
{
    if (m_verdict != Verdict::Take)
        return;
    const qint64 whole = m_total >= 0 ? m_total : (total < 0 ? -1 : m_offset + total);
    emit progress(m_offset + received, whole);
}

void DownloadTransfer::conclude()
{
    if (m_done)
        return;
    // An answer without a body has not been judged yet.
    if (!m_verdict && !m_cancelled && m_reason.isEmpty()
        && m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() > 0)
        m_verdict = judgeReply();
    if (!concludeAnswer(m_verdict.value_or(Verdict::Refuse)))
        return; // another request concludes the transfer
    m_done = true;

    const Outcome outcome = judge();
    // Only data worth going on from stays
    if (outcome != Outcome::Completed)
        m_part.close(m_cancelled || m_part.size() == 0);
    dropReply();
    emit finished(outcome, m_reason);
}

// False when the transfer goes on with another request: from the start, or for the next slice
bool DownloadTransfer::concludeAnswer(Verdict verdict)
{
    if (verdict == Verdict::StartOver && !m_cancelled && m_reason.isEmpty()) {
        m_offset = 0;
        send();
        return false;
    }
    if (verdict != Verdict::Take || m_cancelled || !m_reason.isEmpty()
        || m_reply->error() != QNetworkReply::NoError)
        return true;
    receive(); // anything still buffered
    const qint64 size = m_part.size();
    // A slice that arrived whole and ends before the file does: ask for the rest
    const bool sliceDone = m_rangeAsked && m_answerEnd >= 0 && size == m_answerEnd;
    if (m_reason.isEmpty() && sliceDone && (m_total < 0 || size < m_total)) {
        m_offset = size;
        send();
        return false;
    }
    return true;
}

DownloadTransfer::Outcome DownloadTransfer::judge()
{
    if (!m_reason.isEmpty())
        return Outcome::Failed; // already failed while receiving, or refused
    if (m_cancelled) {
        m_reason = cancelledReason();
        return Outcome::Cancelled;
    }
    if (m_verdict == Verdict::Complete)
        return placeFile() ? Outcome::Completed : Outcome::Failed;
    m_lostService = lostTheService(*m_reply, m_bodyArrived);
    switch (m_reply->error()) {
    case QNetworkReply::NoError:
        break;
    case QNetworkReply::OperationCanceledError:
    case QNetworkReply::TimeoutError:
        // Only the transfer timeout aborts a reply without us asking.
        m_reason = u"传输超时"_s;
        return Outcome::Failed;
    default:
        m_reason = u"网络错误：%1"_s.arg(m_reply->errorString());
        return Outcome::Failed;
    }
    // Qt now and then ends a reply whose connection broke as if it were complete.
    const qint64 size = m_part.size();
    if (m_answerEnd >= 0 && size != m_answerEnd) {
        m_lostService = true;
        m_reason = u"网络错误：连接中断，只收到 %1 / %2 字节"_s.arg(size).arg(
            m_total >= 0 ? m_total : m_answerEnd);
        return Outcome::Failed;
    }
    return placeFile() ? Outcome::Completed : Outcome::Failed;
}

bool DownloadTransfer::placeFile()
{
    if (m_part.place())
        return true;
    m_reason = m_part.reason();
    return false;
}
