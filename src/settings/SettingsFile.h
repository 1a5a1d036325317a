#pragma once

#include "settings/SettingsRecord.h"

#include <QString>

#include <optional>

namespace zk {

// The settings record on disk: read-only on load, atomic on save. `problem` says
// in the user's words why a load or save failed.
class SettingsFile final {
public:
    // nullopt when there is no usable record. A file shorter than one record is
    // deleted; a file that cannot be opened or read is left alone. A missing file
    // is no problem.
    static std::optional<SettingsRecord> load(const QString &path, QString *problem = nullptr);

    // Writes beside and renames, so a failure leaves the previous file whole.
    static bool save(const QString &path, const SettingsRecord &record, QString *problem = nullptr);
};

} // namespace zk
