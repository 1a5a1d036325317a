#include "journal/JournalStore.h"

#include "settings/SafeFile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>
#include <atomic>
#include <initializer_list>

using namespace Qt::StringLiterals;

namespace zk {

namespace {

// Each step brings the schema from the version before it to its own.
const std::initializer_list<QStringView> kVersion1 = {
    uR"(CREATE TABLE books (id INTEGER PRIMARY KEY, path TEXT NOT NULL, size INTEGER NOT NULL,
        hash TEXT NOT NULL, title TEXT NOT NULL, last_line INTEGER NOT NULL DEFAULT 0,
        last_percent INTEGER NOT NULL DEFAULT 0, last_read INTEGER))",
    u"CREATE INDEX books_identity ON books (hash, size)",
    u"CREATE INDEX books_path ON books (path)",
    uR"(CREATE TABLE sessions (id INTEGER PRIMARY KEY, started INTEGER NOT NULL,
        ended INTEGER NOT NULL, reading_ms INTEGER NOT NULL, words INTEGER NOT NULL,
        signs INTEGER NOT NULL, delay_ms INTEGER NOT NULL, row_length INTEGER NOT NULL,
        rows INTEGER NOT NULL, pause_mode INTEGER NOT NULL, punctuation INTEGER NOT NULL,
        book_id INTEGER REFERENCES books (id) ON DELETE SET NULL,
        percent_start INTEGER NOT NULL, percent_end INTEGER NOT NULL))",
    u"CREATE INDEX sessions_started ON sessions (started)",
};
// Pieces shown give the nominal speed in words or signs; books are ordered by
// their last use, loading included; the current book survives a restart.
const std::initializer_list<QStringView> kVersion2 = {
    u"ALTER TABLE sessions ADD COLUMN pieces INTEGER NOT NULL DEFAULT 0",
    u"ALTER TABLE books ADD COLUMN last_used INTEGER NOT NULL DEFAULT 0",
    u"UPDATE books SET last_used = COALESCE(last_read, 0)",
    u"CREATE INDEX books_recent ON books (last_used)",
    u"CREATE INDEX sessions_book ON sessions (book_id)",
    u"CREATE TABLE meta (key TEXT PRIMARY KEY, value)",
};
// Loads are counted, so a file opened once for a glance stays off the recent books;
// the books known before count as loaded once.
const std::initializer_list<QStringView> kVersion3 = {
    u"ALTER TABLE books ADD COLUMN loads INTEGER NOT NULL DEFAULT 0",
    u"UPDATE books SET loads = 1",
};
// The comprehension check after a run; NULL for the sessions before it.
const std::initializer_list<QStringView> kVersion4 = {
    u"ALTER TABLE sessions ADD COLUMN asked INTEGER",
    u"ALTER TABLE sessions ADD COLUMN answered_right INTEGER",
};
// Exercises beside reading: one row per table found to its end.
const std::initializer_list<QStringView> kVersion5 = {
    uR"(CREATE TABLE exercises (id INTEGER PRIMARY KEY, exercise TEXT NOT NULL,
        ended INTEGER NOT NULL, kind INTEGER NOT NULL, size INTEGER NOT NULL,
        time_ms INTEGER NOT NULL, errors INTEGER NOT NULL))",
    u"CREATE INDEX exercises_ended ON exercises (ended)",
    u"CREATE INDEX exercises_choice ON exercises (kind, size, ended)",
};
// The reading options beyond the designed ones that were on in a session.
const std::initializer_list<QStringView> kVersion6 = {
    u"ALTER TABLE sessions ADD COLUMN extras INTEGER NOT NULL DEFAULT 0",
};
const std::initializer_list<QStringView> kMigrations[] = {kVersion1, kVersion2, kVersion3,
                                                          kVersion4, kVersion5, kVersion6};
static_assert(std::size(kMigrations) == JournalStore::SchemaVersion);

