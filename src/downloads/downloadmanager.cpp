#include "downloadmanager.h"

#include "downloadfilename.h"
#include "downloadstore.h"
#include "partfile.h"

#include "common/logging.h"
#include "common/urlfilename.h"
#include "controls/savedialog.h"
#include "net/connectivitywatcher.h"
#include "net/serviceprober.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPointer>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

DownloadManager::Retry retryFor(const QString &path)
{
    return PartFile::keptSize(path) > 0 ? DownloadManager::Retry::Resume
                                        : DownloadManager::Retry::FromStart;
}

} // namespace

DownloadManager::DownloadManager(QNetworkAccessManager &network, ConnectivityWatcher &watcher,
                                 QObject *parent)
    : QObject(parent), m_network(network), m_watcher(watcher)
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
    // run, which finds the download among the unfinished ones; so does one that waits.
    for (Download &download : m_downloads) {
        delete std::exchange(download.transfer, nullptr);
        delete std::exchange(download.prober, nullptr);
    }
}

QList<int> DownloadManager::ids() const
{
    QList<int> ids;
    for (const Download &download : m_downloads)
        ids.append(download.item.id);
    return ids;
}

const DownloadManager::Item *DownloadManager::item(int id) const
{
    const auto found = std::find_if(m_downloads.cbegin(), m_downloads.cend(),
                                    [id](const Download &d) { return d.item.id == id; });
    return found == m_downloads.cend() ? nullptr : &found->item;
}

DownloadManager::Download *DownloadManager::find(int id)
{
    const auto found = std::find_if(m_downloads.begin(), m_downloads.end(),
                                    [id](const Download &d) { return d.item.id == id; });
    return found == m_downloads.end() ? nullptr : &*found;
}

DownloadManager::Download *DownloadManager::downloadAt(const QString &path)
{
    const auto found = std::find_if(m_downloads.begin(), m_downloads.end(),
                                    [&path](const Download &d) { return d.item.path == path; });
    return found == m_downloads.end() ? nullptr : &*found;
}

int DownloadManager::runningCount() const
{
    return int(std::count_if(m_downloads.cbegin(), m_downloads.cend(), &DownloadManager::isBusy));
}

void DownloadManager::download(const QString &address)
{
    const QUrl url(address.trimmed());
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() || (scheme != u"http" && scheme != u"https")) {
        refuse(url, address, u"只能下载 http 或 https 地址"_s);
        return;
    }

    const QString name = downloadNameFromUrl(url);
    if (m_saveDialog && m_targetDirectory.isEmpty()) {
        // Answered later; a manager gone by then has nothing left to start
        m_saveDialog->askSavePath(QDir(DownloadStore::saveFolder()).filePath(name),
                                  [self = QPointer(this), url](const QString &path) {
                                      if (self)
                                          self->saveChosen(url, path);
                                  });
        return;
    }
    const QString folder
        = m_targetDirectory.isEmpty() ? DownloadStore::saveFolder() : m_targetDirectory;
    if (m_targetDirectory.isEmpty())
        qCWarning(lcDownloads) << "Nobody to ask where to save: saving to" << folder;
    begin(url, freeFilePath(folder, name, [this](const QString &path) { return isTaken(path); }));
}

void DownloadManager::saveChosen(const QUrl &url, const QString &path)
{
    if (path.isEmpty())
        return; // the user declined
    DownloadStore::rememberFolder(QFileInfo(path).absolutePath());
    begin(url, path);
}

void DownloadManager::begin(const QUrl &url, const QString &path)
{
    // Two items must never share a file, nor the data kept for it.
    if (Download *same = downloadAt(path)) {
        if (isBusy(*same)) {
            refuse(url, QFileInfo(path).fileName(), u"这个文件正在下载"_s);
            return;
        }
        drop(*same);
    }
    Download &download = add(url, path, State::Running);
    emit added(download.item.id);
    emit showRequested();
    startTransfer(download, false);
}

