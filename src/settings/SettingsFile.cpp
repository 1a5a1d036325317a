#include "settings/SettingsFile.h"

#include "settings/SafeFile.h"

#include <QFile>

namespace zk {

std::optional<SettingsRecord> SettingsFile::load(const QString &path, QString *problem) {
    const SafeFile::Content content = SafeFile::read(path, SettingsRecord::ByteSize);
    if (!content.problem.isEmpty()) {
        if (problem && !content.missing)
            *problem = content.problem;
        return std::nullopt;
    }
    if (content.bytes.size() < SettingsRecord::ByteSize) {
        QFile::remove(path);
        return std::nullopt;
    }
    return SettingsRecord::decode(content.bytes);
}

bool SettingsFile::save(const QString &path, const SettingsRecord &record, QString *problem) {
    const QString failure = SafeFile::write(path, record.encode());
    if (problem)
        *problem = failure;
    return failure.isEmpty();
}

} // namespace zk