// Primary SQLite result codes.
enum : int {
    SqliteBusy = 5,
    SqliteLocked = 6,
    SqliteReadOnly = 8,
    SqliteIoErr = 10,
    SqliteCorrupt = 11,
    SqliteFull = 13,
    SqliteCantOpen = 14,
    SqliteNotADb = 26,
};

int primaryCode(const QSqlError &error) {
    bool ok = false;
    const int code = error.nativeErrorCode().toInt(&ok);
    return ok ? code & 0xff : -1;
}

bool isDamage(const QSqlError &error) {
    const int code = primaryCode(error);
    return code == SqliteCorrupt || code == SqliteNotADb;
}

QString unavailable(const QString &why) {
    return QStringLiteral("Дневник недоступен: %1.").arg(why);
}

QString reasonFor(const QSqlError &error) {
    switch (primaryCode(error)) {
    case SqliteBusy:
    case SqliteLocked:
        return unavailable(QStringLiteral("его уже ведёт другая запущенная копия программы"));
    case SqliteReadOnly:
        return unavailable(QStringLiteral("файл дневника доступен только для чтения"));
    case SqliteCantOpen:
        return unavailable(QStringLiteral("файл дневника не удалось открыть"));
    case SqliteFull:
        return unavailable(QStringLiteral("на диске нет места"));
    case SqliteIoErr:
        return unavailable(QStringLiteral("ошибка чтения или записи файла дневника"));
    case SqliteCorrupt:
    case SqliteNotADb:
        return unavailable(QStringLiteral("файл дневника повреждён"));
    default:
        break;
    }
    const QString text = error.databaseText().isEmpty() ? error.text() : error.databaseText();
    return unavailable(QStringLiteral("ошибка базы данных (%1)").arg(text.trimmed()));
}

// The end of year 9999, as far as dates are shown.
constexpr qint64 MaxDateMs = 253402300799999;

// A session whose figures no run could have given (written by hand, by another
// program or a damaged disk): shown without them, and left out of every sum. The wall
// clock may jump, so reading time is bounded by a month, not by the dates.
const QString kIntactSession = uR"((typeof(s.started) = 'integer' AND typeof(s.ended) = 'integer'
    AND s.started BETWEEN 0 AND 253402300799999 AND s.ended BETWEEN 0 AND 253402300799999
    AND typeof(s.reading_ms) = 'integer' AND s.reading_ms BETWEEN 0 AND 2678400000
    AND typeof(s.words) = 'integer' AND s.words BETWEEN 0 AND 1000000000000
    AND typeof(s.signs) = 'integer' AND s.signs BETWEEN 0 AND 1000000000000
    AND typeof(s.pieces) = 'integer' AND s.pieces BETWEEN 0 AND 1000000000000
    AND typeof(s.delay_ms) = 'integer' AND s.delay_ms BETWEEN 0 AND 1000000
    AND typeof(s.row_length) = 'integer' AND s.row_length BETWEEN 0 AND 100000
    AND typeof(s.rows) = 'integer' AND s.rows BETWEEN 0 AND 100
    AND typeof(s.pause_mode) = 'integer' AND s.pause_mode BETWEEN 0 AND 3
    AND typeof(s.percent_start) = 'integer' AND s.percent_start BETWEEN 0 AND 100
    AND typeof(s.percent_end) = 'integer' AND s.percent_end BETWEEN 0 AND 100))"_s;

// Paths are kept as the system's bytes: as text when they read as text, so that
// paths stored before compare equal, and as a blob otherwise.
QVariant pathValue(const QByteArray &path) {
    const QString name = QFile::decodeName(path);
    return QFile::encodeName(name) == path ? QVariant(name) : QVariant(path);
}

QByteArray pathFrom(const QVariant &value) {
    return value.typeId() == QMetaType::QByteArray ? value.toByteArray()
                                                   : QFile::encodeName(value.toString());
}

QString nextConnectionName() {
    static std::atomic<int> counter{0};
    return QStringLiteral("zk-journal-%1").arg(counter.fetch_add(1));
}

} // namespace

