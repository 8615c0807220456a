#pragma once

#include "downloadtransfer.h"

#include "common/constants.h"
#include "net/retryschedule.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QUrl>
#include <chrono>
#include <list>

class ConnectivityWatcher;
class QNetworkAccessManager;
class SaveDialog;
class ServiceProber;

// Saves http and https addresses to files, asking the user where, and keeps the state of every
// download for a window to show: a broken one can go on ("继续"), a failed one start again
// ("重试"), and any that does not run be removed. Nothing lies under a final name before its
// download is complete. The last folder saved to and the downloads not complete are kept (see
// DownloadStore), so that the next run lists them as they were. It needs no widgets: where to save
// is asked through a SaveDialog, and every change is a signal.
//
// A download that lost the service (see DownloadTransfer::lostService()) waits for it to answer
// again and then goes on by itself, a few times at most before it fails as any other.
class DownloadManager : public QObject {
    Q_OBJECT

public:
    enum class State {
        Running,
        // Lost the service: goes on by itself once it answers again
        Waiting,
        Completed,
        Failed,
        // The program ended while it ran
        Interrupted,
        Cancelled,
    };
    Q_ENUM(State)
    // What trying again does: nothing to offer, start over, or go on from the data kept
    enum class Retry { None, FromStart, Resume };
    Q_ENUM(Retry)

    // How often a download that lost the service goes on by itself before it fails; the user's
    // "继续" or "重试" allows as many again
    static constexpr int kAutomaticResumes = 5;

    // One download as the user sees it
    struct Item {
        int id = 0;
        QString name;
        // The file's final place; empty for a refused address
        QString path;
        State state = State::Running;
        // Why it failed
        QString reason;
        // Bytes of the file that arrived (or, after a break, that are kept), and its size, -1
        // while unknown
        qint64 received = 0;
        qint64 total = -1;
        Retry retry = Retry::None;
    };

    // Downloads through `network`; a download that waits for the service learns from `watcher`
    // when the network comes back
    DownloadManager(QNetworkAccessManager &network, ConnectivityWatcher &watcher,
                    QObject *parent = nullptr);
    ~DownloadManager() override;

    // Asks where to save and starts the download once the user has answered; nothing happens
    // when they decline. Other schemes are refused, with a failed item of their own.
    void download(const QString &address);
    // Lists the downloads that the last run left incomplete, failed or cut off by its end,
    // each ready to go on
    void restoreUnfinished();

    // The user's commands on an item, by its id; an id that is gone is ignored
    void cancel(int id);
    // "继续" or "重试"
    void retry(int id);
    // Forgets a download that does not run, with the data kept for it
    void remove(int id);

    // The items in the order they were added, and each by its id (null once removed)
    QList<int> ids() const;
    const Item *item(int id) const;
    // The downloads that run or wait for the service: neither is over
    int runningCount() const;

    // Where the user is asked; without one, and without a target directory, files go to
    // DownloadStore::saveFolder() under the address's own name
    void setSaveDialog(SaveDialog &dialog) { m_saveDialog = &dialog; }
    // When set, nobody is asked: files go to this folder under the address's own name,
    // numbered when the name is taken.
    void setTargetDirectory(const QString &directory) { m_targetDirectory = directory; }
    QString targetDirectory() const { return m_targetDirectory; }

    void setTransferTimeout(std::chrono::milliseconds timeout) { m_timeout = timeout; }
    std::chrono::milliseconds transferTimeout() const { return m_timeout; }
    // The pauses between the probes of a download that waits; tests shorten them. Takes effect
    // at the next wait.
    void setRetrySchedule(const RetrySchedule &schedule) { m_schedule = schedule; }

signals:
    void added(int id);
    void changed(int id);
    void removed(int id);
    void runningCountChanged(int count);
    // The user started a download (or one was refused): the list should come forward
    void showRequested();
    // Every download that was started, resumed or refused ends with this, once each time;
    // `path` is the file's final place (empty for a refused address), `reason` says why it did
    // not complete.
    void finished(const QString &path, bool ok, const QString &reason);

private:
    struct Download {
        Item item;
        QUrl url;
        DownloadTransfer *transfer = nullptr; // while it runs
        ServiceProber *prober = nullptr; // while it waits for the service
        // Times it went on by itself since the user last started it
        int automaticResumes = 0;
        bool unfinished = false; // kept for the next run
        // The version of the file that the data kept belongs to, for going on
        QByteArray validator;
    };

    // Running or waiting for the service
    static bool isBusy(const Download &download) { return download.transfer || download.prober; }
    Download &add(const QUrl &url, const QString &path, State state);
    Download *find(int id);
    Download *downloadAt(const QString &path);
    void saveChosen(const QUrl &url, const QString &path);
    void begin(const QUrl &url, const QString &path);
    void refuse(const QUrl &url, const QString &name, const QString &reason);
    void startTransfer(Download &download, bool resume);
    void progressed(int id, qint64 received, qint64 total);
    void validatorKnown(int id, const QByteArray &validator);
    void transferFinished(int id, DownloadTransfer::Outcome outcome, const QString &reason);
    void conclude(Download &download, DownloadTransfer::Outcome outcome, const QString &reason);
    void waitForService(Download &download);
    void serviceAnswers(int id);
    void endWait(Download &download);
    void cancelWait(Download &download);
    void keepFailure(Download &download, const QString &reason);
    void drop(Download &download);
    bool isTaken(const QString &path);
    void saveUnfinished() const;
    void abortAll();

    QNetworkAccessManager &m_network;
    ConnectivityWatcher &m_watcher;
    // A list, so that an item's address stays valid while others come and go
    std::list<Download> m_downloads;
    int m_lastId = 0;
    SaveDialog *m_saveDialog = nullptr;
    QString m_targetDirectory;
    std::chrono::milliseconds m_timeout = kTransferTimeout;
    RetrySchedule m_schedule;
};
