#include "downloadtransfer.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

using namespace Qt::StringLiterals;

DownloadTransfer::DownloadTransfer(const QUrl &url, const QString &path, QObject *parent)
    : QObject(parent), m_url(url), m_path(path), m_file(path)
{
}

DownloadTransfer::~DownloadTransfer()
{
    // Silence the reply before aborting it, so that none of our slots runs on a half-destroyed
    // object. The save file is destroyed uncommitted, which removes its temporary file.
    if (m_reply) {
        disconnect(m_reply, nullptr, this, nullptr);
        m_reply->abort();
        m_reply->deleteLater();
    }
}

bool DownloadTransfer::start(QNetworkAccessManager &network,
                             std::chrono::milliseconds transferTimeout)
{
    if (!m_file.open(QIODevice::WriteOnly)) {
        m_reason = u"无法创建文件：%1"_s.arg(m_file.errorString());
        m_done = true;
        return false;
    }

    QNetworkRequest request(m_url);
    request.setTransferTimeout(int(transferTimeout.count()));
    m_reply = network.get(request);
    connect(m_reply, &QNetworkReply::readyRead, this, &DownloadTransfer::receive);
    connect(m_reply, &QNetworkReply::downloadProgress, this, &DownloadTransfer::progress);
    connect(m_reply, &QNetworkReply::finished, this, &DownloadTransfer::conclude);
    return true;
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
    // An error page is no download: never let its body reach the file.
    if (const int status = httpStatus(); status >= 400) {
        fail(u"服务器返回错误 %1"_s.arg(status));
        return;
    }
    const QByteArray data = m_reply->readAll();
    if (m_file.write(data) != data.size())
        fail(u"写入文件失败：%1"_s.arg(m_file.errorString()));
}

void DownloadTransfer::conclude()
{
    if (m_done)
        return;
    m_done = true;

    Outcome outcome = Outcome::Failed;
    const int status = httpStatus();
    if (!m_reason.isEmpty()) {
        // already failed while receiving
    } else if (m_cancelled) {
        outcome = Outcome::Cancelled;
        m_reason = u"已取消"_s;
    } else if (status >= 400) {
        m_reason = u"服务器返回错误 %1"_s.arg(status);
    } else if (m_reply->error() == QNetworkReply::OperationCanceledError
               || m_reply->error() == QNetworkReply::TimeoutError) {
        // Only the transfer timeout aborts a reply without us asking.
        m_reason = u"传输超时"_s;
    } else if (m_reply->error() != QNetworkReply::NoError) {
        m_reason = u"网络错误：%1"_s.arg(m_reply->errorString());
    } else {
        receive(); // anything still buffered
        if (!m_reason.isEmpty()) {
            // the last write failed
        } else if (m_file.commit()) {
            outcome = Outcome::Completed;
        } else {
            m_reason = u"保存文件失败：%1"_s.arg(m_file.errorString());
        }
    }

    if (outcome != Outcome::Completed) {
        // Marks the save file as failed; committing it then only removes the temporary file.
        m_file.cancelWriting();
        m_file.commit();
    }

    disconnect(m_reply, nullptr, this, nullptr);
    m_reply->deleteLater();
    m_reply = nullptr;
    emit finished(outcome, m_reason);
}