double BookTotals::averageSpeed(SpeedUnit unit) const {
    if (readingMs <= 0)
        return 0;
    const qint64 shown = unit == SpeedUnit::Words ? words : signs;
    return static_cast<double>(shown) * 60000.0 / static_cast<double>(readingMs);
}

// BEGIN IMMEDIATE ... COMMIT; rolled back when left uncommitted.
class JournalStore::Transaction final {
public:
    explicit Transaction(JournalStore &store)
        : m_store(store), m_open(store.exec(u"BEGIN IMMEDIATE"_s)) {}
    ~Transaction() {
        if (m_open && m_store.m_db.isOpen()) {
            QSqlQuery rollback(m_store.m_db);
            rollback.exec(u"ROLLBACK"_s);
        }
    }
    Q_DISABLE_COPY_MOVE(Transaction)

    bool ok() const { return m_open; }
    bool commit() {
        m_open = false;
        return m_store.exec(u"COMMIT"_s);
    }

private:
    JournalStore &m_store;
    bool m_open;
};

JournalStore::JournalStore(const QString &folder, WallClock wall)
    : m_folder(folder), m_path(QDir(folder).filePath(fileName())),
      m_connection(nextConnectionName()), m_wall(std::move(wall)) {
    if (!QSqlDatabase::isDriverAvailable(u"QSQLITE"_s)) {
        fail(unavailable(QStringLiteral("в системе нет драйвера SQLite для Qt")));
        m_final = true;
        return;
    }
    start();
}

bool JournalStore::retry() {
    if (available() || m_final)
        return available();
    // The first reason stays: said once, not again at every attempt.
    const JournalStatus before = m_status;
    closeDatabase();
    if (!start())
        m_status = before;
    return available();
}

bool JournalStore::start() {
    if (!QDir().mkpath(m_folder)) {
        return fail(unavailable(QStringLiteral("папку данных «%1» не удалось создать")
                                    .arg(QDir::toNativeSeparators(m_folder))));
    }
    // The rules of every file the program writes: no link of another user or to
    // another user's file, and a file protected from writing stays so, for root too.
    // The database and its logs are opened where the links lead, never through them.
    QString target;
    if (const QString problem = SafeFile::writeRefusal(m_path, &target); !problem.isEmpty())
        return fail(unavailable(problem));
    for (const QString &companion : {u"-wal"_s, u"-shm"_s, u"-journal"_s}) {
        if (const QString problem = SafeFile::writeRefusal(target + companion); !problem.isEmpty())
            return fail(unavailable(problem));
    }
    if (open(target) || !m_damaged)
        return available();
    closeDatabase();
    if (!keepDamagedAside(target))
        return false;
    const QString notice = m_status.message;
    if (open(target))
        m_status.message = notice;
    return available();
}

JournalStore::~JournalStore() {
    closeDatabase();
}

void JournalStore::closeDatabase() {
    if (m_db.isValid()) {
        m_db.close();
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_connection);
    }
}

bool JournalStore::fail(const QSqlError &error) {
    m_damaged = m_damaged || isDamage(error);
    return fail(reasonFor(error));
}

bool JournalStore::fail(const QString &message) {
    m_status = {false, message};
    if (m_db.isOpen())
        m_db.close();
    return false;
}

bool JournalStore::exec(QSqlQuery &query) {
    return query.exec() || fail(query.lastError());
}

bool JournalStore::exec(const QString &sql) {
    QSqlQuery query(m_db);
    return query.exec(sql) || fail(query.lastError());
}

bool JournalStore::open(const QString &target) {
    m_damaged = false;
    m_db = QSqlDatabase::addDatabase(u"QSQLITE"_s, m_connection);
    m_db.setDatabaseName(target);
    // A second writer waits this long, then finds the journal taken.
    m_db.setConnectOptions(u"QSQLITE_BUSY_TIMEOUT=250"_s);
    if (!m_db.open())
        return fail(m_db.lastError());
    m_status = {true, {}};
    // The lock taken by the first write is held until the journal is closed,
    // so a second program cannot write the same file.
    for (const QString &sql : {u"PRAGMA locking_mode = EXCLUSIVE"_s, u"PRAGMA journal_mode = WAL"_s,
                               u"PRAGMA synchronous = NORMAL"_s, u"PRAGMA foreign_keys = ON"_s}) {
        if (!exec(sql))
            return false;
    }
    return migrate();
}

