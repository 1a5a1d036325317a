#include "app/commands/SessionRescue.h"

#include "settings/SafeFile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace zk {

namespace {

constexpr qint64 MaxNote = 1 << 16;

bool taken(const QString &path) {
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

} // namespace

SessionRescue::SessionRescue(const QString &folder)
    : m_folder(folder.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)
                                : folder) {}

QString SessionRescue::notePath() const {
    return QDir(m_folder).filePath(QStringLiteral("SessionNote"));
}

QString SessionRescue::saveText(const QByteArray &bytes, QString *problem) const {
    QDir().mkpath(m_folder);
    const QString stem = QDir(m_folder).filePath(
        QStringLiteral("LastEdit-") +
        QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")));
    QString path = stem + QStringLiteral(".txt");
    for (int n = 2; taken(path); ++n)
        path = QStringLiteral("%1-%2.txt").arg(stem).arg(n);
    *problem = SafeFile::write(path, bytes);
    return problem->isEmpty() ? path : QString();
}

void SessionRescue::addNote(const QString &text) const {
    QDir().mkpath(m_folder);
    QByteArray bytes = SafeFile::read(notePath(), MaxNote).bytes;
    if (!bytes.isEmpty())
        bytes += '\n';
    SafeFile::write(notePath(), bytes + text.toUtf8());
}

QString SessionRescue::takeNote() const {
    const SafeFile::Content note = SafeFile::read(notePath(), MaxNote);
    if (!note.problem.isEmpty())
        return {};
    QFile::remove(notePath());
    return QString::fromUtf8(note.bytes).trimmed();
}

} // namespace zk
