#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace zk {

// What identifies a book file wherever it is moved: its size and a hash of
// its first megabyte; with the title it gives itself, or its file name.
struct BookFile {
    QByteArray path; // absolute, as the system's bytes
    qint64 size = 0;
    QString hash; // hex SHA-256
    QString title;

    static constexpr qint64 HashedBytes = 1024 * 1024;
    static constexpr int MaxTitle = 300;
    // nullopt when the file cannot be read. `systemPath` is where the file really is
    // when `path` is only a readable name for it; by default `path` itself.
    static std::optional<BookFile> inspect(const QString &path, const QByteArray &systemPath = {});
    // A title fit for a menu: one line, no direction overrides or control
    // characters, at most MaxTitle characters.
    static QString cleanTitle(QStringView title);
};

} // namespace zk