bool JournalStore::migrate() {
    Transaction transaction(*this);
    if (!transaction.ok())
        return false;
    QSqlQuery q(m_db);
    if (!q.exec(u"PRAGMA quick_check"_s))
        return fail(q.lastError());
    if (!q.next() || q.value(0).toString() != u"ok") {
        m_damaged = true;
        return fail(unavailable(QStringLiteral("файл дневника повреждён")));
    }
    if (!q.exec(u"PRAGMA user_version"_s) || !q.next())
        return fail(q.lastError());
    const int version = q.value(0).toInt();
    if (version > SchemaVersion) {
        m_final = true;
        return fail(unavailable(QStringLiteral("он записан более новой версией программы")));
    }
    for (int v = version; v < SchemaVersion; ++v) {
        for (QStringView step : kMigrations[v]) {
            if (!exec(step.toString()))
                return false;
        }
    }
    if (version != SchemaVersion && !exec(u"PRAGMA user_version = %1"_s.arg(SchemaVersion)))
        return false;
    return transaction.commit();
}

bool JournalStore::keepDamagedAside(const QString &target) {
    const QFileInfo info(target);
    const QString stamp = QDateTime::fromMSecsSinceEpoch(m_wall()).toString(u"yyyy-MM-dd-HHmmss"_s);
    QString aside;
    for (int n = 1; aside.isEmpty() || QFileInfo::exists(aside); ++n) {
        aside = info.dir().filePath(u"%1-damaged-%2%3.%4"_s.arg(
            info.completeBaseName(), stamp, n > 1 ? u"-%1"_s.arg(n) : QString(), info.suffix()));
    }
    // A log left beside the damaged file belongs to it, never to a new journal.
    for (const QString &companion : {u"-wal"_s, u"-shm"_s, u"-journal"_s, QString()}) {
        if ((!companion.isEmpty() && !QFileInfo::exists(target + companion)) ||
            QFile::rename(target + companion, aside + companion))
            continue;
        return fail(unavailable(QStringLiteral("файл дневника повреждён, а сохранить его "
                                               "отдельно не удалось")));
    }
    m_status.message = QStringLiteral("Файл дневника был повреждён и сохранён как «%1», "
                                      "начат новый дневник.")
                           .arg(QFileInfo(aside).fileName());
    return true;
}

BookRecord JournalStore::bookFrom(const QSqlQuery &q) {
    BookRecord b;
    b.id = q.value(0).toLongLong();
    b.path = pathFrom(q.value(1));
    b.size = q.value(2).toLongLong();
    b.hash = q.value(3).toString();
    b.title = BookFile::cleanTitle(q.value(4).toString());
    b.lastLine = q.value(5).toInt();
    b.lastPercent = q.value(6).toInt();
    b.lastReadMs = q.value(7).toLongLong();
    b.lastUsedMs = q.value(8).toLongLong();
    return b;
}

namespace {

// Titles stored before they were cut are cut when read, without reading them whole.
const QString kBookColumns = u"id, path, size, hash, substr(title, 1, %1), last_line, "
                             u"last_percent, last_read, last_used"_s.arg(2 * BookFile::MaxTitle);

} // namespace

