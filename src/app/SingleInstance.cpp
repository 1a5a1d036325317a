#include "app/SingleInstance.h"

#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QtEndian>

#include <cerrno>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zk {

namespace {

// A folder that is the user's own and closed to everybody else.
bool isPrivateFolder(const struct stat &st) {
    return S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() && (st.st_mode & 077) == 0;
}

// A request is the length of the file's path in four bytes, then the path; none for "come forward".
constexpr qsizetype LengthBytes = 4;
constexpr quint32 LongestPath = 1 << 16;

} // namespace

SingleInstance::SingleInstance(const QString &name, QObject *parent)
    : QObject(parent), m_name(name.isEmpty() ? defaultName() : name) {
    connect(&m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *socket = m_server.nextPendingConnection())
            serve(socket);
    });
}

void SingleInstance::serve(QLocalSocket *socket) {
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
        if (socket->property("served").toBool() || socket->bytesAvailable() < LengthBytes)
            return;
        uchar lengthBytes[LengthBytes];
        socket->peek(reinterpret_cast<char *>(lengthBytes), LengthBytes);
        const quint32 length = qFromBigEndian<quint32>(lengthBytes);
        if (length > LongestPath) {
            socket->abort();
            return;
        }
        if (socket->bytesAvailable() < LengthBytes + qsizetype(length))
            return;
        socket->skip(LengthBytes);
        const QByteArray path = socket->read(length);
        socket->setProperty("served", true);
        socket->write("ok");
        socket->flush();
        // From the event loop, not from inside the socket: loading a book runs nested event
        // loops, in which this socket may end.
        QMetaObject::invokeMethod(
            this,
            [this, path] {
                if (path.startsWith('/'))
                    emit fileHanded(path);
                emit raiseRequested();
            },
            Qt::QueuedConnection);
    });
}

QString SingleInstance::defaultName() {
    return QStringLiteral("zorkan-%1").arg(::geteuid());
}

QString SingleInstance::folder() {
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    struct stat st = {};
    if (!runtime.isEmpty() && ::lstat(runtime.constData(), &st) == 0 && isPrivateFolder(st))
        return QFile::decodeName(runtime) + QStringLiteral("/zorkan");
    return QDir::tempPath() + QStringLiteral("/zorkan-%1").arg(::geteuid());
}

QString SingleInstance::socketPath(const QString &name) {
    return folder() + u'/' + name;
}

bool SingleInstance::preparePrivateFolder() {
    const QString path = folder();
    const QByteArray local = QFile::encodeName(path);
    struct stat st = {};
    // lstat: a link could lead into somebody else's folder.
    if (::mkdir(local.constData(), 0700) != 0 && errno != EEXIST)
        m_problem = QStringLiteral("не удалось создать папку %1").arg(path);
    else if (::lstat(local.constData(), &st) != 0 || !S_ISDIR(st.st_mode))
        m_problem = QStringLiteral("%1 не папка").arg(path);
    else if (st.st_uid != ::geteuid())
        m_problem = QStringLiteral("папка %1 принадлежит другому пользователю").arg(path);
    else if (!isPrivateFolder(st) && ::chmod(local.constData(), 0700) != 0)
        m_problem = QStringLiteral("папка %1 открыта другим пользователям").arg(path);
    return m_problem.isEmpty();
}

SingleInstance::Claim SingleInstance::claim(const QByteArray &file) {
    if (!preparePrivateFolder())
        return Claim::Failed;
    // The lock decides between simultaneous starts; a crashed holder's lock is stale.
    m_lock = std::make_unique<QLockFile>(socketPath(m_name) + QStringLiteral(".lock"));
    m_lock->setStaleLockTime(0);
    for (int attempt = 0; attempt < 30; ++attempt) {
        if (m_lock->tryLock(100)) {
            listen();
            return Claim::First;
        }
        // Another instance holds the lock: ask it to come forward.
        if (notifyRunning(file))
            return Claim::Running;
    }
    m_problem = QStringLiteral("программа уже запущена, но не отвечает");
    return Claim::Failed;
}

void SingleInstance::listen() {
    const QString path = socketPath(m_name);
    QLocalServer::removeServer(path); // a socket left by a crash
    // Without the socket we still run; later starts then wait for the lock and say so.
    m_server.listen(path);
}

bool SingleInstance::notifyRunning(const QByteArray &file) {
    const QString path = socketPath(m_name);
    struct stat st = {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISSOCK(st.st_mode) ||
        st.st_uid != ::geteuid())
        return false;
    QLocalSocket socket;
    socket.connectToServer(path);
    if (!socket.waitForConnected(500))
        return false;
    // Only a server of the same user may be asked.
    ucred peer = {};
    socklen_t size = sizeof peer;
    if (::getsockopt(int(socket.socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0 ||
        peer.uid != ::geteuid())
        return false;
    uchar length[LengthBytes];
    qToBigEndian<quint32>(quint32(file.size()), length);
    socket.write(reinterpret_cast<const char *>(length), LengthBytes);
    socket.write(file);
    // Once sent it is not sent again, or a busy instance would open the file twice.
    socket.waitForBytesWritten(2000);
    socket.waitForReadyRead(5000);
    socket.disconnectFromServer();
    return true;
}

} // namespace zk
