#include "display/RowGeometry.h"

#include <algorithm>

namespace zk {

QList<int> RowGeometry::tops(int panelHeight, int rows, int rowHeight, int offset) {
    QList<int> result;
    // C++ division truncates toward zero, as the layout wants for negative margins.
    const long long margin =
        (static_cast<long long>(panelHeight) - static_cast<long long>(rows) * rowHeight) / 2;
    for (int i = 0; i < rows; ++i)
        result.append(static_cast<int>(margin + offset + static_cast<long long>(i) * rowHeight));
    return result;
}

int RowGeometry::fit(int available, int rowHeight, int fallback) {
    if (rowHeight <= 0)
        return fallback;
    return std::max(0, available / rowHeight);
}

} // namespace zk
