#include "settings/SafeFile.h"

#include <QFile>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace zk {

namespace {

const QString NotRegular = QStringLiteral("это не обычный файл");
const QString Folder = QStringLiteral("это папка");
const QString ForeignLink = QStringLiteral("это ссылка на файл другого пользователя");
const QString ReadOnly = QStringLiteral("файл защищён от записи");

constexpr int MaxLinks = 40;
constexpr qint64 MaxChunk = 1 << 30;
// What is read between two looks at whether to stop.
constexpr qint64 StopPiece = 1 << 24;

class Descriptor final {
public:
    explicit Descriptor(int fd = -1) : m_fd(fd) {}
    ~Descriptor() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Q_DISABLE_COPY_MOVE(Descriptor)

    int get() const { return m_fd; }
    void reset(int fd) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = fd;
    }
    // Some file systems report a failed write only here.
    bool close() { return ::close(std::exchange(m_fd, -1)) == 0 || errno == EINTR; }

private:
    int m_fd;
};

QString kindProblem(const struct stat &st) {
    if (S_ISDIR(st.st_mode))
        return Folder;
    if (!S_ISREG(st.st_mode))
        return NotRegular;
    return {};
}

bool writeAll(int fd, QByteArrayView bytes) {
    const char *data = bytes.constData();
    qint64 left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, data, size_t(std::min(left, MaxChunk)));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        left -= n;
    }
    return true;
}

// Up to `size` bytes into `data`; -1 on error.
qint64 readSome(int fd, char *data, qint64 size) {
    for (;;) {
        const ssize_t n = ::read(fd, data, size_t(std::min(size, MaxChunk)));
        if (n >= 0 || errno != EINTR)
            return n;
    }
}

// The file a name stands for once links are followed. Every link on the way
// must be the user's own, or another user could point the write anywhere.
struct Target {
    QByteArray path;
    struct stat st = {};
    bool exists = false;
    bool linked = false;
    QString problem;
};

Target resolve(const QString &path) {
    Target t;
    t.path = QFile::encodeName(path);
    for (int depth = 0;; ++depth) {
        if (::lstat(t.path.constData(), &t.st) != 0) {
            if (errno != ENOENT)
                t.problem = SafeFile::reason(errno);
            return t;
        }
        if (!S_ISLNK(t.st.st_mode)) {
            t.exists = true;
            return t;
        }
        if (t.st.st_uid != ::geteuid()) {
            t.problem = ForeignLink;
            return t;
        }
        QByteArray link(PATH_MAX, '\0');
        const ssize_t n = ::readlink(t.path.constData(), link.data(), size_t(link.size()));
        if (depth == MaxLinks || n < 0 || n >= link.size()) {
            t.problem = SafeFile::reason(n < 0 ? errno : ELOOP);
            return t;
        }
        link.truncate(n);
        if (!link.startsWith('/'))
            link.prepend(t.path.left(t.path.lastIndexOf('/') + 1));
        t.path = link;
        t.linked = true;
    }
}

} // namespace

