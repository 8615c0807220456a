#include "catalogueservice.h"
#include "timescale.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QRegularExpression>
#include <QtDebug>

using namespace Qt::StringLiterals;

namespace {

constexpr int kStartTimeoutMs = 10000;
constexpr int kStopTimeoutMs = 5000;

} // namespace

CatalogueService::CatalogueService(const QStringList &arguments)
{
    start(arguments);
}

CatalogueService::CatalogueService(const QStringList &arguments, const QByteArray &catalogueJson)
{
    const QString catalogue = writeFile(u"catalogue.json"_s, catalogueJson);
    start(arguments + QStringList {u"--catalogue"_s, catalogue});
}

CatalogueService::~CatalogueService()
{
    stop();
}

void CatalogueService::start(const QStringList &arguments)
{
    if (!m_dir.isValid()) {
        qWarning() << "CatalogueService: no temporary folder:" << m_dir.errorString();
        return;
    }
    m_process.setProgram(QString::fromUtf8(CATALOGUE_SERVICE_PATH));
    m_process.setArguments(QStringList {u"--port"_s, u"0"_s, u"--log"_s, logPath()} + arguments);
    // Start-up complaints (a bad option, an unreadable catalogue) show in the test's output.
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start(QIODevice::ReadOnly);

    static const QRegularExpression listening(uR"(listening on (http://127\.0\.0\.1:(\d+)))"_s);
    const QDeadlineTimer deadline(scaled(kStartTimeoutMs));
    while (!deadline.hasExpired()) {
        if (m_process.canReadLine()) {
            const QString line = QString::fromUtf8(m_process.readLine()).trimmed();
            const QRegularExpressionMatch match = listening.match(line);
            if (match.hasMatch()) {
                m_base = match.captured(1);
                m_port = match.captured(2).toUShort();
                return;
            }
            continue;
        }
        if (m_process.state() == QProcess::NotRunning)
            break;
        m_process.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())));
    }
    qWarning() << "CatalogueService: the service did not start:" << m_process.errorString()
               << m_process.arguments();
    stop();
}

QString CatalogueService::logPath() const
{
    return m_dir.filePath(u"requests.log"_s);
}

bool CatalogueService::isRunning() const
{
    return m_port != 0 && m_process.state() == QProcess::Running;
}

QStringList CatalogueService::requestTargets() const
{
    QStringList targets;
    for (const Request &request : requests())
        targets.append(request.target);
    return targets;
}

QList<CatalogueService::Request> CatalogueService::requests() const
{
    QFile log(logPath());
    if (!log.open(QIODevice::ReadOnly))
        return {};
    static constexpr auto kRangeField = "Range: "_L1;
    QList<Request> requests;
    const QList<QByteArray> lines = log.readAll().split('\n');
    for (const QByteArray &line : lines) {
        if (line.isEmpty())
            continue;
        const QStringList fields = QString::fromUtf8(line).split(u'\t');
        Request request {fields.first(), u"GET"_s, QString()};
        for (const QString &field : fields.sliced(1)) {
            if (field.startsWith(kRangeField))
                request.range = field.sliced(kRangeField.size());
            else
                request.method = field;
        }
        requests.append(request);
    }
    return requests;
}

QString CatalogueService::writeFile(const QString &name, const QByteArray &content) const
{
    const QString path = m_dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        || file.write(content) != content.size())
        qWarning() << "CatalogueService: cannot write" << path << file.errorString();
    return path;
}

void CatalogueService::kill()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.kill();
    m_process.waitForFinished(scaled(kStopTimeoutMs));
}

void CatalogueService::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(scaled(kStopTimeoutMs))) {
        qWarning() << "CatalogueService: the service ignored SIGTERM; killing it";
        kill();
    }
}