void DownloadManager::restoreUnfinished()
{
    for (const DownloadStore::Record &record : DownloadStore::unfinished()) {
        if (downloadAt(record.path))
            continue;
        Download &download
            = add(record.url, record.path, record.failed ? State::Failed : State::Interrupted);
        download.unfinished = true;
        download.validator = record.validator;
        Item &item = download.item;
        item.reason = record.reason;
        item.received = PartFile::keptSize(record.path);
        item.total = record.size;
        item.retry = retryFor(record.path);
        emit added(item.id);
    }
}

DownloadManager::Download &DownloadManager::add(const QUrl &url, const QString &path, State state)
{
    Download &download = m_downloads.emplace_back();
    download.url = url;
    download.item.id = ++m_lastId;
    download.item.path = path;
    download.item.name = path.isEmpty() ? url.toString() : QFileInfo(path).fileName();
    download.item.state = state;
    return download;
}

void DownloadManager::refuse(const QUrl &url, const QString &name, const QString &reason)
{
    Download &download = add(url, QString(), State::Failed);
    download.item.name = name;
    download.item.reason = reason;
    emit added(download.item.id);
    emit showRequested();
    emit finished(QString(), false, reason);
}

void DownloadManager::startTransfer(Download &download, bool resume)
{
    Item &item = download.item;
    // Owned through the Qt parent; deleted when it ends, or by abortAll().
    auto *transfer = new DownloadTransfer(download.url, item.path, this);
    transfer->setValidator(download.validator);
    if (!transfer->start(m_network, m_timeout, resume)) {
        const QString reason = transfer->reason();
        delete transfer;
        keepFailure(download, reason);
        saveUnfinished();
        emit changed(item.id);
        // One that waited no longer counts
        emit runningCountChanged(runningCount());
        emit finished(item.path, false, reason);
        return;
    }
    download.transfer = transfer;
    download.unfinished = true;
    item.state = State::Running;
    item.reason.clear();
    item.retry = Retry::None;
    saveUnfinished();
    emit changed(item.id);
    emit runningCountChanged(runningCount());

    const int id = item.id;
    connect(transfer, &DownloadTransfer::progress, this,
            [this, id](qint64 received, qint64 total) { progressed(id, received, total); });
    connect(transfer, &DownloadTransfer::validatorChanged, this,
            [this, id](const QByteArray &validator) { validatorKnown(id, validator); });
    connect(transfer, &DownloadTransfer::finished, this,
            [this, id](DownloadTransfer::Outcome outcome, const QString &reason) {
                transferFinished(id, outcome, reason);
            });
}

void DownloadManager::progressed(int id, qint64 received, qint64 total)
{
    Download *download = find(id);
    if (!download)
        return;
    download->item.received = received;
    // The size, once known, shows on the item kept for the next run
    if (std::exchange(download->item.total, total) != total && total > 0)
        saveUnfinished();
    emit changed(id);
}

void DownloadManager::validatorKnown(int id, const QByteArray &validator)
{
    if (Download *download = find(id)) {
        download->validator = validator;
        saveUnfinished();
    }
}

void DownloadManager::cancel(int id)
{
    Download *download = find(id);
    if (download && download->transfer)
        download->transfer->cancel(); // finishes the transfer as cancelled
    else if (download && download->prober)
        cancelWait(*download);
}

void DownloadManager::transferFinished(int id, DownloadTransfer::Outcome outcome,
                                       const QString &reason)
{
    Download *download = find(id);
    if (!download)
        return;
    DownloadTransfer *transfer = std::exchange(download->transfer, nullptr);
    const bool lost = transfer && transfer->lostService();
    if (transfer)
        transfer->deleteLater();
    if (outcome == DownloadTransfer::Outcome::Failed && lost
        && download->automaticResumes < kAutomaticResumes) {
        waitForService(*download);
        return;
    }
    conclude(*download, outcome, reason);
}

