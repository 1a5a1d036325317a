#include "settings/SettingsFile.h"

#include <QFile>
#include <QSaveFile>

namespace zk {

std::optional<SettingsRecord> SettingsFile::load(const QString &path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray bytes = file.read(SettingsRecord::ByteSize);
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    file.close();
    if (bytes.size() < SettingsRecord::ByteSize) {
        QFile::remove(path);
        return std::nullopt;
    }
    return SettingsRecord::decode(bytes);
}

bool SettingsFile::save(const QString &path, const SettingsRecord &record) {
    // QSaveFile refuses to replace a file its owner cannot write.
    makeOwnerWritable(path);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray bytes = record.encode();
    // An uncommitted QSaveFile removes its temporary file and leaves the target alone.
    if (file.write(bytes) != bytes.size() || !file.commit())
        return false;
    makeOwnerWritable(path);
    return true;
}

void SettingsFile::makeOwnerWritable(const QString &path) {
    if (!QFile::exists(path))
        return;
    const QFileDevice::Permissions permissions = QFile::permissions(path);
    if (permissions.testFlag(QFileDevice::WriteOwner))
        return;
    QFile::setPermissions(path, permissions | QFileDevice::WriteOwner);
}

} // namespace zk
