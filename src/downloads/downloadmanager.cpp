#include "downloadmanager.h"

#include "downloadfilename.h"

#include "common/logging.h"
#include "common/urlfilename.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

#include <algorithm>
#include <initializer_list>

using namespace Qt::StringLiterals;

namespace {

constexpr auto kFolderKey = "downloads/folder"_L1;
constexpr auto kUnfinishedKey = "downloads/unfinished"_L1;
constexpr auto kUrlKey = "url"_L1;
constexpr auto kPathKey = "path"_L1;

bool hasPartialData(const QString &path)
{
    return QFileInfo(partFilePath(path)).size() > 0;
}

} // namespace

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
    // Each transfer aborts its reply as it is destroyed and keeps what arrived for the next
    // run, which finds the download among the unfinished ones.
    for (Download &download : m_downloads)
        delete std::exchange(download.transfer, nullptr);
}

int DownloadManager::runningCount() const
{
    return int(std::count_if(m_downloads.cbegin(), m_downloads.cend(),
                             [](const Download &download) { return download.transfer; }));
}

void DownloadManager::download(const QString &address)
{
    const QUrl url(address.trimmed());
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() || (scheme != u"http" && scheme != u"https")) {
        refuse(url, address, u"只能下载 http 或 https 地址"_s);
        return;
    }

    const QString path = m_targetDirectory.isEmpty()
        ? askSavePath(url)
        : freeFilePath(m_targetDirectory, downloadNameFromUrl(url),
                       [this](const QString &candidate) { return isTaken(candidate); });
    if (path.isEmpty())
        return; // the user cancelled the dialog

    // Two rows must never share a file, nor the data kept for it.
    if (Download *same = downloadAt(path)) {
        if (same->transfer) {
            refuse(url, QFileInfo(path).fileName(), u"这个文件正在下载"_s);
            return;
        }
        remove(*same);
    }
    startTransfer(addDownload(url, path, QFileInfo(path).fileName()), false);
}

void DownloadManager::restoreUnfinished()
{
    QSettings settings;
    const int count = settings.beginReadArray(kUnfinishedKey);
    QList<std::pair<QUrl, QString>> unfinished;
    for (int i = 0; i < count; ++i) {
        settings.setArrayIndex(i);
        unfinished.append(
            {QUrl(settings.value(kUrlKey).toString()), settings.value(kPathKey).toString()});
    }
    settings.endArray();

    for (const auto &[url, path] : std::as_const(unfinished)) {
        if (!url.isValid() || path.isEmpty() || downloadAt(path))
            continue;
        Download &download = addDownload(url, path, QFileInfo(path).fileName());
        download.unfinished = true;
        download.item->setFailed(u"上次退出时尚未下载完"_s,
                                 hasPartialData(path) ? DownloadItemWidget::Retry::Resume
                                                      : DownloadItemWidget::Retry::FromStart);
    }
}

DownloadManager::Download &DownloadManager::addDownload(const QUrl &url, const QString &path,
                                                        const QString &name)
{
    Download &download = m_downloads.emplace_back();
    download.url = url;
    download.path = path;
    download.item = m_window.addItem(name);
    DownloadItemWidget *item = download.item;
    connect(item, &DownloadItemWidget::resumeRequested, this,
            [this, &download] { resume(download); });
    connect(item, &DownloadItemWidget::openFolderRequested, this,
            [this, &download] { openFolder(download); });
    connect(item, &DownloadItemWidget::removeRequested, this,
            [this, &download] { remove(download); });
    return download;
}

DownloadManager::Download *DownloadManager::downloadAt(const QString &path)
{
    const auto found = std::find_if(m_downloads.begin(), m_downloads.end(),
                                    [&path](const Download &d) { return d.path == path; });
    return found == m_downloads.end() ? nullptr : &*found;
}

void DownloadManager::refuse(const QUrl &url, const QString &name, const QString &reason)
{
    addDownload(url, QString(), name).item->setFailed(reason, DownloadItemWidget::Retry::None);
    emit finished(QString(), false, reason);
}

