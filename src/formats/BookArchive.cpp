#include "formats/BookArchive.h"
#include "formats/ZipEntries.h"

#include <quazip/quazip.h>
#include <zlib.h>

#include <QFile>
#include <QHash>

#include <algorithm>
#include <climits>
#include <cstring>

namespace zk {

namespace {

// Reads through the central directory, checking each entry's CRC.
class DirectoryArchive final : public BookArchive {
public:
    explicit DirectoryArchive(const QString &path) : m_zip(path) {}

    bool open() {
        if (!m_zip.open(QuaZip::mdUnzip))
            return false;
        m_names = m_zip.getFileNameList();
        return !m_names.isEmpty();
    }

    std::optional<QByteArray> read(const QString &name, ReadBudget &budget) override {
        const std::optional<QString> stored = find(name);
        if (!stored)
            return std::nullopt;
        return readZipEntry(m_zip, *stored, budget);
    }

private:
    QuaZip m_zip;
};

quint16 le16(const char *p) {
    return static_cast<quint16>(static_cast<unsigned char>(p[0]) | static_cast<unsigned char>(p[1])
                                                                       << 8);
}

quint32 le32(const char *p) {
    return le16(p) | static_cast<quint32>(le16(p + 2)) << 16;
}

quint64 le64(const char *p) {
    return le32(p) | static_cast<quint64>(le32(p + 4)) << 32;
}

// The unpacked size a zip64 extra field holds for a header that left it to one; -1 without.
qint64 zip64UnpackedSize(QByteArrayView extra) {
    for (qsizetype at = 0; at + 4 <= extra.size(); at += 4 + le16(extra.data() + at + 2)) {
        if (le16(extra.data() + at) == 0x0001 && at + 12 <= extra.size())
            return static_cast<qint64>(std::min<quint64>(le64(extra.data() + at + 4), LLONG_MAX));
    }
    return -1;
}

constexpr quint32 kLocalHeader = 0x04034b50;
constexpr quint32 kDescriptor = 0x08074b50;
constexpr qsizetype kLocalHeaderSize = 30;
constexpr int kStored = 0;
constexpr int kDeflated = 8;

struct LocalEntry {
    qsizetype data = 0;       // offset of the stored bytes
    qsizetype packedSize = 0; // bytes stored, up to the end of the file when it was cut
    int method = kStored;
    quint32 crc = 0;
    qint64 unpackedSize = -1; // as the header declares it, when it does
    bool complete = false;    // all its bytes are there, so the CRC can be checked
};

// Inflates raw deflate data. Returns the bytes consumed; `ended` tells whether the stream
// reached its end. With `out` null the output is only counted, against the budget all the same.
qsizetype inflateRaw(QByteArrayView in, QByteArray *out, ReadBudget *budget, bool *ended,
                     bool *failed) {
    z_stream z{};
    *ended = false;
    *failed = false;
    if (inflateInit2(&z, -MAX_WBITS) != Z_OK) {
        *failed = true;
        return 0;
    }
    z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(in.data()));
    z.avail_in = static_cast<uInt>(std::min<qsizetype>(in.size(), UINT_MAX));
    char chunk[64 * 1024];
    for (;;) {
        z.next_out = reinterpret_cast<Bytef *>(chunk);
        z.avail_out = sizeof chunk;
        const int status = inflate(&z, Z_NO_FLUSH);
        const qsizetype got = static_cast<qsizetype>(sizeof chunk - z.avail_out);
        if (!(out ? budget->append(*out, chunk, got) : budget->spendBytes(got))) {
            *failed = true;
            break;
        }
        if (status == Z_STREAM_END) {
            *ended = true;
            break;
        }
        if (status != Z_OK || (got == 0 && z.avail_in == 0)) {
            // Out of input is a cut entry; anything else is damage.
            *failed = status != Z_OK && status != Z_BUF_ERROR;
            break;
        }
    }
    const qsizetype consumed = static_cast<qsizetype>(z.total_in);
    inflateEnd(&z);
    return consumed;
}

// Walks the local headers of an archive that lost its central directory.
class LocalArchive final : public BookArchive {
public:
    // Entries are followed no further than `limit` unpacked bytes.
    LocalArchive(QByteArray bytes, qint64 limit) : m_bytes(std::move(bytes)), m_limit(limit) {
        scan();
    }

