#include "downloadtransfer.h"

#include "downloadfilename.h"

#include "common/logging.h"
#include "net/failurekind.h"
#include "net/replyrelease.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QRegularExpression>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <system_error>

using namespace Qt::StringLiterals;

namespace {

// The partial file is never followed through a link, and a pipe put in its place must not hold
// the window up while it waits for a reader
constexpr int kOpenFlags = O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
constexpr mode_t kNewFileMode = 0666; // less the umask

// "Content-Range: bytes FIRST-LAST/TOTAL", or "bytes */TOTAL" in a 416; -1 for a part not given
struct ContentRange {
    qint64 first = -1;
    qint64 last = -1;
    qint64 total = -1;
};

std::optional<ContentRange> contentRange(const QByteArray &header)
{
    static const QRegularExpression form(
        uR"(^bytes\s+(?:(\d{1,18})-(\d{1,18})|\*)/(?:(\d{1,18})|\*)$)"_s);
    const QRegularExpressionMatch match = form.match(QString::fromLatin1(header.trimmed()));
    if (!match.hasMatch())
        return std::nullopt;
    ContentRange range;
    if (match.hasCaptured(1)) {
        range.first = match.captured(1).toLongLong();
        range.last = match.captured(2).toLongLong();
    }
    if (match.hasCaptured(3))
        range.total = match.captured(3).toLongLong();
    return range;
}

// The version of the file that an answer names: a strong ETag, else its Last-Modified date.
// A weak ETag may not be used with If-Range.
QByteArray validatorOf(const QNetworkReply &reply)
{
    const QByteArray tag = reply.rawHeader("ETag").trimmed();
    if (!tag.isEmpty() && !tag.startsWith("W/"))
        return tag;
    return reply.rawHeader("Last-Modified").trimmed();
}

// The system's error in words the user reads; the system's own text for the rarer ones
QString systemError(int error)
{
    switch (error) {
    case ENOSPC:
    case EDQUOT:
        return u"磁盘已满"_s;
    case ELOOP:
        return u"那里是一个符号链接"_s;
    case EACCES:
    case EPERM:
        return u"没有权限"_s;
    case ENOENT:
        return u"文件夹不存在"_s;
    case EROFS:
        return u"文件系统是只读的"_s;
    default:
        return QString::fromStdString(std::generic_category().message(error));
    }
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
    : QObject(parent), m_url(url), m_path(path), m_partPath(partFilePath(path))
{
}

DownloadTransfer::~DownloadTransfer()
{
    // Silence the reply first, so that none of our slots runs on a half-destroyed object.
    dropReply();
    // Destroyed while it runs, as when the program closes: a break like any other, so the data
    // that arrived stays for a later resume.
    if (!m_done && m_part.isOpen()) {
        const bool empty = m_part.size() == 0;
        const bool ours = stillOurs();
        m_part.close();
        if (empty && ours)
            QFile::remove(m_partPath);
    }
}

bool DownloadTransfer::start(QNetworkAccessManager &network,
                             std::chrono::milliseconds transferTimeout, bool resume)
{
    if (!openPart()) {
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

bool DownloadTransfer::openPart()
{
    const QByteArray name = QFile::encodeName(m_partPath);
    int fd = ::open(name.constData(), kOpenFlags);
    if (fd < 0 && errno == ENOENT)
        fd = ::open(name.constData(), kOpenFlags | O_CREAT | O_EXCL, kNewFileMode);
    if (fd < 0) {
        m_reason = u"无法创建文件：%1"_s.arg(systemError(errno));
        return false;
    }
    struct stat info { };
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        m_reason = u"无法创建文件：那里不是普通文件"_s;
        return false;
    }
    m_device = info.st_dev;
    m_inode = info.st_ino;
    if (!m_part.open(fd, QIODevice::ReadWrite | QIODevice::Unbuffered,
                     QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        m_reason = u"无法创建文件：%1"_s.arg(m_part.errorString());
        return false;
    }
    return true;
}

bool DownloadTransfer::stillOurs() const
{
    struct stat open { };
    struct stat named { };
    return m_part.isOpen() && ::fstat(m_part.handle(), &open) == 0
        && ::lstat(QFile::encodeName(m_partPath).constData(), &named) == 0 && S_ISREG(named.st_mode)
        && named.st_dev == open.st_dev && named.st_ino == open.st_ino && open.st_dev == m_device
        && open.st_ino == m_inode;
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

int DownloadTransfer::httpStatus() const
{
    return m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
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
        m_verdict = judgeAnswer();
        if (*m_verdict == Verdict::Take && !accept())
            m_verdict = Verdict::Refuse;
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
    const char *bytes = data.constData();
    qint64 left = data.size();
    while (left > 0) {
        const ssize_t written = ::write(m_part.handle(), bytes, size_t(left));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            // The disk may be full: what was written so far stays for "继续"
            fail(u"写入文件失败：%1"_s.arg(systemError(written < 0 ? errno : ENOSPC)));
            return;
        }
        bytes += written;
        left -= written;
        m_bodyArrived = true;
    }
}

// Judges the answer by its status and headers, once, before any of its body is kept
DownloadTransfer::Verdict DownloadTransfer::judgeAnswer()
{
    const int status = httpStatus();
    if (status == 200)
        return Verdict::Take;
    if (status == 206)
        return judgeSlice();
    if (status == 416 && m_rangeAsked) {
        // Nothing from where the data ends: complete when the file ends there too
        const std::optional<ContentRange> range = contentRange(m_reply->rawHeader("Content-Range"));
        return range && range->total == m_offset ? Verdict::Complete : Verdict::StartOver;
    }
    // An error page is no download: never let its body reach the file.
    m_reason = status >= 400 ? u"服务器返回错误 %1"_s.arg(status)
                             : u"服务器的回答无法下载（状态 %1）"_s.arg(status);
    return Verdict::Refuse;
}

DownloadTransfer::Verdict DownloadTransfer::judgeSlice()
{
    if (!m_rangeAsked) {
        m_reason = u"服务器只发来文件的一部分，而没有请求部分"_s;
        return Verdict::Refuse;
    }
    const std::optional<ContentRange> range = contentRange(m_reply->rawHeader("Content-Range"));
    if (!range || range->first != m_offset || range->last < range->first
        || (range->total >= 0 && range->last >= range->total)) {
        qCInfo(lcDownloads) << "The server cannot send" << m_url << "from byte" << m_offset
                            << "- starting over";
        return Verdict::StartOver;
    }
    const QByteArray named = validatorOf(*m_reply);
    if (!named.isEmpty() && !m_validator.isEmpty() && named != m_validator) {
        qCInfo(lcDownloads) << m_url << "changed since the data kept arrived - starting over";
        return Verdict::StartOver;
    }
    m_answerEnd = range->last + 1;
    m_total = range->total;
    return Verdict::Take;
}

// Makes room for an answer that was judged fit: a whole file replaces the data kept
bool DownloadTransfer::accept()
{
    if (httpStatus() == 200) {
        m_offset = 0;
        const QVariant length = m_reply->header(QNetworkRequest::ContentLengthHeader);
        m_total = length.isValid() ? length.toLongLong() : -1;
        m_answerEnd = m_total;
    }
    const QByteArray named = validatorOf(*m_reply);
    if (named != m_validator && (httpStatus() == 200 || !named.isEmpty())) {
        m_validator = named;
        emit validatorChanged(named);
    }
    if (m_part.resize(m_offset) && m_part.seek(m_offset))
        return true;
    m_reason = u"写入文件失败：%1"_s.arg(m_part.errorString());
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
    if (!m_verdict && !m_cancelled && m_reason.isEmpty() && httpStatus() > 0) {
        m_verdict = judgeAnswer();
        if (*m_verdict == Verdict::Take && !accept())
            m_verdict = Verdict::Refuse;
    }
    if (!concludeAnswer(m_verdict.value_or(Verdict::Refuse)))
        return; // another request concludes the transfer
    m_done = true;

    const Outcome outcome = judge();
    if (outcome != Outcome::Completed)
        discardPart();
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

void DownloadTransfer::discardPart()
{
    // Only our own file goes, and only when it holds nothing worth going on from
    const bool ours = stillOurs();
    const bool worthless = m_cancelled || m_part.size() == 0;
    m_part.close();
    if (ours && worthless)
        QFile::remove(m_partPath);
}

bool DownloadTransfer::placeFile()
{
    if (!stillOurs()) {
        m_reason = u"保存文件失败：临时文件已被换掉"_s;
        return false;
    }
    m_part.close();
    // QFile::rename() never replaces a file, and the user may have chosen to replace one: the
    // system's rename does, in one step, so the target is never missing or half-written.
    std::error_code error;
    std::filesystem::rename(QFile::encodeName(m_partPath).toStdString(),
                            QFile::encodeName(m_path).toStdString(), error);
    if (error) {
        m_reason = u"保存文件失败：%1"_s.arg(systemError(error.value()));
        return false;
    }
    return true;
}