std::optional<BookRecord> JournalStore::rememberBook(const BookFile &file) {
    if (!available())
        return std::nullopt;
    const QVariant path = pathValue(file.path);
    const QString title = BookFile::cleanTitle(file.title);
    Transaction transaction(*this);
    if (!transaction.ok())
        return std::nullopt;
    QSqlQuery q(m_db);
    // Same content: the same book, wherever it lies now. Same place and title:
    // the same book edited. Anything else is a new book.
    q.prepare(
        u"SELECT id FROM books WHERE hash = ? AND size = ? ORDER BY last_used DESC LIMIT 1"_s);
    q.addBindValue(file.hash);
    q.addBindValue(file.size);
    if (!exec(q))
        return std::nullopt;
    qint64 id = q.next() ? q.value(0).toLongLong() : 0;
    if (id == 0) {
        q.prepare(u"SELECT id FROM books WHERE path = ? AND title = ? LIMIT 1"_s);
        q.addBindValue(path);
        q.addBindValue(title);
        if (!exec(q))
            return std::nullopt;
        id = q.next() ? q.value(0).toLongLong() : 0;
    }
    // Another record naming this path describes a file that is no longer there.
    q.prepare(u"UPDATE books SET path = '' WHERE path = ? AND id <> ?"_s);
    q.addBindValue(path);
    q.addBindValue(id);
    if (!exec(q))
        return std::nullopt;
    if (id != 0) {
        q.prepare(u"UPDATE books SET path = ?, size = ?, hash = ?, title = ?, last_used = ?, "
                  u"loads = loads + 1 WHERE id = ?"_s);
    } else {
        q.prepare(u"INSERT INTO books (path, size, hash, title, last_used, loads) "
                  u"VALUES (?, ?, ?, ?, ?, 1)"_s);
    }
    q.addBindValue(path);
    q.addBindValue(file.size);
    q.addBindValue(file.hash);
    q.addBindValue(title);
    q.addBindValue(m_wall());
    if (id != 0)
        q.addBindValue(id);
    if (!exec(q))
        return std::nullopt;
    if (id == 0)
        id = q.lastInsertId().toLongLong();
    if (!transaction.commit())
        return std::nullopt;
    return book(id);
}

std::optional<BookRecord> JournalStore::book(qint64 id) {
    if (!available())
        return std::nullopt;
    QSqlQuery q(m_db);
    q.prepare(u"SELECT %1 FROM books WHERE id = ?"_s.arg(kBookColumns));
    q.addBindValue(id);
    if (!exec(q) || !q.next())
        return std::nullopt;
    return bookFrom(q);
}

QList<BookRecord> JournalStore::recentBooks(int limit) {
    QList<BookRecord> books;
    if (!available())
        return books;
    QSqlQuery q(m_db);
    // A file looked at once is no book of the reader's: it was read, or loaded again.
    q.prepare(u"SELECT %1 FROM books WHERE path <> '' AND (last_read IS NOT NULL OR loads >= 2) "
              u"ORDER BY last_used DESC, id DESC LIMIT ?"_s.arg(kBookColumns));
    q.addBindValue(limit);
    if (!exec(q))
        return books;
    while (q.next())
        books.append(bookFrom(q));
    return books;
}

bool JournalStore::setBookPosition(qint64 bookId, int line, int percent) {
    if (!available() || bookId == 0)
        return false;
    Transaction transaction(*this);
    QSqlQuery q(m_db);
    q.prepare(u"UPDATE books SET last_line = ?, last_percent = ? WHERE id = ?"_s);
    q.addBindValue(line);
    q.addBindValue(percent);
    q.addBindValue(bookId);
    return transaction.ok() && exec(q) && transaction.commit();
}

qint64 JournalStore::currentBook() {
    if (!available())
        return 0;
    QSqlQuery q(m_db);
    if (!q.exec(u"SELECT value FROM meta WHERE key = 'current_book'"_s)) {
        fail(q.lastError());
        return 0;
    }
    return q.next() ? q.value(0).toLongLong() : 0;
}

bool JournalStore::setCurrentBook(qint64 bookId) {
    if (!available())
        return false;
    Transaction transaction(*this);
    QSqlQuery q(m_db);
    q.prepare(u"INSERT OR REPLACE INTO meta (key, value) VALUES ('current_book', ?)"_s);
    q.addBindValue(bookId);
    return transaction.ok() && exec(q) && transaction.commit();
}

