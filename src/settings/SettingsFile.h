#pragma once

#include "settings/SettingsRecord.h"

#include <QString>

#include <optional>

namespace zk {

// The settings record on disk: read-only on load, atomic on save.
class SettingsFile final {
public:
    // nullopt when there is no usable record. A file shorter than one record is
    // deleted; a file that cannot be opened or read is left alone.
    static std::optional<SettingsRecord> load(const QString &path);

    // Writes beside and renames, so a failure leaves the previous file whole.
    static bool save(const QString &path, const SettingsRecord &record);

    // Failures are ignored: the file stays as it is.
    static void makeOwnerWritable(const QString &path);
};

} // namespace zk
