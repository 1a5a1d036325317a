#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>

class QLocalSocket;

#include <memory>

namespace zk {

// One running program per user: the first instance listens on a local socket,
// later ones ask it to come forward, hand it the file they were given, and end. Lock and socket
// live in a folder only the user can reach, so another user can neither block nor impersonate it.
class SingleInstance final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SingleInstance)
public:
    enum class Claim { First, Running, Failed };

    // `name` defaults to one made from the program name and the user id.
    explicit SingleInstance(const QString &name = QString(), QObject *parent = nullptr);

    // Running after the running instance was asked to come forward and, when `file` (an
    // absolute path as the system's bytes) is given, to open it; Failed with problem() saying why.
    Claim claim(const QByteArray &file = {});
    QString problem() const { return m_problem; }

    static QString defaultName();
    // The user's private folder: "zorkan" in XDG_RUNTIME_DIR when that is the
    // user's own, otherwise "zorkan-<uid>" in the temporary folder, or "zorkan" in the
    // user's cache folder when another user took that name first.
    static QString folder();
    static QString socketPath(const QString &name);

signals:
    // A later start's file comes first, then the request to come forward.
    void fileHanded(const QByteArray &path);
    void raiseRequested();

private:
    // Where lock and socket may go, best first.
    static QStringList folders();
    static QString preparePrivateFolder(const QString &path);
    bool preparePrivateFolder();
    QString socketPath() const;
    void listen();
    void serve(QLocalSocket *socket);
    bool notifyRunning(const QByteArray &file);

    QString m_name;
    QString m_folder;
    QString m_problem;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer m_server;
};

} // namespace zk