bool JournalStore::addSession(Session &s, int line, std::optional<int> percent) {
    if (!available())
        return false;
    Transaction transaction(*this);
    if (!transaction.ok())
        return false;
    QSqlQuery q(m_db);
    q.prepare(u"INSERT INTO sessions (started, ended, reading_ms, words, signs, pieces, delay_ms, "
              u"row_length, rows, pause_mode, punctuation, book_id, percent_start, percent_end, "
              u"asked, answered_right, extras) "
              u"VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"_s);
    for (const QVariant &v :
         {QVariant(s.startedMs), QVariant(s.endedMs), QVariant(s.readingMs), QVariant(s.words),
          QVariant(s.signs), QVariant(s.pieces), QVariant(s.settings.delayMs),
          QVariant(s.settings.rowLength), QVariant(s.settings.rows),
          QVariant(static_cast<int>(s.settings.pauseMode)), QVariant(s.settings.punctuation),
          s.bookId != 0 ? QVariant(s.bookId) : QVariant(), QVariant(s.percentStart),
          QVariant(s.percentEnd), s.checked() ? QVariant(s.asked) : QVariant(),
          s.checked() ? QVariant(s.answeredRight) : QVariant(), QVariant(s.settings.extras)})
        q.addBindValue(v);
    if (!exec(q))
        return false;
    const qint64 id = q.lastInsertId().toLongLong();
    if (s.bookId != 0) {
        q.prepare(u"UPDATE books SET last_line = ?, last_percent = ?, last_read = ?, "
                  u"last_used = MAX(last_used, ?) WHERE id = ?"_s);
        q.addBindValue(line);
        q.addBindValue(percent.value_or(s.percentEnd));
        q.addBindValue(s.endedMs);
        q.addBindValue(s.endedMs);
        q.addBindValue(s.bookId);
        if (!exec(q))
            return false;
    }
    if (!transaction.commit())
        return false;
    s.id = id;
    return true;
}

namespace {

// Sessions with their books' titles, in the columns readSessions takes.
QString sessionQuery(QStringView condition) {
    return u"SELECT s.id, s.started, s.ended, s.reading_ms, s.words, s.signs, s.pieces, "
           u"s.delay_ms, s.row_length, s.rows, s.pause_mode, s.punctuation, s.book_id, "
           u"s.percent_start, s.percent_end, substr(b.title, 1, %1), %2, s.asked, "
           u"s.answered_right, s.extras FROM sessions s "
           u"LEFT JOIN books b ON b.id = s.book_id %3"_s.arg(2 * BookFile::MaxTitle)
               .arg(kIntactSession, condition);
}

} // namespace

QList<Session> JournalStore::sessions(qint64 sinceMs) {
    QList<Session> list;
    if (!available())
        return list;
    QSqlQuery q(m_db);
    q.setForwardOnly(true);
    q.prepare(sessionQuery(u"WHERE s.started >= ? ORDER BY s.started"));
    q.addBindValue(sinceMs);
    if (!exec(q))
        return list;
    return readSessions(q);
}

