#pragma once

#include "exercises/SchulteTable.h"
#include "journal/BookFile.h"
#include "journal/Session.h"

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QVariant>

#include <optional>

class QSqlError;
class QSqlQuery;

namespace zk {

// Whether the journal can be used, and one sentence for the window's status.
struct JournalStatus {
    bool available = false;
    QString message; // empty when there is nothing to say
};

struct BookRecord {
    qint64 id = 0;
    QByteArray path; // the system's bytes; empty once another file took its place
    qint64 size = 0;
    QString hash;
    QString title;
    int lastLine = 0;
    int lastPercent = 0;
    qint64 lastReadMs = 0; // 0: never read
    qint64 lastUsedMs = 0; // loaded or read
};

// One table found to its end.
struct ExerciseRecord {
    qint64 id = 0;
    qint64 endedMs = 0; // wall clock
    TableChoice choice;
    qint64 timeMs = 0;
    int errors = 0;

    QString exercise() const {
        return choice.kind == TableKind::Gorbov ? QStringLiteral("Таблица Горбова")
                                                : QStringLiteral("Таблица Шульте");
    }
};

struct BookTotals {
    qint64 bookId = 0;
    QString title;
    qint64 readingMs = 0;
    int sessions = 0;
    int percentReached = 0; // 100 once its end was reached
    int lastPercent = 0;    // where it was left
    qint64 words = 0;
    qint64 signs = 0;

    double averageSpeed(SpeedUnit unit) const;
};

// The journal's database "Journal.sqlite" in the data folder. Every failure
// leaves it unavailable with a reason instead of stopping the caller; a damaged
// file is kept aside under a dated name and a fresh journal begun.
class JournalStore final {
public:
    static constexpr int SchemaVersion = 6;
    static QString fileName() { return QStringLiteral("Journal.sqlite"); }

    JournalStore(const QString &folder, WallClock wall = systemWallClock());
    ~JournalStore();
    Q_DISABLE_COPY_MOVE(JournalStore)

    const JournalStatus &status() const { return m_status; }
    bool available() const { return m_status.available; }
    // Opens again a journal that was unavailable (a lock held by another program
    // passes); a failure keeps the reason first given. True when available.
    bool retry();
    QString path() const { return m_path; }

    // A book loaded from a file: recognised by its content wherever it moved,
    // else added. It counts as used now.
    std::optional<BookRecord> rememberBook(const BookFile &file);
    std::optional<BookRecord> book(qint64 id);
    // Books whose file is still known and that were read or loaded twice, most
    // recently used first.
    QList<BookRecord> recentBooks(int limit);
    bool setBookPosition(qint64 bookId, int line, int percent);
    // The book the editor holds, kept across runs; 0 for none.
    qint64 currentBook();
    bool setCurrentBook(qint64 bookId);

    // Adds the session (its id is set) and moves its book's position to `line` and
    // `percent` (by default, where the session ended).
    bool addSession(Session &session, int line, std::optional<int> percent = std::nullopt);
    // Sessions started at or after `sinceMs`, oldest first, with book titles. One whose
    // figures are out of range comes back not intact, with its figures zero.
    QList<Session> sessions(qint64 sinceMs = 0);
    bool removeSessions(const QList<qint64> &ids);
    // The comprehension check of a stored session.
    bool setUnderstanding(qint64 sessionId, int asked, int right);
    // The last `limit` checked sessions with at least `percent` right, newest first.
    QList<Session> understoodSessions(int percent, int limit);
    // Books that have sessions, most recently read first.
    QList<BookTotals> bookTotals();

    bool addExercise(ExerciseRecord &record);
    // Exercises ended at or after `sinceMs`, oldest first; rows out of range are left out.
    QList<ExerciseRecord> exercises(qint64 sinceMs = 0);
    // The times of the last `count` tables of this size and kind, newest first.
    QList<qint64> recentTimes(TableChoice choice, int count);
    // A value of the program's own kept in the journal (options outside the settings file,
    // a window's place); `fallback` when there is none or the journal is unavailable.
    QVariant metaValue(const QString &key, const QVariant &fallback = {});
    bool setMetaValue(const QString &key, const QVariant &value);
    bool removeMetaValue(const QString &key);

private:
    class Transaction;

    // Checks the file, opens it, and keeps a damaged one aside.
    bool start();
    // Opens and brings the schema up to date; m_damaged tells why it failed.
    bool open(const QString &target);
    bool migrate();
    bool keepDamagedAside(const QString &target);
    void closeDatabase();
    // Records the failure; the journal is unavailable from then on.
    bool fail(const QSqlError &error);
    bool fail(const QString &message);
    bool exec(QSqlQuery &query);
    bool exec(const QString &sql);
    static BookRecord bookFrom(const QSqlQuery &query);
    QList<Session> readSessions(QSqlQuery &query);

    QString m_folder;
    QString m_path;
    QString m_connection;
    QSqlDatabase m_db;
    WallClock m_wall;
    JournalStatus m_status;
    bool m_damaged = false;
    bool m_final = false; // no retry can help
};

} // namespace zk
