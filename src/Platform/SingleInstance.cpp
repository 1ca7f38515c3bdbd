#include "Platform/SingleInstance.h"

#include "Model/Log.h"

#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>

#include <unistd.h>

namespace {

const QByteArray kActivate = "activate\n";
const QByteArray kAcknowledge = "ok\n";

} // namespace

SingleInstance::SingleInstance(const QString& serverName, QObject* parent)
    : QObject(parent),
      m_name(serverName.isEmpty() ? defaultServerName() : serverName)
{ }

SingleInstance::~SingleInstance()
{
    if (m_server) {
        m_server->close();
    }
}

QString SingleInstance::defaultServerName()
{
    // The runtime folder belongs to the user alone (Qt makes one with mode 0700 when the desktop gives
    // none), so no other account can take the name first.
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (!runtime.isEmpty() && QFileInfo(runtime).isDir()) {
        return QDir(runtime).filePath(QStringLiteral("vesperlog.sock"));
    }
    return QStringLiteral("vesperlog-%1").arg(::getuid());
}

SingleInstance::Answer SingleInstance::signalRunningInstance(const QString& name, int timeoutMs)
{
    QLocalSocket socket;
    socket.connectToServer(name);
    if (!socket.waitForConnected(timeoutMs)) {
        // A socket left behind by a crashed process refuses the connection.
        return Answer::Nobody;
    }
    // Only a live process accepts a connection (its system queue does so even while the process is
    // busy): from here on the name is taken, whether or not the answer comes in time. The request
    // stays queued and is answered once the running instance reaches its event loop.
    socket.write(kActivate);
    if (!socket.waitForBytesWritten(timeoutMs) || !socket.waitForReadyRead(timeoutMs)) {
        return Answer::Busy;
    }
    return socket.readAll().startsWith(kAcknowledge) ? Answer::Acknowledged : Answer::Busy;
}

bool SingleInstance::askToComeForward(const QString& serverName, int timeoutMs)
{
    return signalRunningInstance(serverName, timeoutMs) == Answer::Acknowledged;
}

SingleInstance::Outcome SingleInstance::acquire(int timeoutMs)
{
    if (m_server) {
        return Outcome::Primary;
    }
    // Serialise concurrent launches: the check and the listen must happen as one step.
    const QString lockPath =
        (QFileInfo(m_name).isAbsolute() ? m_name : QDir::temp().filePath(m_name)) + QStringLiteral(".lock");
    QLockFile lock(lockPath);
    lock.setStaleLockTime(10000);
    const bool locked = lock.tryLock(timeoutMs);

    switch (signalRunningInstance(m_name, timeoutMs)) {
    case Answer::Acknowledged: return Outcome::HandedOver;
    case Answer::Busy:
        vsp::logFailure(
            QStringLiteral("single-instance check"),
            QStringLiteral("Vesperlog is already running but not answering (no reply within %1 ms)").arg(timeoutMs));
        return Outcome::NotAnswering;
    case Answer::Nobody: break;
    }

    auto* server = new QLocalServer(this);
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server->listen(m_name)) {
        // Nobody answered, so whatever holds the name is left over from a crash.
        QLocalServer::removeServer(m_name);
        if (!server->listen(m_name)) {
            vsp::logFailure(QStringLiteral("single-instance check"), server->errorString());
            delete server;
            return Outcome::Primary;
        }
    }
    if (!locked) {
        vsp::logFailure(QStringLiteral("single-instance lock"), lock.error() == QLockFile::LockFailedError
                                                                    ? QStringLiteral("held by another launch")
                                                                    : QStringLiteral("could not be created"));
    }
    m_server = server;
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* client = m_server->nextPendingConnection()) {
            connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
            connect(client, &QLocalSocket::readyRead, this, [this, client] {
                if (client->canReadLine() && client->readLine() == kActivate) {
                    client->write(kAcknowledge);
                    client->flush();
                    Q_EMIT activationRequested();
                }
            });
        }
    });
    return Outcome::Primary;
}
