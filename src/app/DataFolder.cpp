#include "app/DataFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

#include <climits>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace zk {

bool DataFolder::isWritableFolder(const QString &folder) {
    // Permission bits do not tell for root or read-only mounts: try a file.
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".zkprobe-XXXXXX")));
    return probe.open();
}

bool DataFolder::isInstalled(const QString &programFolder) {
    return QFileInfo(QDir(programFolder).filePath(QStringLiteral("../share/zorkan"))).isDir();
}

QString DataFolder::choose(const QString &programFolder) {
    // An installed program keeps the user's files out of bin/ even where it may write there
    // (root, a prefix in the home folder).
    if (!isInstalled(programFolder) && isWritableFolder(programFolder))
        return QDir(programFolder).absolutePath();
    const QString user = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(user);
    return user;
}

QString DataFolder::resolveArgument(const QByteArray &argument, const QByteArray &launchFolder,
                                    std::optional<QTemporaryDir> &links) {
    if (argument.isEmpty())
        return {};
    const QByteArray path = argument.startsWith('/') ? argument : launchFolder + '/' + argument;
    const QString name = QFile::decodeName(path);
    if (QFile::encodeName(name) == path)
        return name;
    // Qt cannot say this name; a link can, keeping the file name's suffix.
    if (!links)
        links.emplace();
    const QString link = QDir(links->path()).filePath(QFileInfo(name).fileName());
    if (!links->isValid() || ::symlink(path.constData(), QFile::encodeName(link).constData()) != 0)
        return name;
    return link;
}

QByteArray DataFolder::systemPath(const QString &name) {
    const QByteArray path = QFile::encodeName(QFileInfo(name).absoluteFilePath());
    struct stat st = {};
    if (::lstat(path.constData(), &st) != 0 || !S_ISLNK(st.st_mode))
        return path;
    QByteArray target(PATH_MAX, '\0');
    const ssize_t n = ::readlink(path.constData(), target.data(), size_t(target.size()));
    if (n <= 0 || n >= target.size())
        return path;
    target.truncate(n);
    const bool unreadable = QFile::encodeName(QFile::decodeName(target)) != target;
    return target.startsWith('/') && unreadable ? target : path;
}

QByteArray DataFolder::currentFolder() {
    std::vector<char> buffer(PATH_MAX + 1);
    if (::getcwd(buffer.data(), buffer.size()))
        return QByteArray(buffer.data());
    return QFile::encodeName(QDir::currentPath());
}

} // namespace zk
