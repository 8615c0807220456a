#pragma once

#include <QFile>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <chrono>

class QNetworkAccessManager;
class QNetworkReply;

// One download: streams the body of an HTTP GET into the hidden partial file beside the target
// (see partFilePath()) and renames it into place only when the whole body arrived, so nothing
// ever lies under the target path half-written. A break (an error, a timeout, destruction when
// the program closes) keeps the partial data for a later resume; cancel() discards it.
class DownloadTransfer : public QObject {
    Q_OBJECT

public:
    enum class Outcome { Completed, Failed, Cancelled };
    Q_ENUM(Outcome)

    DownloadTransfer(const QUrl &url, const QString &path, QObject *parent = nullptr);
    ~DownloadTransfer() override;

    // Opens the partial file and sends the request. With `resume`, data already in the partial
    // file is kept and only the rest is asked for; the transfer starts over when the server
    // cannot send exactly that rest. Returns false, with reason() set, when the file cannot be
    // opened; nothing is sent then.
    bool start(QNetworkAccessManager &network, std::chrono::milliseconds transferTimeout,
               bool resume);
    void cancel();

    QUrl url() const { return m_url; }
    QString path() const { return m_path; }
    QString reason() const { return m_reason; }

signals:
    // Bytes of the whole file, partial data included; `total` is -1 while unknown
    void progress(qint64 received, qint64 total);
    // Emitted once; the object may be deleted from a slot connected to it with deleteLater().
    void finished(DownloadTransfer::Outcome outcome, const QString &reason);

private:
    void send();
    void dropReply();
    void receive();
    bool acceptAnswer();
    void startOver();
    void reportProgress(qint64 received, qint64 total);
    void conclude();
    Outcome judge();
    bool placeFile();
    void fail(const QString &reason);
    int httpStatus() const;

    const QUrl m_url;
    const QString m_path;
    QFile m_part;
    QNetworkAccessManager *m_network = nullptr;
    std::chrono::milliseconds m_timeout {};
    QPointer<QNetworkReply> m_reply;
    // Bytes of the partial file that precede the current answer's body
    qint64 m_offset = 0;
    // The whole file's size, once an answer announced its length
    qint64 m_expectedSize = -1;
    QString m_reason;
    bool m_answerChecked = false;
    bool m_cancelled = false;
    bool m_done = false;
};