void DownloadManager::startTransfer(Download &download, bool resume)
{
    // Owned through the Qt parent; deleted when it ends, or by abortAll().
    auto *transfer = new DownloadTransfer(download.url, download.path, this);
    if (!transfer->start(m_network, m_timeout, resume)) {
        const QString reason = transfer->reason();
        delete transfer;
        transferFinished(download, DownloadTransfer::Outcome::Failed, reason);
        return;
    }
    download.transfer = transfer;
    download.unfinished = true;
    saveUnfinished();

    DownloadItemWidget *item = download.item;
    connect(transfer, &DownloadTransfer::progress, item, &DownloadItemWidget::setProgress);
    connect(item, &DownloadItemWidget::cancelRequested, transfer, &DownloadTransfer::cancel);
    connect(transfer, &DownloadTransfer::finished, this,
            [this, &download](DownloadTransfer::Outcome outcome, const QString &reason) {
                transferFinished(download, outcome, reason);
            });
}

void DownloadManager::transferFinished(Download &download, DownloadTransfer::Outcome outcome,
                                       const QString &reason)
{
    if (DownloadTransfer *transfer = std::exchange(download.transfer, nullptr))
        transfer->deleteLater();
    download.unfinished = outcome == DownloadTransfer::Outcome::Failed;
    saveUnfinished();

    switch (outcome) {
    case DownloadTransfer::Outcome::Completed:
        download.item->setCompleted();
        break;
    case DownloadTransfer::Outcome::Cancelled:
        download.item->setCancelled();
        break;
    case DownloadTransfer::Outcome::Failed:
        download.item->setFailed(reason,
                                 hasPartialData(download.path)
                                     ? DownloadItemWidget::Retry::Resume
                                     : DownloadItemWidget::Retry::FromStart);
        break;
    }
    emit finished(download.path, outcome == DownloadTransfer::Outcome::Completed, reason);
}

void DownloadManager::resume(Download &download)
{
    if (download.transfer || download.path.isEmpty())
        return;
    download.item->setRunning();
    startTransfer(download, hasPartialData(download.path));
}

void DownloadManager::openFolder(const Download &download)
{
    const QString folder = QFileInfo(download.path).absolutePath();
    m_shell->openAddress(QUrl::fromLocalFile(folder).toString(QUrl::FullyEncoded));
}

void DownloadManager::remove(Download &download)
{
    if (download.transfer)
        return;
    // The data kept for going on goes with its row; a finished file stays where it is.
    const QString part = download.path.isEmpty() ? QString() : partFilePath(download.path);
    if (!part.isEmpty() && QFile::exists(part) && !QFile::remove(part))
        qCWarning(lcDownloads) << "Partial file not removed:" << part;
    disconnect(download.item, nullptr, this, nullptr);
    m_window.removeItem(download.item);
    m_downloads.remove_if([&download](const Download &d) { return &d == &download; });
    saveUnfinished();
}

QString DownloadManager::saveFolder()
{
    const QString remembered = QSettings().value(kFolderKey).toString();
    if (QFileInfo(remembered).isDir())
        return remembered;
    if (!remembered.isEmpty())
        qCInfo(lcDownloads) << "The folder last saved to is gone:" << remembered;

    for (const auto location : {QStandardPaths::MusicLocation, QStandardPaths::DownloadLocation}) {
        const QString folder = QStandardPaths::writableLocation(location);
        if (!folder.isEmpty() && QFileInfo(folder).isDir())
            return folder;
    }
    return QDir::homePath();
}

QString DownloadManager::askSavePath(const QUrl &url)
{
    // The dialog itself asks before an existing file is replaced.
    const QString path
        = QFileDialog::getSaveFileName(QApplication::activeWindow(), u"保存下载的文件"_s,
                                       QDir(saveFolder()).filePath(downloadNameFromUrl(url)));
    if (!path.isEmpty())
        QSettings().setValue(kFolderKey, QFileInfo(path).absolutePath());
    return path;
}

bool DownloadManager::isTaken(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink() || QFileInfo::exists(partFilePath(path))
        || downloadAt(path);
}

void DownloadManager::saveUnfinished() const
{
    QSettings settings;
    settings.remove(kUnfinishedKey);
    settings.beginWriteArray(kUnfinishedKey);
    int index = 0;
    for (const Download &download : m_downloads) {
        if (!download.unfinished)
            continue;
        settings.setArrayIndex(index++);
        settings.setValue(kUrlKey, download.url.toString(QUrl::FullyEncoded));
        settings.setValue(kPathKey, download.path);
    }
    settings.endArray();
    settings.sync();
    if (settings.status() != QSettings::NoError)
        qCWarning(lcDownloads) << "Unfinished downloads not remembered:" << settings.fileName();
}
