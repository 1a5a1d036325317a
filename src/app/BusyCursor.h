#pragma once

#include <QApplication>

namespace zk {

// An application-wide cursor for the length of a scope, the hourglass unless
// told otherwise; always balanced.
class BusyCursor final {
public:
    explicit BusyCursor(Qt::CursorShape shape = Qt::WaitCursor) {
        QApplication::setOverrideCursor(shape);
    }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    Q_DISABLE_COPY_MOVE(BusyCursor)
};

} // namespace zk
