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

// A bounded pass over pending events so the window repaints before returning.
inline void pumpEvents(Qt::CursorShape shape) {
    BusyCursor cursor(shape);
    for (int i = 0; i < 4; ++i)
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

} // namespace zk