    std::optional<QByteArray> read(const QString &name, ReadBudget &budget) override {
        const std::optional<QString> stored = find(name);
        if (!stored)
            return std::nullopt;
        const LocalEntry &e = m_entries[*stored];
        if (!budget.affords(e.unpackedSize))
            return std::nullopt;
        const QByteArrayView packed = QByteArrayView(m_bytes).sliced(e.data, e.packedSize);
        QByteArray data;
        if (e.method == kStored) {
            if (!budget.spendBytes(packed.size()))
                return std::nullopt;
            data = packed.toByteArray();
        } else {
            bool ended = false;
            bool failed = false;
            inflateRaw(packed, &data, &budget, &ended, &failed);
            if (failed)
                return std::nullopt;
            if (!ended)
                return data; // cut short: what was stored of it
        }
        if (e.complete && crc32(0, reinterpret_cast<const Bytef *>(data.constData()),
                                static_cast<uInt>(data.size())) != e.crc)
            return std::nullopt;
        return data;
    }

private:
    void scan() {
        qsizetype pos = 0;
        const qsizetype size = m_bytes.size();
        const char *base = m_bytes.constData();
        while (pos + kLocalHeaderSize <= size && le32(base + pos) == kLocalHeader) {
            const char *h = base + pos;
            const quint16 flags = le16(h + 6);
            const int method = le16(h + 8);
            const qsizetype nameLength = le16(h + 26);
            const qsizetype extraLength = le16(h + 28);
            const qsizetype data = pos + kLocalHeaderSize + nameLength + extraLength;
            if (data > size)
                break;
            const QString name = QString::fromUtf8(h + kLocalHeaderSize, nameLength);
            LocalEntry e;
            e.data = data;
            e.method = method;
            e.crc = le32(h + 14);
            const bool described = flags & 0x0008;
            const qint64 declared = le32(h + 18);
            if (!described) {
                e.unpackedSize = le32(h + 22) != 0xFFFFFFFF
                                     ? le32(h + 22)
                                     : zip64UnpackedSize(QByteArrayView(
                                           h + kLocalHeaderSize + nameLength, extraLength));
            }
            qsizetype end = 0;
            if (method == kDeflated) {
                // The deflate stream knows its own end, whatever the header says.
                bool ended = false;
                bool failed = false;
                ReadBudget counted(m_limit);
                end = data + inflateRaw(QByteArrayView(m_bytes).sliced(data), nullptr, &counted,
                                        &ended, &failed);
                e.complete = ended;
                if (failed && counted.bytesLeft() == 0)
                    e.unpackedSize = m_limit + 1;
            } else if (!described && declared != 0xFFFFFFFF) {
                end = std::min<qsizetype>(data + declared, size);
                e.complete = end == data + declared;
            } else {
                break; // a stored entry of unknown length: its end cannot be found
            }
            e.packedSize = end - data;
            if (described && e.complete) {
                // The descriptor holds the CRC; its signature is optional.
                const qsizetype at =
                    end + 4 <= size && le32(base + end) == kDescriptor ? end + 4 : end;
                if (at + 12 <= size) {
                    e.crc = le32(base + at);
                    end = at + 12;
                } else {
                    e.complete = false;
                }
            }
            const bool encrypted = flags & 0x0001;
            if (!encrypted && (method == kStored || method == kDeflated) && !name.isEmpty() &&
                !m_entries.contains(name)) {
                m_entries.insert(name, e);
                m_names.append(name);
            }
            if (!e.complete)
                break;
            pos = end;
        }
    }

    QByteArray m_bytes;
    qint64 m_limit;
    QHash<QString, LocalEntry> m_entries;
};

} // namespace

BookArchive::~BookArchive() = default;

std::optional<QString> BookArchive::find(const QString &name) const {
    if (m_names.contains(name))
        return name;
    for (const QString &stored : m_names) {
        if (stored.compare(name, Qt::CaseInsensitive) == 0)
            return stored;
    }
    return std::nullopt;
}

std::unique_ptr<BookArchive> BookArchive::open(const QString &path, ReadBudget &budget) {
    auto directory = std::make_unique<DirectoryArchive>(path);
    if (directory->open())
        return directory;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return nullptr;
    std::optional<QByteArray> bytes = budget.readAll(file);
    if (!bytes)
        return nullptr;
    auto local = std::make_unique<LocalArchive>(std::move(*bytes), budget.bytesLeft());
    if (local->names().isEmpty())
        return nullptr;
    return local;
}

} // namespace zk
