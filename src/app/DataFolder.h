#pragma once

#include <QString>
#include <QTemporaryDir>

#include <optional>

namespace zk {

// Where "ZKData" and "LastEdit" live: the program's folder when it is writable and not an
// installed bin/ folder, otherwise the per-user data folder.
class DataFolder final {
public:
    static QString choose(const QString &programFolder);
    static bool isWritableFolder(const QString &folder);
    // The program sits in bin/ beside share/zorkan/, as an install puts it.
    static bool isInstalled(const QString &programFolder);
    // A command-line file name, as the bytes the system gave, taken relative to
    // the launch folder. A name that is no valid text in the local encoding is
    // reached through a link of a readable name made in `links`.
    static QString resolveArgument(const QByteArray &argument, const QByteArray &launchFolder,
                                   std::optional<QTemporaryDir> &links);
    // The system's name of the file read through `name`: a link made above stands for
    // its target, whose name is not readable text.
    static QByteArray systemPath(const QString &name);
    // The current folder as the system names it.
    static QByteArray currentFolder();
};

} // namespace zk
