#pragma once

#include <QApplication>

namespace zk {

// The hourglass for the length of a scope, always balanced.
class BusyCursor final {
public:
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    Q_DISABLE_COPY_MOVE(BusyCursor)
};

} // namespace zk
