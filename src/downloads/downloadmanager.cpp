#include "downloadmanager.h"

#include "downloadfilename.h"
#include "downloaditemwidget.h"
#include "downloadtransfer.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QPointer>
#include <QStandardPaths>
#include <QUrl>

#include <algorithm>
#include <utility>

using namespace Qt::StringLiterals;

DownloadManager::DownloadManager(QObject *parent) : QObject(parent)
{
    // Event processing ends after this signal, so a transfer would never finish: drop it now.
    if (const QCoreApplication *app = QCoreApplication::instance())
        connect(app, &QCoreApplication::aboutToQuit, this, &DownloadManager::abortAll);
}

DownloadManager::~DownloadManager()
{
    abortAll();
}

void DownloadManager::abortAll()
{
    // Each transfer aborts its reply and discards its unfinished file as it is destroyed.
    const QList<DownloadTransfer *> running = std::exchange(m_running, {});
    qDeleteAll(running);
}

void DownloadManager::download(const QString &address)
{
    const QUrl url(address.trimmed());
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() || (scheme != u"http" && scheme != u"https")) {
        const QString reason = u"只能下载 http 或 https 地址"_s;
        m_window.addItem(address)->setFailed(reason);
        emit finished(QString(), false, reason);
        return;
    }

    const QString path = m_targetDirectory.isEmpty()
        ? askSavePath(url)
        : freeFilePath(m_targetDirectory, downloadNameFromUrl(url),
                       [this](const QString &candidate) { return isTaken(candidate); });
    if (path.isEmpty())
        return; // the user cancelled the dialog

    // Owned through the Qt parent; deleted when it ends, or by abortAll().
    auto *transfer = new DownloadTransfer(url, path, this);
    const QPointer<DownloadItemWidget> item = m_window.addItem(QFileInfo(path).fileName());
    if (!transfer->start(m_network, m_timeout)) {
        const QString reason = transfer->reason();
        delete transfer;
        item->setFailed(reason);
        emit finished(path, false, reason);
        return;
    }
    m_running.append(transfer);

    connect(transfer, &DownloadTransfer::progress, item, &DownloadItemWidget::setProgress);
    connect(item, &DownloadItemWidget::cancelRequested, transfer, &DownloadTransfer::cancel);
    connect(transfer, &DownloadTransfer::finished, this,
            [this, transfer, item](DownloadTransfer::Outcome outcome, const QString &reason) {
                transferFinished(transfer, item, outcome, reason);
            });
}

void DownloadManager::transferFinished(DownloadTransfer *transfer, DownloadItemWidget *item,
                                       DownloadTransfer::Outcome outcome, const QString &reason)
{
    m_running.removeOne(transfer);
    transfer->deleteLater();
    if (item)
        showOutcome(*item, outcome, reason);
    emit finished(transfer->path(), outcome == DownloadTransfer::Outcome::Completed, reason);
}

void DownloadManager::showOutcome(DownloadItemWidget &item, DownloadTransfer::Outcome outcome,
                                  const QString &reason)
{
    switch (outcome) {
    case DownloadTransfer::Outcome::Completed:
        item.setCompleted();
        break;
    case DownloadTransfer::Outcome::Cancelled:
        item.setCancelled();
        break;
    case DownloadTransfer::Outcome::Failed:
        item.setFailed(reason);
        break;
    }
}

QString DownloadManager::askSavePath(const QUrl &url)
{
    QString directory = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
    if (directory.isEmpty() || !QFileInfo(directory).isDir())
        directory = QDir::homePath();
    // The dialog itself asks before an existing file is replaced.
    return QFileDialog::getSaveFileName(QApplication::activeWindow(), u"保存下载的文件"_s,
                                        QDir(directory).filePath(downloadNameFromUrl(url)));
}

bool DownloadManager::isTaken(const QString &path) const
{
    const QFileInfo info(path);
    if (info.exists() || info.isSymLink())
        return true;
    // Two downloads of one address must not end up in the same file.
    return std::any_of(m_running.cbegin(), m_running.cend(),
                       [&path](const DownloadTransfer *t) { return t->path() == path; });
}
