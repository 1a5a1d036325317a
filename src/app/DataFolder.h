#pragma once

#include <QString>

namespace zk {

// Where "ZKData" and "LastEdit" live: the program's folder when it is writable,
// otherwise the per-user data folder.
class DataFolder final {
public:
    static QString choose(const QString &programFolder);
    static bool isWritableFolder(const QString &folder);
    // A command-line file name taken relative to the launch folder.
    static QString resolveArgument(const QString &argument, const QString &launchFolder);
};

} // namespace zk
