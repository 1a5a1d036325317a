#include "app/SingleInstance.h"

#include <QDir>
#include <QLocalSocket>
#include <QStandardPaths>

#include <unistd.h>

namespace zk {

SingleInstance::SingleInstance(const QString &name, QObject *parent)
    : QObject(parent), m_name(name.isEmpty() ? defaultName() : name) {
    connect(&m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *socket = m_server.nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            socket->write("ok");
            socket->flush();
            emit raiseRequested();
        }
    });
}

QString SingleInstance::defaultName() {
    return QStringLiteral("zorkan-%1").arg(getuid());
}

bool SingleInstance::claim() {
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty())
        dir = QDir::tempPath();
    // The lock decides between simultaneous starts; a crashed holder's lock is stale.
    m_lock = std::make_unique<QLockFile>(QDir(dir).filePath(m_name + QStringLiteral(".lock")));
    m_lock->setStaleLockTime(0);
    if (m_lock->tryLock(100))
        return listen();
    // Another instance holds the lock: ask it to come forward.
    for (int attempt = 0; attempt < 20; ++attempt) {
        if (notifyRunning())
            return false;
        if (m_lock->tryLock(100))
            return listen();
    }
    return false;
}

bool SingleInstance::listen() {
    QLocalServer::removeServer(m_name); // a socket left by a crash
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    // Without the socket we still run; later starts then wait for the lock and give up.
    m_server.listen(m_name);
    return true;
}

bool SingleInstance::notifyRunning() {
    QLocalSocket socket;
    socket.connectToServer(m_name);
    if (!socket.waitForConnected(500))
        return false;
    socket.waitForReadyRead(500);
    socket.disconnectFromServer();
    return true;
}

} // namespace zk
