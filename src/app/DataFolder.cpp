#include "app/DataFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace zk {

bool DataFolder::isWritableFolder(const QString &folder) {
    // Permission bits do not tell for root or read-only mounts: try a file.
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".zkprobe-XXXXXX")));
    return probe.open();
}

QString DataFolder::choose(const QString &programFolder) {
    if (isWritableFolder(programFolder))
        return QDir(programFolder).absolutePath();
    const QString user = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(user);
    return user;
}

QString DataFolder::resolveArgument(const QString &argument, const QString &launchFolder) {
    if (argument.isEmpty())
        return {};
    const QFileInfo info(argument);
    if (info.isAbsolute())
        return argument;
    return QDir(launchFolder).absoluteFilePath(argument);
}

} // namespace zk
