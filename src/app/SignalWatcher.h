#pragma once

#include <QObject>

class QSocketNotifier;

namespace zk {

// Turns SIGTERM, SIGINT and SIGHUP into a Qt signal on the event loop; the end
// of the desktop session comes in through request() and goes the same way.
class SignalWatcher final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SignalWatcher)
public:
    explicit SignalWatcher(QObject *parent = nullptr);
    ~SignalWatcher() override;

    // A request that came, heard on the event loop or not yet.
    bool pending() const;

    void request();

signals:
    void terminationRequested();

private:
    bool m_pending = false;
    QSocketNotifier *m_notifier = nullptr;
};

} // namespace zk
