#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

namespace zk {

// Reading and replacing the files the program keeps or is given. Only a regular
// file is read or written, once links are followed: a device, FIFO, socket or
// folder could block, never end or be replaced. Failures come back in the
// user's words ("нет места на диске"), empty when all went well.
class SafeFile final {
public:
    struct Content {
        QByteArray bytes;
        QString problem;
        bool missing = false;   // there is no such file
        bool truncated = false; // the file holds more than the limit
        bool stopped = false;   // given up when asked to
    };

    // What to give of a file that holds more than the limit: its start, or nothing, in
    // which case a file whose size tells so is not read at all.
    enum class Excess { Start, Nothing };

    // At most `limit` bytes; opened without blocking.
    // `stop`, asked between pieces of a few megabytes, gives the reading up.
    static Content read(const QString &path, qint64 limit, Excess excess = Excess::Start,
                        const std::function<bool()> &stop = {});

    // Why the file may not be read, or empty.
    static QString refusal(const QString &path);

    // Writes beside the file and renames over it, so a failure leaves it whole. Refused:
    // links owned by another user or to another user's file, files without the owner's
    // write permission. The mode of a replaced file stays as it was.
    static QString write(const QString &path, const QByteArray &bytes);
    // Why `write` would refuse the file, or empty. `target` gets the file a write lands
    // on once the user's own links are followed, for writers that open it themselves.
    static QString writeRefusal(const QString &path, QString *target = nullptr);
    // Takes one piece of the bytes; false when it could not be written.
    using Sink = std::function<bool(QByteArrayView)>;
    // As above, the bytes handed to `put` piece by piece by `produce`, which says false when
    // they are not all there; the file is then left as it was.
    static QString write(const QString &path, const std::function<bool(const Sink &put)> &produce);

    static QString reason(int error);
    static QString openFailure(const QString &path, const QString &problem);
    static QString saveFailure(const QString &path, const QString &problem);
};

} // namespace zk
