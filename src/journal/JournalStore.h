#pragma once

#include "journal/BookFile.h"
#include "journal/Session.h"

#include <QList>
#include <QSqlDatabase>
#include <QString>

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
    QString path; // empty once another file took its place
    qint64 size = 0;
    QString hash;
    QString title;
    int lastLine = 0;
    int lastPercent = 0;
    qint64 lastReadMs = 0; // 0: never read
    qint64 lastUsedMs = 0; // loaded or read
};

struct BookTotals {
    qint64 bookId = 0;
    QString title;
    qint64 readingMs = 0;
    int sessions = 0;
    int percentReached = 0;
    qint64 words = 0;
    qint64 signs = 0;

    double averageSpeed(SpeedUnit unit) const;
};

// The journal's database "Journal.sqlite" in the data folder. Every failure
// leaves it unavailable with a reason instead of stopping the caller; a damaged
// file is kept aside under a dated name and a fresh journal begun.
class JournalStore final {
public:
    static constexpr int SchemaVersion = 3;
    static QString fileName() { return QStringLiteral("Journal.sqlite"); }

    JournalStore(const QString &folder, WallClock wall = systemWallClock());
    ~JournalStore();
    Q_DISABLE_COPY_MOVE(JournalStore)

    const JournalStatus &status() const { return m_status; }
    bool available() const { return m_status.available; }
    QString path() const { return m_path; }

    // A book loaded from a file: recognised by its content wherever it moved,
    // else added. It counts as used now.
    std::optional<BookRecord> rememberBook(const BookFile &file);
    std::optional<BookRecord> book(qint64 id);
    // Books whose file is still known, most recently used first.
    QList<BookRecord> recentBooks(int limit);
    bool setBookPosition(qint64 bookId, int line, int percent);
    // The book the editor holds, kept across runs; 0 for none.
    qint64 currentBook();
    bool setCurrentBook(qint64 bookId);

    // Adds the session (its id is set) and moves its book's position to `line`.
    bool addSession(Session &session, int line);
    // Sessions started at or after `sinceMs`, oldest first, with book titles.
    QList<Session> sessions(qint64 sinceMs = 0);
    bool removeSessions(const QList<qint64> &ids);
    // The comprehension check of a stored session.
    bool setUnderstanding(qint64 sessionId, int asked, int right);
    // The last `limit` checked sessions with at least `percent` right, newest first.
    QList<Session> understoodSessions(int percent, int limit);
    // Our own options, kept in the journal; nullopt when unset or unavailable.
    std::optional<QString> option(const QString &key);
    bool setOption(const QString &key, const QString &value);
    bool removeOption(const QString &key);
    // Books that have sessions, most recently read first.
    QList<BookTotals> bookTotals();

private:
    class Transaction;

    // Opens and brings the schema up to date; m_damaged tells why it failed.
    bool open();
    bool migrate();
    bool keepDamagedAside();
    void closeDatabase();
    // Records the failure; the journal is unavailable from then on.
    bool fail(const QSqlError &error);
    bool fail(const QString &message);
    bool exec(QSqlQuery &query);
    bool exec(const QString &sql);
    static BookRecord bookFrom(const QSqlQuery &query);
    QList<Session> readSessions(QSqlQuery &query);

    QString m_path;
    QString m_connection;
    QSqlDatabase m_db;
    WallClock m_wall;
    JournalStatus m_status;
    bool m_damaged = false;
};

} // namespace zk
