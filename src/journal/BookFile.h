#pragma once

#include <QString>

#include <optional>

namespace zk {

// What identifies a book file wherever it is moved: its size and a hash of
// its first megabyte; with the title it gives itself, or its file name.
struct BookFile {
    QString path; // absolute, clean
    qint64 size = 0;
    QString hash; // hex SHA-256
    QString title;

    static constexpr qint64 HashedBytes = 1024 * 1024;
    // nullopt when the file cannot be read.
    static std::optional<BookFile> inspect(const QString &path);
};

} // namespace zk