QList<Session> JournalStore::readSessions(QSqlQuery &q) {
    QList<Session> list;
    while (q.next()) {
        Session s;
        s.id = q.value(0).toLongLong();
        s.startedMs = q.value(1).toLongLong();
        s.endedMs = q.value(2).toLongLong();
        s.readingMs = q.value(3).toLongLong();
        s.words = q.value(4).toLongLong();
        s.signs = q.value(5).toLongLong();
        s.pieces = q.value(6).toLongLong();
        s.settings.delayMs = q.value(7).toInt();
        s.settings.rowLength = q.value(8).toInt();
        s.settings.rows = q.value(9).toInt();
        s.settings.pauseMode = static_cast<PauseMode>(std::clamp(q.value(10).toInt(), 0, 3));
        s.settings.punctuation = q.value(11).toBool();
        s.bookId = q.value(12).toLongLong();
        s.percentStart = q.value(13).toInt();
        s.percentEnd = q.value(14).toInt();
        s.bookTitle = BookFile::cleanTitle(q.value(15).toString());
        s.asked = std::max(0, q.value(17).toInt());
        s.answeredRight = std::clamp(q.value(18).toInt(), 0, s.asked);
        s.settings.extras = q.value(19).toInt() & 0xF;
        if (!q.value(16).toBool()) {
            // Only its date and book are shown; nothing of it enters a sum or a chart.
            const Session kept = s;
            s = Session();
            s.id = kept.id;
            s.intact = false;
            const bool dated = q.value(1).typeId() == QMetaType::LongLong && kept.startedMs > 0 &&
                               kept.startedMs <= MaxDateMs;
            s.startedMs = dated ? kept.startedMs : 0;
            s.endedMs = s.startedMs;
            s.bookId = kept.bookId;
            s.bookTitle = kept.bookTitle;
        }
        list.append(s);
    }
    // Undated sessions go first, wherever the text in their date put them.
    std::stable_sort(list.begin(), list.end(),
                     [](const Session &a, const Session &b) { return a.startedMs < b.startedMs; });
    return list;
}

bool JournalStore::setUnderstanding(qint64 sessionId, int asked, int right) {
    if (!available() || sessionId == 0 || asked <= 0)
        return false;
    Transaction transaction(*this);
    QSqlQuery q(m_db);
    q.prepare(u"UPDATE sessions SET asked = ?, answered_right = ? WHERE id = ?"_s);
    q.addBindValue(asked);
    q.addBindValue(std::clamp(right, 0, asked));
    q.addBindValue(sessionId);
    return transaction.ok() && exec(q) && transaction.commit();
}

QList<Session> JournalStore::understoodSessions(int percent, int limit) {
    if (!available())
        return {};
    QSqlQuery q(m_db);
    q.setForwardOnly(true);
    q.prepare(sessionQuery(u"WHERE s.asked > 0 AND s.answered_right * 100 >= s.asked * ? "
                           u"ORDER BY s.started DESC LIMIT ?"));
    q.addBindValue(percent);
    q.addBindValue(limit);
    if (!exec(q))
        return {};
    return readSessions(q);
}

bool JournalStore::removeMetaValue(const QString &key) {
    if (!available())
        return false;
    Transaction transaction(*this);
    QSqlQuery q(m_db);
    q.prepare(u"DELETE FROM meta WHERE key = ?"_s);
    q.addBindValue(key);
    return transaction.ok() && exec(q) && transaction.commit();
}

bool JournalStore::removeSessions(const QList<qint64> &ids) {
    if (!available())
        return false;
    Transaction transaction(*this);
    if (!transaction.ok())
        return false;
    QSqlQuery q(m_db);
    q.prepare(u"DELETE FROM sessions WHERE id = ?"_s);
    for (qint64 id : ids) {
        q.addBindValue(id);
        if (!exec(q))
            return false;
    }
    return transaction.commit();
}

QList<BookTotals> JournalStore::bookTotals() {
    QList<BookTotals> list;
    if (!available())
        return list;
    QSqlQuery q(m_db);
    q.setForwardOnly(true);
    if (!q.exec(u"SELECT b.id, substr(b.title, 1, %1), SUM(s.reading_ms), COUNT(*), "
                u"MAX(s.percent_end), SUM(s.words), SUM(s.signs), b.last_percent FROM sessions s "
                u"JOIN books b ON b.id = s.book_id WHERE %2 GROUP BY b.id "
                u"ORDER BY MAX(s.started) DESC"_s.arg(2 * BookFile::MaxTitle)
                    .arg(kIntactSession))) {
        fail(q.lastError());
        return list;
    }
    while (q.next()) {
        BookTotals t;
        t.bookId = q.value(0).toLongLong();
        t.title = BookFile::cleanTitle(q.value(1).toString());
        t.readingMs = q.value(2).toLongLong();
        t.sessions = q.value(3).toInt();
        t.percentReached = q.value(4).toInt();
        t.words = q.value(5).toLongLong();
        t.signs = q.value(6).toLongLong();
        t.lastPercent = std::clamp(q.value(7).toInt(), 0, 100);
        list.append(t);
    }
    return list;
}

