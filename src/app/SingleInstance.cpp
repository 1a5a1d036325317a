#include "app/SingleInstance.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QtEndian>

#include <algorithm>
#include <cerrno>
#include <pwd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zk {

namespace {

// A folder that is the user's own and closed to everybody else.
bool isPrivateFolder(const struct stat &st) {
    return S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() && (st.st_mode & 077) == 0;
}

// Another user's folder, or not a folder at all (a link, a file): nothing we could use.
bool isTaken(const QString &path) {
    struct stat st = {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 &&
           (!S_ISDIR(st.st_mode) || st.st_uid != ::geteuid());
}

// In the user's own home, where no other user can create it.
QString cacheFolder() {
    QString cache = qEnvironmentVariable("XDG_CACHE_HOME");
    if (!cache.startsWith(u'/')) {
        QString home = qEnvironmentVariable("HOME");
        if (!home.startsWith(u'/')) {
            const passwd *user = ::getpwuid(::geteuid());
            home = user ? QFile::decodeName(user->pw_dir) : QString();
        }
        cache = home + QStringLiteral("/.cache");
    }
    return cache + QStringLiteral("/zorkan");
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

QStringList SingleInstance::folders() {
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    struct stat st = {};
    if (!runtime.isEmpty() && ::lstat(runtime.constData(), &st) == 0 && isPrivateFolder(st))
        return {QFile::decodeName(runtime) + QStringLiteral("/zorkan")};
    // Another user may take the shared name first; the cache is then the user's only own place.
    return {QDir::tempPath() + QStringLiteral("/zorkan-%1").arg(::geteuid()), cacheFolder()};
}

QString SingleInstance::folder() {
    const QStringList places = folders();
    const auto free = std::find_if_not(places.cbegin(), places.cend(), isTaken);
    return free == places.cend() ? places.first() : *free;
}

QString SingleInstance::socketPath(const QString &name) {
    return folder() + u'/' + name;
}

QString SingleInstance::socketPath() const {
    return m_folder + u'/' + m_name;
}

QString SingleInstance::preparePrivateFolder(const QString &path) {
    const QByteArray local = QFile::encodeName(path);
    // The cache itself may not exist yet in a fresh home.
    if (path == cacheFolder())
        QDir().mkpath(QFileInfo(path).path());
    struct stat st = {};
    // lstat: a link could lead into somebody else's folder.
    if (::mkdir(local.constData(), 0700) != 0 && errno != EEXIST)
        return QStringLiteral("не удалось создать папку %1").arg(path);
    if (::lstat(local.constData(), &st) != 0 || !S_ISDIR(st.st_mode))
        return QStringLiteral("%1 не папка").arg(path);
    if (st.st_uid != ::geteuid())
        return QStringLiteral("папка %1 принадлежит другому пользователю").arg(path);
    if (!isPrivateFolder(st) && ::chmod(local.constData(), 0700) != 0)
        return QStringLiteral("папка %1 открыта другим пользователям").arg(path);
    return {};
}

bool SingleInstance::preparePrivateFolder() {
    // The first place that can be made private; the first one's problem when none can.
    for (const QString &path : folders()) {
        const QString problem = preparePrivateFolder(path);
        if (problem.isEmpty()) {
            m_folder = path;
            m_problem.clear();
            return true;
        }
        if (m_problem.isEmpty())
            m_problem = problem;
    }
    return false;
}

SingleInstance::Claim SingleInstance::claim(const QByteArray &file) {
    if (!preparePrivateFolder())
        return Claim::Failed;
    // The lock decides between simultaneous starts; a crashed holder's lock is stale.
    m_lock = std::make_unique<QLockFile>(socketPath() + QStringLiteral(".lock"));
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
    const QString path = socketPath();
    QLocalServer::removeServer(path); // a socket left by a crash
    // Without the socket we still run; later starts then wait for the lock and say so.
    m_server.listen(path);
}

bool SingleInstance::notifyRunning(const QByteArray &file) {
    const QString path = socketPath();
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
