#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <optional>

class QIODevice;

namespace zk {

// What reading one document may cost: bytes taken from its file or unpacked from its archive,
// and characters of text. A small hostile file (a zip bomb, a spine naming one chapter
// thousands of times, an entity referenced a million times) runs out of it, and fails to
// load, instead of filling memory.
class ReadBudget final {
public:
    static constexpr qint64 DefaultBytes = qint64(512) << 20;
    static constexpr qint64 DefaultChars = qint64(256) << 20;

    explicit ReadBudget(qint64 bytes = DefaultBytes, qint64 chars = DefaultChars)
        : m_bytes(bytes), m_chars(chars) {}

    qint64 bytesLeft() const { return m_bytes; }
    qint64 charsLeft() const { return m_chars; }
    // False when n is more than is left; the budget is then used up.
    bool spendBytes(qint64 n) { return spend(m_bytes, n); }
    bool spendChars(qint64 n) { return spend(m_chars, n); }
    // As spendBytes, without spending: a size known before reading refuses what would not fit.
    bool affords(qint64 n);
    // Pays for n bytes and appends them; the array grows no further than the budget can fill,
    // so running out never holds twice what was read.
    bool append(QByteArray &data, const char *bytes, qint64 n);

    // The rest of an open device, paid for as it is read; nullopt on a read error or when
    // the budget runs out. A device larger than the budget (a file's size, the size an archive
    // entry declares) is refused before a byte is read.
    std::optional<QByteArray> readAll(QIODevice &device);

private:
    static bool spend(qint64 &left, qint64 n);

    qint64 m_bytes;
    qint64 m_chars;
};

} // namespace zk
