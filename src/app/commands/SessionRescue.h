#pragma once

#include <QByteArray>
#include <QString>

namespace zk {

// What a shut-down that no window may hold up (a session end, a termination
// signal) could not store: the editor text goes to a new file of the per-user
// data folder, and a note tells the user at the next start.
class SessionRescue final {
public:
    // An empty folder means the per-user data folder.
    explicit SessionRescue(const QString &folder);

    // The new file's path, or empty with `problem` saying why.
    QString saveText(const QByteArray &bytes, QString *problem) const;
    void addNote(const QString &text) const;
    // The note left by an earlier run, removed once taken.
    QString takeNote() const;

private:
    QString notePath() const;

    QString m_folder;
};

} // namespace zk
