#pragma once

#include "answerjudgement.h"
#include "partfile.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <chrono>
#include <optional>

class QNetworkAccessManager;
class QNetworkReply;

// One download: streams the body of an HTTP GET into the hidden partial file beside the target
// (see PartFile) and renames it into place only when the whole file arrived. A break (an error, a
// timeout, a full disk, destruction when the program closes) keeps the partial data for a later
// resume; cancel() discards it.
//
// Going on asks for the rest with Range and, once the server named a version of the file (its
// ETag or Last-Modified), with If-Range, so that a changed file starts over. An answer is taken
// only for what it says it is (see judgeAnswer()), and a slice short of the end means asking for
// the next one. The partial file is cut back only once an
// answer that replaces its data has been accepted.
//
// A failure says whether the service went out of reach (see lostService()): only then is
// waiting for it worth while.
class DownloadTransfer : public QObject {
    Q_OBJECT

public:
    enum class Outcome { Completed, Failed, Cancelled };
    Q_ENUM(Outcome)

    DownloadTransfer(const QUrl &url, const QString &path, QObject *parent = nullptr);
    ~DownloadTransfer() override;

    // The version of the file that the partial data belongs to, as an earlier answer named it
    void setValidator(const QByteArray &validator) { m_validator = validator; }
    QByteArray validator() const { return m_validator; }

    // Opens the partial file and sends the request. With `resume`, data already in the partial
    // file is kept and only the rest is asked for. Returns false, with reason() set, when the
    // file cannot be opened; nothing is sent then.
    bool start(QNetworkAccessManager &network, std::chrono::milliseconds transferTimeout,
               bool resume);
    void cancel();

    QUrl url() const { return m_url; }
    QString path() const { return m_path; }
    QString reason() const { return m_reason; }
    // After a failure: whether the service went out of reach rather than answered badly, so
    // that going on once it answers again may complete the file
    bool lostService() const { return m_lostService; }

    // The reason of a download the user cancelled
    static QString cancelledReason();

signals:
    // Bytes of the whole file, partial data included; `total` is -1 while unknown
    void progress(qint64 received, qint64 total);
    // An answer named the version of the file that the partial data now belongs to
    void validatorChanged(const QByteArray &validator);
    // Emitted once; the object may be deleted from a slot connected to it with deleteLater().
    void finished(DownloadTransfer::Outcome outcome, const QString &reason);

private:
    using Verdict = AnswerVerdict::Action;

    void send();
    void dropReply();
    void receive();
    Verdict judgeReply();
    bool accept(const AnswerVerdict &verdict);
    void reportProgress(qint64 received, qint64 total);
    void conclude();
    bool concludeAnswer(Verdict verdict);
    Outcome judge();
    bool placeFile();
    void fail(const QString &reason);

    const QUrl m_url;
    const QString m_path;
    PartFile m_part;
    QNetworkAccessManager *m_network = nullptr;
    std::chrono::milliseconds m_timeout {};
    QPointer<QNetworkReply> m_reply;
    QByteArray m_validator;
    // Bytes of the partial file that precede the current answer's body
    qint64 m_offset = 0;
    // Whether the current request asked for a range
    bool m_rangeAsked = false;
    // The byte after the current answer's last one, and the whole file's size; -1 while unknown
    qint64 m_answerEnd = -1;
    qint64 m_total = -1;
    std::optional<Verdict> m_verdict;
    QString m_reason;
    // Whether a byte of the current answer's body was kept
    bool m_bodyArrived = false;
    bool m_lostService = false;
    bool m_cancelled = false;
    bool m_done = false;
};