SafeFile::Content SafeFile::read(const QString &path, qint64 limit, Excess excess,
                                 const std::function<bool()> &stop) {
    Content c;
    const QByteArray name = QFile::encodeName(path);
    struct stat st = {};
    if (::stat(name.constData(), &st) != 0) {
        c.missing = errno == ENOENT;
        c.problem = reason(errno);
        return c;
    }
    c.problem = kindProblem(st);
    if (!c.problem.isEmpty())
        return c;
    // Without blocking, should a FIFO have taken the file's place since.
    Descriptor fd(::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (fd.get() < 0 || ::fstat(fd.get(), &st) != 0) {
        c.problem = reason(errno);
        return c;
    }
    c.problem = kindProblem(st);
    if (!c.problem.isEmpty())
        return c;
    if (excess == Excess::Nothing && st.st_size > limit) {
        c.truncated = true;
        return c;
    }

    QByteArray &bytes = c.bytes;
    bytes.resize(std::clamp<qint64>(st.st_size, 0, limit));
    qint64 filled = 0;
    for (;;) {
        if (filled == bytes.size()) {
            if (filled == limit) {
                char probe = 0;
                c.truncated = readSome(fd.get(), &probe, 1) > 0;
                if (c.truncated && excess == Excess::Nothing) {
                    bytes.clear();
                    return c;
                }
                break;
            }
            // Some files (in /proc) do not tell their size.
            bytes.resize(std::min(limit, filled + 65536));
        }
        if (stop && stop()) {
            c.problem = QStringLiteral("чтение прервано");
            c.stopped = true;
            bytes.clear();
            return c;
        }
        const qint64 n = readSome(fd.get(), bytes.data() + filled,
                                  std::min(bytes.size() - filled, stop ? StopPiece : MaxChunk));
        if (n < 0) {
            c.problem = reason(errno);
            bytes.clear();
            return c;
        }
        if (n == 0)
            break;
        filled += n;
    }
    bytes.resize(filled);
    return c;
}

QString SafeFile::refusal(const QString &path) {
    struct stat st = {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return reason(errno);
    return kindProblem(st);
}

namespace {

// Why the file a name stands for may not be written, or empty.
QString writeProblem(const Target &t) {
    if (!t.problem.isEmpty() || !t.exists)
        return t.problem;
    if (const QString problem = kindProblem(t.st); !problem.isEmpty())
        return problem;
    const uid_t me = ::geteuid();
    // Checked by the bits, so a file the user protected stays so even for root.
    if (t.st.st_uid == me && !(t.st.st_mode & S_IWUSR))
        return ReadOnly;
    if (t.st.st_uid != me && t.linked)
        return ForeignLink;
    if (t.st.st_uid != me && ::access(t.path.constData(), W_OK) != 0)
        return SafeFile::reason(errno);
    return {};
}

} // namespace

QString SafeFile::writeRefusal(const QString &path, QString *target) {
    const Target t = resolve(path);
    if (target)
        *target = QFile::decodeName(t.path);
    return writeProblem(t);
}

QString SafeFile::write(const QString &path, const QByteArray &bytes) {
    return write(path, [&bytes](const Sink &put) { return put(bytes); });
}

QString SafeFile::write(const QString &path, const std::function<bool(const Sink &)> &produce) {
    const Target t = resolve(path);
    if (const QString problem = writeProblem(t); !problem.isEmpty())
        return problem;
    const uid_t me = ::geteuid();
    const qsizetype slash = t.path.lastIndexOf('/');
    const QByteArray folder =
        slash < 0 ? QByteArray(".") : t.path.left(std::max<qsizetype>(slash, 1));
    const auto tempName = [&t] {
        return t.path + '.' + QByteArray::number(QRandomGenerator::global()->generate(), 36);
    };

    // A new file gets 0666 less the umask; a replaced one its own mode, set below.
    const mode_t mode = t.exists ? 0600 : 0666;
    // Unnamed while written, so a killed run leaves nothing behind.
    Descriptor fd(::open(folder.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, mode));
    const bool unnamed = fd.get() >= 0;
    QByteArray temp;
    for (int attempt = 0; !unnamed && attempt < 100; ++attempt) {
        temp = tempName();
        fd.reset(
            ::open(temp.constData(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC | O_NOFOLLOW, mode));
        if (fd.get() >= 0 || errno != EEXIST)
            break;
    }
    if (fd.get() < 0)
        return reason(errno);
    const auto fail = [&temp](int error) {
        if (!temp.isEmpty())
            ::unlink(temp.constData());
        return reason(error);
    };

    int error = 0;
    const Sink put = [&fd, &error](QByteArrayView piece) {
        if (writeAll(fd.get(), piece))
            return true;
        error = errno;
        return false;
    };
    if (!produce(put))
        return fail(error != 0 ? error : EIO);
    if (t.exists) {
        if (::fchmod(fd.get(), t.st.st_mode & 07777) != 0)
            return fail(errno);
        // Only root can hand a replaced file back to its owner.
        if (t.st.st_uid != me) {
            [[maybe_unused]] const int kept = ::fchown(fd.get(), t.st.st_uid, t.st.st_gid);
        }
    }
    if (::fsync(fd.get()) != 0 && errno != EINVAL)
        return fail(errno);
    if (unnamed) {
        const QByteArray self = "/proc/self/fd/" + QByteArray::number(fd.get());
        for (int attempt = 0; attempt < 100; ++attempt) {
            temp = tempName();
            if (::linkat(AT_FDCWD, self.constData(), AT_FDCWD, temp.constData(),
                         AT_SYMLINK_FOLLOW) == 0)
                break;
            const int error = errno;
            temp.clear();
            if (error != EEXIST)
                return reason(error);
        }
        if (temp.isEmpty())
            return reason(EEXIST);
    }
    if (!fd.close())
        return fail(errno);
    if (::rename(temp.constData(), t.path.constData()) != 0)
        return fail(errno);
    return {};
}

QString SafeFile::reason(int error) {
    switch (error) {
    case ENOSPC:
        return QStringLiteral("нет места на диске");
    case EDQUOT:
        return QStringLiteral("превышена дисковая квота");
    case EFBIG:
        return QStringLiteral("файл больше допустимого размера");
    case EACCES:
    case EPERM:
        return QStringLiteral("нет доступа");
    case EROFS:
        return QStringLiteral("диск защищён от записи");
    case ENOENT:
        return QStringLiteral("нет такого файла или папки");
    case ENOTDIR:
        return QStringLiteral("в пути к файлу не папка");
    case EISDIR:
        return Folder;
    case ENXIO:
    case ENODEV:
        return NotRegular;
    case ELOOP:
        return QStringLiteral("слишком много ссылок");
    case ENAMETOOLONG:
        return QStringLiteral("слишком длинное имя");
    case EIO:
        return QStringLiteral("ошибка ввода-вывода");
    default:
        return QString::fromLocal8Bit(std::strerror(error));
    }
}

QString SafeFile::openFailure(const QString &path, const QString &problem) {
    return QStringLiteral("Не удалось открыть %1: %2").arg(path, problem);
}

QString SafeFile::saveFailure(const QString &path, const QString &problem) {
    return QStringLiteral("Не удалось сохранить %1: %2").arg(path, problem);
}

} // namespace zk
