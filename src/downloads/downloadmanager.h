#pragma once

#include "downloadtransfer.h"

#include "common/constants.h"
#include "widgets/desktopshell.h"
#include "widgets/downloaditemwidget.h"
#include "widgets/downloadswindow.h"

#include <QNetworkAccessManager>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <chrono>
#include <list>

class Shell;

// Saves http and https addresses to files, asking the user where, and shows the downloads in
// its own window, where a broken one can go on ("继续"), a failed one start again ("重试"), a
// finished one show its folder and any of them be removed. Nothing lies under a final name
// before its download is complete. The last folder saved to and the downloads not yet complete
// are kept in QSettings, so a download broken by the end of the program can go on in the next.
class DownloadManager : public QObject {
    Q_OBJECT

public:
    explicit DownloadManager(QObject *parent = nullptr);
    ~DownloadManager() override;

    // Asks for a file name and starts the download; returns at once when the user declines.
    // Other schemes are refused and reported in the downloads window.
    void download(const QString &address);
    // Lists the downloads that the last run left incomplete, each ready to go on.
    void restoreUnfinished();

    // When set, no dialog is shown: files go to this folder under the address's own name,
    // numbered when the name is taken.
    void setTargetDirectory(const QString &directory) { m_targetDirectory = directory; }
    QString targetDirectory() const { return m_targetDirectory; }

    void setTransferTimeout(std::chrono::milliseconds timeout) { m_timeout = timeout; }
    std::chrono::milliseconds transferTimeout() const { return m_timeout; }

    // What opens a finished file's folder; the desktop's file manager by default
    void setShell(Shell &shell) { m_shell = &shell; }

    DownloadsWindow &window() { return m_window; }
    int runningCount() const;

    // The folder the save dialog opens in: the one last saved to while it exists, else the
    // user's music folder, else the download folder, else home.
    static QString saveFolder();

signals:
    // Every download that was started, resumed or refused ends with this, once each time;
    // `path` is the file's final place (empty for a refused address), `reason` says why it did
    // not complete.
    void finished(const QString &path, bool ok, const QString &reason);

private:
    struct Download {
        QUrl url;
        QString path;
        QPointer<DownloadItemWidget> item;
        DownloadTransfer *transfer = nullptr; // while it runs
        bool unfinished = false; // kept for the next run
    };

    Download &addDownload(const QUrl &url, const QString &path, const QString &name);
    Download *downloadAt(const QString &path);
    void refuse(const QUrl &url, const QString &name, const QString &reason);
    void startTransfer(Download &download, bool resume);
    void transferFinished(Download &download, DownloadTransfer::Outcome outcome,
                          const QString &reason);
    void resume(Download &download);
    void openFolder(const Download &download);
    void remove(Download &download);
    QString askSavePath(const QUrl &url);
    bool isTaken(const QString &path);
    void saveUnfinished() const;
    void abortAll();

    // Declared in this order so that transfers go first, then their rows, then the network.
    QNetworkAccessManager m_network;
    DownloadsWindow m_window;
    // A list, so that the connections naming a download stay valid while others come and go
    std::list<Download> m_downloads;
    DesktopShell m_desktopShell;
    Shell *m_shell = &m_desktopShell;
    QString m_targetDirectory;
    std::chrono::milliseconds m_timeout = kTransferTimeout;
};
