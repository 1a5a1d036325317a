#include "formats/ReadBudget.h"

#include <QIODevice>

#include <algorithm>

namespace zk {

bool ReadBudget::spend(qint64 &left, qint64 n) {
    if (n > left) {
        left = 0;
        return false;
    }
    left -= n;
    return true;
}

bool ReadBudget::affords(qint64 n) {
    if (n > m_bytes) {
        m_bytes = 0;
        return false;
    }
    return true;
}

bool ReadBudget::append(QByteArray &data, const char *bytes, qint64 n) {
    if (!spendBytes(n))
        return false;
    const qint64 needed = qint64(data.size()) + n;
    const qint64 capacity = data.capacity();
    if (needed > capacity)
        data.reserve(std::min(std::max(needed, capacity * 2), needed + m_bytes));
    data.append(bytes, n);
    return true;
}

std::optional<QByteArray> ReadBudget::readAll(QIODevice &device) {
    if (!affords(device.size()))
        return std::nullopt;
    // A declared size may be wrong; it only sizes the first allocation.
    constexpr qint64 kReserveAtMost = qint64(64) << 20;
    QByteArray data;
    data.reserve(std::clamp<qint64>(device.size(), 0, kReserveAtMost));
    char chunk[64 * 1024];
    qint64 got = 0;
    while ((got = device.read(chunk, sizeof chunk)) > 0) {
        if (!append(data, chunk, got))
            return std::nullopt;
    }
    if (got < 0)
        return std::nullopt;
    return data;
}

} // namespace zk
