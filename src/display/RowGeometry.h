#pragma once

#include <QList>

namespace zk {

// Vertical placement of the display rows and how many fit.
class RowGeometry final {
public:
    // Tops of rows 0..n-1 centred in a panel of height P with rows of height h;
    // `offset` is 9 on the main window, 0 on the full-screen window.
    static QList<int> tops(int panelHeight, int rows, int rowHeight, int offset);
    // Rows of height h that fit in `available` pixels; never below 0, and
    // `fallback` when h is 0.
    static int fit(int available, int rowHeight, int fallback);
    // Row capacity from the characters that fit on one line of the measuring text.
    static int capacityFromFit(int charsOnFirstLine) { return charsOnFirstLine - 1; }

    static constexpr int MainOffset = 9;
    static constexpr int StripHeight = 39;
};

} // namespace zk