namespace {

// As with sessions: a row no run could have written stays out.
const QString kIntactExercise =
    uR"((typeof(ended) = 'integer' AND ended BETWEEN 0 AND 253402300799999
    AND typeof(kind) = 'integer' AND typeof(size) = 'integer'
    AND typeof(time_ms) = 'integer' AND time_ms BETWEEN 0 AND 86400000
    AND typeof(errors) = 'integer' AND errors BETWEEN 0 AND 1000000))"_s;

} // namespace

bool JournalStore::addExercise(ExerciseRecord &r) {
    if (!available() || !r.choice.valid())
        return false;
    Transaction transaction(*this);
    if (!transaction.ok())
        return false;
    QSqlQuery q(m_db);
    q.prepare(u"INSERT INTO exercises (exercise, ended, kind, size, time_ms, errors) "
              u"VALUES ('schulte', ?, ?, ?, ?, ?)"_s);
    for (const QVariant &v : {QVariant(r.endedMs), QVariant(static_cast<int>(r.choice.kind)),
                              QVariant(r.choice.size), QVariant(r.timeMs), QVariant(r.errors)})
        q.addBindValue(v);
    if (!exec(q))
        return false;
    const qint64 id = q.lastInsertId().toLongLong();
    if (!transaction.commit())
        return false;
    r.id = id;
    return true;
}

QList<ExerciseRecord> JournalStore::exercises(qint64 sinceMs) {
    QList<ExerciseRecord> list;
    if (!available())
        return list;
    QSqlQuery q(m_db);
    q.setForwardOnly(true);
    q.prepare(u"SELECT id, ended, kind, size, time_ms, errors FROM exercises "
              u"WHERE ended >= ? AND %1 ORDER BY ended"_s.arg(kIntactExercise));
    q.addBindValue(sinceMs);
    if (!exec(q))
        return list;
    while (q.next()) {
        ExerciseRecord r;
        r.id = q.value(0).toLongLong();
        r.endedMs = q.value(1).toLongLong();
        r.choice = {static_cast<TableKind>(q.value(2).toInt()), q.value(3).toInt()};
        r.timeMs = q.value(4).toLongLong();
        r.errors = q.value(5).toInt();
        if (q.value(2).toInt() >= 0 && q.value(2).toInt() <= 2 && r.choice.valid())
            list.append(r);
    }
    return list;
}

QList<qint64> JournalStore::recentTimes(TableChoice choice, int count) {
    QList<qint64> times;
    if (!available())
        return times;
    QSqlQuery q(m_db);
    q.setForwardOnly(true);
    q.prepare(u"SELECT time_ms FROM exercises WHERE kind = ? AND size = ? AND %1 "
              u"ORDER BY ended DESC, id DESC LIMIT ?"_s.arg(kIntactExercise));
    q.addBindValue(static_cast<int>(choice.kind));
    q.addBindValue(choice.size);
    q.addBindValue(count);
    if (!exec(q))
        return times;
    while (q.next())
        times.append(q.value(0).toLongLong());
    return times;
}

QVariant JournalStore::metaValue(const QString &key, const QVariant &fallback) {
    if (!available())
        return fallback;
    QSqlQuery q(m_db);
    q.prepare(u"SELECT value FROM meta WHERE key = ?"_s);
    q.addBindValue(key);
    if (!exec(q))
        return fallback;
    return q.next() ? q.value(0) : fallback;
}

bool JournalStore::setMetaValue(const QString &key, const QVariant &value) {
    if (!available())
        return false;
    Transaction transaction(*this);
    QSqlQuery q(m_db);
    q.prepare(u"INSERT OR REPLACE INTO meta (key, value) VALUES (?, ?)"_s);
    q.addBindValue(key);
    q.addBindValue(value);
    return transaction.ok() && exec(q) && transaction.commit();
}

} // namespace zk
