#pragma once

#include "downloadswindow.h"
#include "downloadtransfer.h"

#include "common/constants.h"

#include <QList>
#include <QNetworkAccessManager>
#include <QObject>
#include <QString>
#include <chrono>

class DownloadItemWidget;

// Saves http and https addresses to files, asking the user where, and shows the transfers in
// its own downloads window. A transfer that does not finish leaves no file behind, also when
// the program quits or the manager is destroyed in the middle of it.
class DownloadManager : public QObject {
    Q_OBJECT

public:
    explicit DownloadManager(QObject *parent = nullptr);
    ~DownloadManager() override;

    // Asks for a file name and starts the transfer; returns at once when the user declines.
    // Other schemes are refused and reported in the downloads window.
    void download(const QString &address);

    // When set, no dialog is shown: files go to this folder under the address's own name,
    // numbered when the name is taken.
    void setTargetDirectory(const QString &directory) { m_targetDirectory = directory; }
    QString targetDirectory() const { return m_targetDirectory; }

    void setTransferTimeout(std::chrono::milliseconds timeout) { m_timeout = timeout; }
    std::chrono::milliseconds transferTimeout() const { return m_timeout; }

    DownloadsWindow &window() { return m_window; }
    int runningCount() const { return int(m_running.size()); }

signals:
    // Every download that was started or refused ends with this, once; `path` is the file's
    // final place (empty for a refused address), `reason` says why it did not complete.
    void finished(const QString &path, bool ok, const QString &reason);

private:
    // `item` is null when its row is already gone
    void transferFinished(DownloadTransfer *transfer, DownloadItemWidget *item,
                          DownloadTransfer::Outcome outcome, const QString &reason);
    static void showOutcome(DownloadItemWidget &item, DownloadTransfer::Outcome outcome,
                            const QString &reason);
    QString askSavePath(const QUrl &url);
    bool isTaken(const QString &path) const;
    void abortAll();

    // Declared in this order so that transfers go first, then their rows, then the network.
    QNetworkAccessManager m_network;
    DownloadsWindow m_window;
    QList<DownloadTransfer *> m_running;
    QString m_targetDirectory;
    std::chrono::milliseconds m_timeout = kTransferTimeout;
};
