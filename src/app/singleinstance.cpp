#include "singleinstance.h"

#include "common/logging.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QStandardPaths>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

// The running instance answers at once, from its event loop, also during its own start-up
constexpr int kReplyTimeoutMs = 5000;
// A start that finds the lock taken may have to wait until its holder listens
constexpr int kConnectRetryMs = 50;
const QByteArray kTaken = "ok\n";
const QByteArray kRefused = "unknown\n";
// The longest command word, with room to spare; more without a line end is no request
constexpr qint64 kMaxRequestBytes = 64;
// Private to the user: owned by them, and no one else may read, write or search it
constexpr mode_t kPrivateMode = 0700;

bool isPrivateFolder(const QString &path)
{
    struct stat info { };
    return !path.isEmpty() && ::stat(QFile::encodeName(path).constData(), &info) == 0
        && S_ISDIR(info.st_mode) && info.st_uid == ::geteuid()
        && (info.st_mode & 07777) == kPrivateMode;
}

// The session's runtime folder when it is private; else one of the program's own below the
// user's cache folder, made private; else none. Never the current folder or a shared one, where
// another account could plant the socket and receive the user's commands. A relative path is
// no runtime folder: it would name whatever folder the program was started in.
QString privateRuntimeFolder()
{
    const QString session = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (QDir::isAbsolutePath(session) && isPrivateFolder(session))
        return session;
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    const QString own = cache.isEmpty() ? QString() : QDir(cache).filePath(u"runtime"_s);
    if (!own.isEmpty() && QDir().mkpath(own))
        ::chmod(QFile::encodeName(own).constData(), kPrivateMode);
    if (isPrivateFolder(own)) {
        qCInfo(lcApp) << "No private XDG_RUNTIME_DIR; the instance socket is in" << own;
        return own;
    }
    qCWarning(lcApp) << "No private folder for the instance socket:" << session << own;
    return {};
}

const QString &runtimeFolder()
{
    static const QString folder = privateRuntimeFolder();
    return folder;
}

QString runtimePath(const QString &name)
{
    return runtimeFolder().isEmpty() ? QString() : QDir(runtimeFolder()).filePath(name);
}

QString socketPath()
{
    return runtimePath(u"quillpod-instance"_s);
}

QString lockPath()
{
    return runtimePath(u"quillpod.lock"_s);
}

bool sendOverBus(const QDBusConnection &bus, InstanceCommand command)
{
    QDBusMessage message = QDBusMessage::createMethodCall(
        QString::fromLatin1(SingleInstance::kServiceName),
        QString::fromLatin1(SingleInstance::kObjectPath),
        QString::fromLatin1(SingleInstance::kInterface), u"Command"_s);
    message << commandWord(command);
    const QDBusMessage reply = bus.call(message, QDBus::Block, kReplyTimeoutMs);
    if (reply.type() == QDBusMessage::ReplyMessage)
        return true;
    qCInfo(lcApp) << "No running instance on the bus:" << reply.errorMessage();
    return false;
}

bool sendOverSocket(InstanceCommand command)
{
    if (runtimeFolder().isEmpty())
        return false;
    QLocalSocket socket;
    const QDeadlineTimer deadline(kReplyTimeoutMs);
    // A lock without a listener yet is an instance that is starting; a lock nobody holds
    // leaves no socket at all, and the first try says so
    QLockFile lock(lockPath());
    do {
        socket.connectToServer(socketPath());
        if (socket.waitForConnected(kConnectRetryMs))
            break;
        if (lock.tryLock(0))
            return false;
    } while (!deadline.hasExpired());
    if (socket.state() != QLocalSocket::ConnectedState)
        return false;
    socket.write(commandWord(command).toUtf8() + '\n');
    while (!socket.canReadLine() && socket.waitForReadyRead(int(deadline.remainingTime()))) { }
    return socket.readLine() == kTaken;
}

} // namespace

SingleInstance::SingleInstance(QObject *parent)
    : QObject(parent), m_bus(QDBusConnection::sessionBus())
{
    connect(&m_server, &QLocalServer::newConnection, this, &SingleInstance::acceptConnections);
}

SingleInstance::~SingleInstance()
{
    if (m_busNameTaken)
        m_bus.unregisterService(QString::fromLatin1(kServiceName));
}

bool SingleInstance::claim()
{
    return m_bus.isConnected() ? claimBusName() : claimSocket();
}

bool SingleInstance::claimBusName()
{
    const QString name = QString::fromLatin1(kServiceName);
    if (!m_bus.registerObject(QString::fromLatin1(kObjectPath), this,
                              QDBusConnection::ExportScriptableSlots))
        qCWarning(lcApp) << "Later starts cannot reach this one:" << m_bus.lastError().message();
    m_busNameTaken = m_bus.registerService(name);
    if (m_busNameTaken)
        return true;
    m_bus.unregisterObject(QString::fromLatin1(kObjectPath));
    if (m_bus.interface()->isServiceRegistered(name))
        return false;
    qCWarning(lcApp) << "Running without the one-instance check:" << m_bus.lastError().message();
    return true;
}

bool SingleInstance::claimSocket()
{
    if (runtimeFolder().isEmpty())
        return true; // runs alone, said once in the log
    // The lock says who runs; a crashed holder's lock is taken over, and its socket with it
    m_lock = std::make_unique<QLockFile>(lockPath());
    m_lock->setStaleLockTime(0);
    if (!m_lock->tryLock(0)) {
        if (m_lock->error() == QLockFile::LockFailedError)
            return false;
        qCWarning(lcApp) << "Running without the one-instance check: no lock in"
                         << runtimePath(QString()) << m_lock->error();
        return true;
    }
    QLocalServer::removeServer(socketPath());
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server.listen(socketPath()))
        qCWarning(lcApp) << "Later starts cannot reach this one:" << m_server.errorString();
    return true;
}

void SingleInstance::startServing()
{
    m_serving = true;
    for (const InstanceCommand command : std::exchange(m_waiting, {}))
        emit commandReceived(command);
}

int SingleInstance::send(InstanceCommand command)
{
    const QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected() ? sendOverBus(bus, command) : sendOverSocket(command))
        return 0;
    std::fputs(qPrintable(u"没有正在运行的 Quillpod，无法执行“%1”。\n"_s.arg(commandWord(command))),
               stderr);
    return 1;
}

void SingleInstance::Command(const QString &word)
{
    take(word);
}

void SingleInstance::acceptConnections()
{
    while (QLocalSocket *const socket = m_server.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readRequest(socket); });
    }
}

void SingleInstance::readRequest(QLocalSocket *socket)
{
    if (!socket->canReadLine()) {
        if (socket->bytesAvailable() > kMaxRequestBytes)
            socket->abort();
        return;
    }
    // Answered before the command runs: the other start may be gone by the time it is done,
    // and its socket with it
    const bool taken = take(QString::fromUtf8(socket->readLine(kMaxRequestBytes)).trimmed());
    socket->write(taken ? kTaken : kRefused);
    socket->disconnectFromServer();
}

bool SingleInstance::take(const QString &word)
{
    const std::optional<InstanceCommand> command = commandFromWord(word);
    if (!command) {
        qCInfo(lcApp) << "Unknown command from another start:" << word.left(40);
        return false;
    }
    qCInfo(lcApp) << "Command from another start:" << word;
    if (!m_serving) {
        m_waiting.append(*command);
        return true;
    }
    // A command may wait for the service; the request that brought it is answered first
    QMetaObject::invokeMethod(
        this, [this, command] { emit commandReceived(*command); }, Qt::QueuedConnection);
    return true;
}
