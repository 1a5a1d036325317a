#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>

#include <memory>

namespace zk {

// One running program per user: the first instance listens on a local socket,
// later ones ask it to come forward and end.
class SingleInstance final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SingleInstance)
public:
    // `name` defaults to one made from the program name and the user id.
    explicit SingleInstance(const QString &name = QString(), QObject *parent = nullptr);

    // True when this process is the first instance; false after asking the running one.
    bool claim();
    static QString defaultName();

signals:
    void raiseRequested();

private:
    bool listen();
    bool notifyRunning();

    QString m_name;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer m_server;
};

} // namespace zk
