#pragma once

#include <QObject>
#include <QString>

namespace zk {

struct WindowParts;

// The session's start and end: restoring what the last one stored, the
// decisions made once the window is up, and storing everything at exit, also
// when no window may wait.
class SessionController final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SessionController)
public:
    explicit SessionController(WindowParts &parts);

    void start();
    // Once the window is up: messages left by start-up, full screen, auto-start.
    void startShown();
    void shutDown();
    // The shut-down when no window may wait: a session end, a termination signal.
    void shutDownUnattended();
    // A termination from outside: that shut-down, then every event loop ends,
    // modal ones included. One that comes while the window is being made waits
    // for the end of start-up; start-up then goes quickly: a conversion gives up
    // and nothing is asked.
    void requestTermination();

    void tellSaveFailure(const QString &failure);
    static void logProblem(const QString &text);

private:
    void tellLastSessionNote();

    WindowParts &m_parts;
    bool m_startedUp = false;
};

} // namespace zk
