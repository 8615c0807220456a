#include "downloadtransfer.h"

#include "downloadfilename.h"

#include "common/logging.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QRegularExpression>

#include <filesystem>
#include <optional>
#include <system_error>

using namespace Qt::StringLiterals;

namespace {

// The first byte that a "Content-Range: bytes FIRST-LAST/LENGTH" header describes
std::optional<qint64> rangeStart(const QByteArray &header)
{
    static const QRegularExpression form(uR"(^bytes\s+(\d+)-\d+/(?:\d+|\*)$)"_s);
    const QRegularExpressionMatch match = form.match(QString::fromLatin1(header.trimmed()));
    if (!match.hasMatch())
        return std::nullopt;
    return match.captured(1).toLongLong();
}

} // namespace

DownloadTransfer::DownloadTransfer(const QUrl &url, const QString &path, QObject *parent)
    : QObject(parent), m_url(url), m_path(path), m_part(partFilePath(path))
{
}

DownloadTransfer::~DownloadTransfer()
{
    // Silence the reply first, so that none of our slots runs on a half-destroyed object.
    dropReply();
    // Destroyed while it runs, as when the program closes: a break like any other, so the data
    // that arrived stays for a later resume.
    if (!m_done && m_part.isOpen()) {
        m_part.close();
        if (m_part.size() == 0)
            m_part.remove();
    }
}

bool DownloadTransfer::start(QNetworkAccessManager &network,
                             std::chrono::milliseconds transferTimeout, bool resume)
{
    if (!m_part.open(resume ? QIODevice::Append : QIODevice::WriteOnly | QIODevice::Truncate)) {
        m_reason = u"无法创建文件：%1"_s.arg(m_part.errorString());
        m_done = true;
        return false;
    }
    m_network = &network;
    m_timeout = transferTimeout;
    m_offset = m_part.size();
    send();
    return true;
}

void DownloadTransfer::send()
{
    dropReply();
    m_answerChecked = false;
    QNetworkRequest request(m_url);
    request.setTransferTimeout(int(m_timeout.count()));
    // Byte ranges count the bytes as stored: no compression may come in between.
    request.setRawHeader("Accept-Encoding", "identity");
    if (m_offset > 0)
        request.setRawHeader("Range", "bytes=" + QByteArray::number(m_offset) + '-');
    m_reply = m_network->get(request);
    connect(m_reply, &QNetworkReply::readyRead, this, &DownloadTransfer::receive);
    connect(m_reply, &QNetworkReply::downloadProgress, this, &DownloadTransfer::reportProgress);
    connect(m_reply, &QNetworkReply::finished, this, &DownloadTransfer::conclude);
}

void DownloadTransfer::dropReply()
{
    if (!m_reply)
        return;
    disconnect(m_reply, nullptr, this, nullptr);
    m_reply->abort();
    m_reply->deleteLater();
    m_reply = nullptr;
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
    if (!m_answerChecked && !acceptAnswer())
        return;
    const QByteArray data = m_reply->readAll();
    if (m_part.write(data) != data.size())
        fail(u"写入文件失败：%1"_s.arg(m_part.errorString()));
}

// Judges the answer by its status and headers, once, before any of its body is kept. False
// when the body must not reach the file: the transfer failed, or it started over.
bool DownloadTransfer::acceptAnswer()
{
    m_answerChecked = true;
    const int status = httpStatus();
    if (m_offset > 0 && status == 200) {
        // The server sends the whole file instead of the rest: it replaces the partial data.
        qCInfo(lcDownloads) << "No resume offered for" << m_url << "- downloading it whole";
        m_offset = 0;
        if (m_part.resize(0))
            return true;
        fail(u"写入文件失败：%1"_s.arg(m_part.errorString()));
        return false;
    }
    // Another range, or none that the server can send (the file changed and is shorter now)
    const bool otherRange
        = status == 206 && rangeStart(m_reply->rawHeader("Content-Range")) != m_offset;
    if (m_offset > 0 && (otherRange || status == 416)) {
        startOver();
        return false;
    }
    if (status >= 400) {
        // An error page is no download: never let its body reach the file.
        fail(u"服务器返回错误 %1"_s.arg(status));
        return false;
    }
    const QVariant length = m_reply->header(QNetworkRequest::ContentLengthHeader);
    m_expectedSize = length.isValid() ? m_offset + length.toLongLong() : -1;
    return true;
}

void DownloadTransfer::startOver()
{
    qCInfo(lcDownloads) << "The server cannot send" << m_url << "from byte" << m_offset
                        << "- starting over";
    m_offset = 0;
    if (!m_part.resize(0)) {
        fail(u"写入文件失败：%1"_s.arg(m_part.errorString()));
        return;
    }
    send();
}

void DownloadTransfer::reportProgress(qint64 received, qint64 total)
{
    emit progress(m_offset + received, total < 0 ? -1 : m_offset + total);
}

void DownloadTransfer::conclude()
{
    if (m_done)
        return;
    // An answer without a body has not been judged yet.
    if (!m_answerChecked && httpStatus() > 0 && m_reason.isEmpty() && !m_cancelled) {
        if (!acceptAnswer() && m_reason.isEmpty())
            return; // started over: the new answer concludes the transfer
    }
    m_done = true;

    const Outcome outcome = judge();
    if (outcome != Outcome::Completed) {
        // A cancelled download is not wanted any more; an empty file would only be litter.
        m_part.close();
        if (outcome == Outcome::Cancelled || m_part.size() == 0)
            m_part.remove();
    }
    dropReply();
    emit finished(outcome, m_reason);
}

DownloadTransfer::Outcome DownloadTransfer::judge()
{
    if (!m_reason.isEmpty())
        return Outcome::Failed; // already failed while receiving
    if (m_cancelled) {
        m_reason = u"已取消"_s;
        return Outcome::Cancelled;
    }
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
    receive(); // anything still buffered
    if (!m_reason.isEmpty())
        return Outcome::Failed; // the last write failed
    // Qt now and then ends a reply whose connection broke as if it were complete.
    if (m_expectedSize >= 0 && m_part.size() != m_expectedSize) {
        m_reason
            = u"网络错误：连接中断，只收到 %1 / %2 字节"_s.arg(m_part.size()).arg(m_expectedSize);
        return Outcome::Failed;
    }
    return placeFile() ? Outcome::Completed : Outcome::Failed;
}

bool DownloadTransfer::placeFile()
{
    m_part.close();
    if (m_part.error() != QFileDevice::NoError) {
        m_reason = u"写入文件失败：%1"_s.arg(m_part.errorString());
        return false;
    }
    // QFile::rename() never replaces a file, and the user may have chosen to replace one: the
    // system's rename does, in one step, so the target is never missing or half-written.
    std::error_code error;
    std::filesystem::rename(QFile::encodeName(m_part.fileName()).toStdString(),
                            QFile::encodeName(m_path).toStdString(), error);
    if (error) {
        m_reason = u"保存文件失败：%1"_s.arg(QString::fromLocal8Bit(error.message()));
        return false;
    }
    return true;
}
