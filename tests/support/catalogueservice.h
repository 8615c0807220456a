#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// Starts the catalogue stand-in on an ephemeral loopback port for one test, and stops it when
// the object goes away. Every request line the service receives is logged, so tests can assert
// the exact URLs the client sent.
class CatalogueService {
public:
    // `arguments` are passed to catalogue-service in addition to --port 0 and --log.
    explicit CatalogueService(const QStringList &arguments = {});
    // Also writes `catalogueJson` to the private folder and passes it with --catalogue.
    CatalogueService(const QStringList &arguments, const QByteArray &catalogueJson);
    ~CatalogueService();

    CatalogueService(const CatalogueService &) = delete;
    CatalogueService &operator=(const CatalogueService &) = delete;

    bool isRunning() const;
    // "http://127.0.0.1:PORT", no trailing slash
    QString base() const { return m_base; }
    quint16 port() const { return m_port; }

    // One request as the service logged it
    struct Request {
        QString target;
        // "GET", "HEAD", ...
        QString method;
        // The Range header's value; empty without one
        QString range;
    };

    // The request targets received so far, in order, exactly as sent (for example
    // "/data/?1=1&classid=1&act=getmusiclist&rnd=0.12830016091693802"), whatever their method.
    QStringList requestTargets() const;
    // The requests received so far, in order
    QList<Request> requests() const;

    // Writes `json` to a file in the service's private folder and returns its path, for
    // --catalogue. Call before starting a second service with it.
    QString writeFile(const QString &name, const QByteArray &content) const;
    QString dir() const { return m_dir.path(); }

    // Kills the service at once (a server that dies in the middle of a run).
    void kill();
    // SIGTERM, then a kill if it has not ended within a few seconds.
    void stop();
    // How the service ended; meaningful after stop() or kill().
    QProcess::ExitStatus exitStatus() const { return m_process.exitStatus(); }
    int exitCode() const { return m_process.exitCode(); }

private:
    void start(const QStringList &arguments);
    QString logPath() const;

    QTemporaryDir m_dir;
    QProcess m_process;
    QString m_base;
    quint16 m_port = 0;
};
