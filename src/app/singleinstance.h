#pragma once

#include "instancecommand.h"

#include <QDBusConnection>
#include <QList>
#include <QLocalServer>
#include <QLockFile>
#include <QObject>

#include <memory>

class QLocalSocket;

// One running window per user session. The first start of the program claims a name on the
// session bus, or, with no session bus, a lock and a local socket in the runtime folder; later
// starts hand their command to it and end.
class SingleInstance : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.quillpod.Quillpod.Instance")

public:
    static constexpr const char *kServiceName = "org.quillpod.Quillpod";
    static constexpr const char *kObjectPath = "/org/quillpod/Quillpod";
    // As the class info above names it, for the later starts that call it
    static constexpr const char *kInterface = "org.quillpod.Quillpod.Instance";

    explicit SingleInstance(QObject *parent = nullptr);
    ~SingleInstance() override;

    // Makes this process the running one. False when another one already is; true also when
    // neither the bus nor the runtime folder can be used, for then the program runs alone.
    bool claim();
    // Commands arrive through commandReceived() from now on; those that came during start-up
    // first, in their order
    void startServing();

    // Hands `command` to the running instance, for a start that makes no window of its own.
    // Returns the exit status: 0 when the command was taken, 1 with a message on the standard
    // error when no instance runs.
    static int send(InstanceCommand command);

public slots:
    // A later start's command, by its word, over the bus
    Q_SCRIPTABLE void Command(const QString &word);

signals:
    void commandReceived(InstanceCommand command);

private:
    bool claimBusName();
    bool claimSocket();
    void acceptConnections();
    void readRequest(QLocalSocket *socket);
    // Queues the command that `word` names; false for a word that names none
    bool take(const QString &word);

    QDBusConnection m_bus;
    bool m_busNameTaken = false;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer m_server;
    bool m_serving = false;
    QList<InstanceCommand> m_waiting;
};
