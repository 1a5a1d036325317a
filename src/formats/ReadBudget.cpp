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

std::optional<QByteArray> ReadBudget::readAll(QIODevice &device) {
    // The size an archive declares may lie; it only sizes the first allocation.
    constexpr qint64 kReserveAtMost = qint64(64) << 20;
    QByteArray data;
    data.reserve(std::clamp<qint64>(device.size(), 0, std::min(m_bytes, kReserveAtMost)));
    char chunk[64 * 1024];
    qint64 got = 0;
    while ((got = device.read(chunk, sizeof chunk)) > 0) {
        if (!spendBytes(got))
            return std::nullopt;
        data.append(chunk, got);
    }
    if (got < 0)
        return std::nullopt;
    return data;
}

} // namespace zk
