#pragma once

#include <QObject>
#include <QPointer>
#include <QSaveFile>
#include <QString>
#include <QUrl>
#include <chrono>

class QNetworkAccessManager;
class QNetworkReply;

// One download: streams the body of an HTTP GET into a save file and puts the file in place
// only when the whole body arrived. Whatever ends it early (an error, cancel(), destruction)
// leaves nothing under the target path.
class DownloadTransfer : public QObject {
    Q_OBJECT

public:
    enum class Outcome { Completed, Failed, Cancelled };
    Q_ENUM(Outcome)

    DownloadTransfer(const QUrl &url, const QString &path, QObject *parent = nullptr);
    ~DownloadTransfer() override;

    // Opens the save file and sends the request. Returns false, with reason() set, when the
    // file cannot be created; nothing is sent then.
    bool start(QNetworkAccessManager &network, std::chrono::milliseconds transferTimeout);
    void cancel();

    QUrl url() const { return m_url; }
    QString path() const { return m_path; }
    QString reason() const { return m_reason; }

signals:
    void progress(qint64 received, qint64 total);
    // Emitted once; the object may be deleted from a slot connected to it with deleteLater().
    void finished(DownloadTransfer::Outcome outcome, const QString &reason);

private:
    void receive();
    void conclude();
    void fail(const QString &reason);
    int httpStatus() const;

    const QUrl m_url;
    const QString m_path;
    QSaveFile m_file;
    QPointer<QNetworkReply> m_reply;
    QString m_reason;
    bool m_cancelled = false;
    bool m_done = false;
};