void DownloadManager::conclude(Download &download, DownloadTransfer::Outcome outcome,
                               const QString &reason)
{
    Item &item = download.item;
    switch (outcome) {
    case DownloadTransfer::Outcome::Completed:
        download.unfinished = false;
        item.state = State::Completed;
        item.received = QFileInfo(item.path).size();
        item.total = item.received;
        break;
    case DownloadTransfer::Outcome::Cancelled:
        download.unfinished = false;
        item.state = State::Cancelled;
        item.received = 0;
        item.retry = Retry::FromStart;
        break;
    case DownloadTransfer::Outcome::Failed:
        keepFailure(download, reason);
        break;
    }
    saveUnfinished();
    emit changed(item.id);
    emit runningCountChanged(runningCount());
    emit finished(item.path, outcome == DownloadTransfer::Outcome::Completed, reason);
}

// Neither failed nor over: what arrived stays, and the download goes on once the service
// answers a probe of its own address. Kept for the next run as one that ran.
void DownloadManager::waitForService(Download &download)
{
    Item &item = download.item;
    item.state = State::Waiting;
    item.reason.clear();
    item.received = PartFile::keptSize(item.path);
    item.retry = retryFor(item.path);
    // Owned through the Qt parent; deleted when the wait ends, or by abortAll().
    auto *prober = new ServiceProber(m_network, m_watcher, this);
    prober->setSchedule(m_schedule);
    const int id = item.id;
    connect(prober, &ServiceProber::serviceAnswers, this, [this, id] { serviceAnswers(id); });
    prober->start(download.url);
    download.prober = prober;
    qCInfo(lcDownloads) << "Lost the service while downloading" << download.url
                        << "- waiting for it to answer";
    saveUnfinished();
    emit changed(id);
}

void DownloadManager::serviceAnswers(int id)
{
    Download *download = find(id);
    if (!download || !download->prober)
        return;
    endWait(*download);
    ++download->automaticResumes;
    startTransfer(*download, PartFile::keptSize(download->item.path) > 0);
}

void DownloadManager::endWait(Download &download)
{
    // The wait may end from the prober's own signal
    if (ServiceProber *prober = std::exchange(download.prober, nullptr)) {
        prober->stop();
        prober->deleteLater();
    }
}

void DownloadManager::cancelWait(Download &download)
{
    endWait(download);
    PartFile::discard(download.item.path);
    conclude(download, DownloadTransfer::Outcome::Cancelled, DownloadTransfer::cancelledReason());
}

void DownloadManager::keepFailure(Download &download, const QString &reason)
{
    Item &item = download.item;
    download.unfinished = true;
    item.state = State::Failed;
    item.reason = reason;
    // What a resume goes on from, and only that
    item.received = PartFile::keptSize(item.path);
    item.retry = retryFor(item.path);
}

void DownloadManager::retry(int id)
{
    Download *download = find(id);
    if (!download || download->transfer || download->item.path.isEmpty())
        return;
    // During a wait too: the user need not wait for the next probe
    endWait(*download);
    download->automaticResumes = 0;
    startTransfer(*download, PartFile::keptSize(download->item.path) > 0);
}

void DownloadManager::remove(int id)
{
    if (Download *download = find(id); download && !isBusy(*download))
        drop(*download);
}

void DownloadManager::drop(Download &download)
{
    // The data kept for going on goes with its item; a finished file stays where it is.
    PartFile::discard(download.item.path);
    const int id = download.item.id;
    m_downloads.remove_if([id](const Download &d) { return d.item.id == id; });
    saveUnfinished();
    emit removed(id);
}

bool DownloadManager::isTaken(const QString &path)
{
    const QFileInfo info(path);
    const QFileInfo part(partFilePath(path));
    return info.exists() || info.isSymLink() || part.exists() || part.isSymLink()
        || downloadAt(path);
}

void DownloadManager::saveUnfinished() const
{
    QList<DownloadStore::Record> records;
    for (const Download &download : m_downloads) {
        if (!download.unfinished)
            continue;
        const Item &item = download.item;
        // One that still runs was cut off, should the program end before it does
        const bool failed = item.state == State::Failed;
        records.append({download.url, item.path, failed, failed ? item.reason : QString(),
                        item.total, download.validator});
    }
    DownloadStore::keepUnfinished(records);
}
