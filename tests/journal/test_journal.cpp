#include "display/Clock.h"
#include "journal/CsvExport.h"
#include "journal/TrainingJournal.h"

#include <quazip/quazip.h>
#include <quazip/quazipfile.h>

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace zk;
using namespace Qt::StringLiterals;

class test_journal : public QObject {
    Q_OBJECT
private slots:
    void recorder_countsReadingTimeAndShownCounts();
    void versionOneFile_isMigratedWithItsData();
    void damagedOrTakenJournal_isReportedAndReadingGoesOn();
    void recentBooks_keepPositionAndFollowMovedFiles();
    void foreignLinksAndReadOnlyJournals_areLeftUntouched();
    void lockedJournal_comesBackAtTheNextRun();
    void outOfRangeFigures_areShownAsMissingAndKeepTheJournal();
    void hostileTitles_areCutAndStraightened();
    void checkedSessions_keepUnderstandingAndGiveWorkingSpeed();
    void exercises_areKeptWithTheirUsualTimes();

private:
    QTemporaryDir m_dir;
    ManualClock m_clock;
    qint64 m_wallMs = 1'700'000'000'000;
    WallClock wall() {
        return [this] { return m_wallMs + m_clock.nowMs(); };
    }
    QString folder(const QString &name) { return m_dir.filePath(name); }
    // One run of `seconds` reading that shows `words` and ten times as many signs.
    bool read(TrainingJournal &journal, int seconds, int words, int line, int percent) {
        journal.runStarted({}, percent);
        m_clock.advance(seconds * 1000);
        return journal.runEnded(words, words * 10, line, percent);
    }
};

void test_journal::recorder_countsReadingTimeAndShownCounts() {
    SessionRecorder recorder(m_clock, wall());
    recorder.start({}, 0);
    m_clock.advance(4999);
    QCOMPARE(recorder.finish(40, 300, 1), std::nullopt); // under 5 s

    RunSettings settings;
    settings.delayMs = 150;
    settings.rows = 2;
    recorder.start(settings, 10);
    const qint64 started = wall()();
    m_clock.advance(10'000);
    recorder.suspend();
    m_clock.advance(20'000);
    recorder.suspend(); // a second suspension inside the first changes nothing
    m_clock.advance(5'000);
    recorder.resume();
    recorder.piecesShown(50);
    m_clock.advance(5'000);
    recorder.countsRestarting(100, 600); // a restart of counting mid-run keeps its counts
    recorder.piecesShown(50);
    recorder.suspend();
    m_clock.advance(60'000); // ended while suspended
    const std::optional<Session> s = recorder.finish(50, 300, 40);
    QVERIFY(s);
    QVERIFY(!recorder.running());
    QCOMPARE(s->readingMs, 15'000);
    QCOMPARE(s->startedMs, started);
    QCOMPARE(s->endedMs - s->startedMs, 100'000);
    QCOMPARE(s->words, 150);
    QCOMPARE(s->signs, 900);
    QCOMPARE(s->percentStart, 10);
    QCOMPARE(s->percentEnd, 40);
    QCOMPARE(s->realSpeed(SpeedUnit::Words), 600.0);
    QCOMPARE(s->realSpeed(SpeedUnit::Signs), 3600.0);
    // 800 pieces a minute of 1.5 words and 9 signs each.
    QCOMPARE(s->nominalSpeed(SpeedUnit::Words), 1200.0);
    QCOMPARE(s->nominalSpeed(SpeedUnit::Signs), 7200.0);

    // Nothing shown is no session, however long; nor is a finish without a start.
    recorder.start({}, 0);
    m_clock.advance(60'000);
    QCOMPARE(recorder.finish(0, 0, 0), std::nullopt);
    QCOMPARE(recorder.finish(10, 10, 0), std::nullopt);
}

void test_journal::versionOneFile_isMigratedWithItsData() {
    const QString dir = folder(u"v1"_s);
    QDir().mkpath(dir);
    const QString path = QDir(dir).filePath(u"Journal.sqlite"_s);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"v1"_s);
        db.setDatabaseName(path);
        QVERIFY(db.open());
        QSqlQuery q(db);
        for (const QString &sql :
             {uR"(CREATE TABLE books (id INTEGER PRIMARY KEY, path TEXT NOT NULL,
                     size INTEGER NOT NULL, hash TEXT NOT NULL, title TEXT NOT NULL,
                     last_line INTEGER NOT NULL DEFAULT 0, last_percent INTEGER NOT NULL DEFAULT 0,
                     last_read INTEGER))"_s,
              uR"(CREATE TABLE sessions (id INTEGER PRIMARY KEY, started INTEGER NOT NULL,
                     ended INTEGER NOT NULL, reading_ms INTEGER NOT NULL, words INTEGER NOT NULL,
                     signs INTEGER NOT NULL, delay_ms INTEGER NOT NULL,
                     row_length INTEGER NOT NULL, rows INTEGER NOT NULL,
                     pause_mode INTEGER NOT NULL, punctuation INTEGER NOT NULL,
                     book_id INTEGER REFERENCES books (id) ON DELETE SET NULL,
                     percent_start INTEGER NOT NULL, percent_end INTEGER NOT NULL))"_s,
              u"INSERT INTO books VALUES (7, '/книги/старая.txt', 10, 'ab', 'Старая', "
              u"120, 35, 5000)"_s,
              u"INSERT INTO sessions VALUES (1, 1000, 61000, 60000, 300, 1800, 200, 10, 1, "
              u"3, 1, 7, 30, 35)"_s,
              u"PRAGMA user_version = 1"_s})
            QVERIFY2(q.exec(sql), qPrintable(q.lastError().text()));
    }
    QSqlDatabase::removeDatabase(u"v1"_s);

    {
        JournalStore store(dir, wall());
        QVERIFY2(store.available(), qPrintable(store.status().message));
        const QList<Session> sessions = store.sessions();
        QCOMPARE(sessions.size(), 1);
        QCOMPARE(sessions[0].bookTitle, u"Старая"_s);
        QCOMPARE(sessions[0].pieces, 0);
        QCOMPARE(sessions[0].settings.pauseMode, PauseMode::Smart);
        QCOMPARE(sessions[0].realSpeed(SpeedUnit::Words), 300.0);
        const QList<BookRecord> recent = store.recentBooks(10);
        QCOMPARE(recent.size(), 1);
        QCOMPARE(recent[0].lastUsedMs, 5000); // taken from the last reading
        QCOMPARE(recent[0].lastLine, 120);
        ExerciseRecord table{0, 2000, {TableKind::Numbers, 5}, 12400, 1};
        QVERIFY(store.addExercise(table)); // the migration made room for exercises
    }
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"check"_s);
        db.setDatabaseName(path);
        QVERIFY(db.open());
        QSqlQuery q(db);
        QVERIFY(q.exec(u"PRAGMA user_version"_s) && q.next());
        QCOMPARE(q.value(0).toInt(), JournalStore::SchemaVersion);
        // A journal from a newer program is left alone.
        QVERIFY(q.exec(u"PRAGMA user_version = 99"_s));
    }
    QSqlDatabase::removeDatabase(u"check"_s);
    JournalStore newer(dir, wall());
    QVERIFY(!newer.available());
    QVERIFY(newer.status().message.contains(u"более новой версией"_s));
}

void test_journal::damagedOrTakenJournal_isReportedAndReadingGoesOn() {
    const QString dir = folder(u"damaged"_s);
    QDir().mkpath(dir);
    const QByteArray garbage(8192, '\x5a');
    QFile file(QDir(dir).filePath(u"Journal.sqlite"_s));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(garbage);
    file.close();

    TrainingJournal journal(dir, m_clock, wall());
    QVERIFY2(journal.status().available, qPrintable(journal.status().message));
    const QStringList aside = QDir(dir).entryList({u"Journal-damaged-*.sqlite"_s});
    QCOMPARE(aside.size(), 1);
    QVERIFY(journal.status().message.contains(aside[0]));
    QFile kept(QDir(dir).filePath(aside[0]));
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), garbage);
    QVERIFY(read(journal, 30, 100, 0, 0));

    // A second program finds the journal taken and says so; the first goes on.
    {
        TrainingJournal second(dir, m_clock, wall());
        QVERIFY(!second.status().available);
        QVERIFY(second.status().message.contains(u"другая запущенная копия"_s));
        QVERIFY(!read(second, 30, 100, 0, 0));
        QCOMPARE(second.bookLoaded(kept.fileName()), std::nullopt);
    }
    QVERIFY(read(journal, 30, 100, 0, 0));
    QCOMPARE(journal.store().sessions().size(), 2);

    // A data folder that cannot exist.
    TrainingJournal nowhere(QDir(dir).filePath(aside[0]) + u"/под файлом"_s, m_clock, wall());
    QVERIFY(!nowhere.status().available);
    QVERIFY(nowhere.status().message.startsWith(u"Дневник недоступен: "_s));
    QVERIFY(!read(nowhere, 30, 100, 0, 0));
}

namespace {

void writeFile(const QString &path, const QByteArray &bytes) {
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

void writeEpub(const QString &path, const QByteArray &opf) {
    QuaZip zip(path);
    QVERIFY(zip.open(QuaZip::mdCreate));
    const QByteArray container = R"(<?xml version="1.0"?>
<container xmlns="urn:oasis:names:tc:opendocument:xmlns:container"><rootfiles>
<rootfile full-path="OPS/book.opf"/></rootfiles></container>)";
    for (const auto &[name, data] :
         {std::pair{u"META-INF/container.xml"_s, container}, std::pair{u"OPS/book.opf"_s, opf}}) {
        QuaZipFile f(&zip);
        QVERIFY(f.open(QIODevice::WriteOnly, QuaZipNewInfo(name)));
        f.write(data);
        f.close();
    }
    zip.close();
}

} // namespace

void test_journal::recentBooks_keepPositionAndFollowMovedFiles() {
    const QString dir = folder(u"books"_s);
    const QString books = folder(u"library"_s);
    writeFile(books + u"/a.txt"_s, "Первая книга.");
    writeFile(books + u"/b.fb2"_s,
              u"<?xml version=\"1.0\" encoding=\"UTF-8\"?><FictionBook><description><title-info>"
              u"<book-title> Война   и мир </book-title></title-info></description>"
              u"<body><p>Текст.</p></body></FictionBook>"_s.toUtf8());
    writeEpub(books + u"/c.epub"_s,
              R"(<package xmlns="http://www.idpf.org/2007/opf"><metadata
 xmlns:dc="http://purl.org/dc/elements/1.1/"><dc:title>Капитанская дочка</dc:title>
 </metadata><manifest/><spine/></package>)");

    qint64 first = 0;
    {
        TrainingJournal journal(dir, m_clock, wall());
        const std::optional<BookRecord> a = journal.bookLoaded(books + u"/a.txt"_s);
        QVERIFY(a);
        first = a->id;
        QCOMPARE(a->title, u"a.txt"_s);
        QVERIFY(read(journal, 60, 200, 42, 17));
        m_clock.advance(1000);
        QCOMPARE(journal.bookLoaded(books + u"/b.fb2"_s)->title, u"Война и мир"_s);
        QCOMPARE(journal.recentBooks().size(), 1); // a glance is not a book of the reader's
        journal.bookLoaded(books + u"/b.fb2"_s);
        m_clock.advance(1000);
        QCOMPARE(journal.bookLoaded(books + u"/c.epub"_s)->title, u"Капитанская дочка"_s);
        journal.bookLoaded(books + u"/c.epub"_s);
        journal.rememberPosition(9, 3); // shut-down while the epub is open
        m_clock.advance(1000);
        journal.textReplaced(); // pasted text is nobody's book
        QVERIFY(read(journal, 60, 200, 0, 50));

        const QList<BookRecord> recent = journal.recentBooks();
        QCOMPARE(recent.size(), 3);
        QCOMPARE(recent[0].title, u"Капитанская дочка"_s);
        QCOMPARE(recent[0].lastPercent, 3);
        QCOMPARE(recent[2].lastLine, 42);
        QCOMPARE(recent[2].lastPercent, 17);
        const QList<BookTotals> totals = journal.store().bookTotals();
        QCOMPARE(totals.size(), 1);
        QCOMPARE(totals[0].sessions, 1);
        QCOMPARE(totals[0].averageSpeed(SpeedUnit::Words), 200.0);
        journal.bookLoaded(books + u"/a.txt"_s);
    }

    // After a restart the current book goes on; moved and renamed, it is still itself.
    QVERIFY(QDir().mkpath(books + u"/moved"_s));
    QVERIFY(QFile::rename(books + u"/a.txt"_s, books + u"/moved/Первая.txt"_s));
    TrainingJournal journal(dir, m_clock, wall());
    QCOMPARE(journal.currentBook(), first);
    const std::optional<BookRecord> moved = journal.bookLoaded(books + u"/moved/Первая.txt"_s);
    QVERIFY(moved);
    QCOMPARE(moved->id, first);
    QCOMPARE(moved->lastLine, 42);
    QCOMPARE(moved->lastPercent, 17);
    QCOMPARE(journal.recentBooks().size(), 3);
    QCOMPARE(journal.recentBooks()[0].path,
             QFile::encodeName(QFileInfo(books + u"/moved/Первая.txt"_s).absoluteFilePath()));

    // Other content in a known place under another title is another book.
    writeFile(books + u"/b.fb2"_s, "<FictionBook><description><book-title>Другая</book-title>");
    QVERIFY(journal.bookLoaded(books + u"/b.fb2"_s)->id != first);
    journal.bookLoaded(books + u"/b.fb2"_s);
    QCOMPARE(journal.recentBooks().size(), 3);

    // Ten at most.
    for (int i = 0; i < 12; ++i) {
        writeFile(books + u"/n%1.txt"_s.arg(i), QByteArray::number(i));
        journal.bookLoaded(books + u"/n%1.txt"_s.arg(i));
        journal.bookLoaded(books + u"/n%1.txt"_s.arg(i));
    }
    QCOMPARE(journal.recentBooks().size(), TrainingJournal::RecentCount);
}

// As root: a journal that is a link to another user's file, or whose log is, and a journal
// protected from writing are not opened, and not one byte of them changes.
void test_journal::foreignLinksAndReadOnlyJournals_areLeftUntouched() {
    if (::geteuid() != 0)
        QSKIP("only root can give a file to another user or write a protected one");
    { JournalStore created(folder(u"other"_s), wall()); }
    const QString theirs = QDir(folder(u"other"_s)).filePath(JournalStore::fileName());
    QFile file(theirs);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    QVERIFY(::chown(QFile::encodeName(theirs).constData(), 65534, 65534) == 0);
    const auto refused = [&](const QString &link, const QString &why) {
        QDir().mkpath(QFileInfo(link).path());
        if (!link.isEmpty() && !QFile::exists(link))
            QVERIFY(QFile::link(theirs, link));
        TrainingJournal journal(QFileInfo(link).path(), m_clock, wall());
        QVERIFY2(journal.status().message.contains(why), qPrintable(journal.status().message));
        QVERIFY(!read(journal, 30, 100, 0, 0)); // its retry refuses it again
        QFile f(link);
        QVERIFY(f.open(QIODevice::ReadOnly) && f.readAll() == before);
    };
    refused(folder(u"linked/Journal.sqlite"_s), u"ссылка на файл другого пользователя"_s);
    refused(folder(u"log/Journal.sqlite-wal"_s), u"ссылка на файл другого пользователя"_s);
    const QString mine = folder(u"protected/Journal.sqlite"_s);
    QDir().mkpath(folder(u"protected"_s));
    QVERIFY(QFile::copy(theirs, mine) && QFile::setPermissions(mine, QFile::ReadOwner));
    refused(mine, u"защищён от записи"_s);
}

// Another program's read lock at start-up keeps the journal off only until the next run.
void test_journal::lockedJournal_comesBackAtTheNextRun() {
    const QString dir = folder(u"locked"_s);
    { JournalStore created(dir, wall()); }
    QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"reader"_s);
    db.setDatabaseName(QDir(dir).filePath(JournalStore::fileName()));
    QVERIFY(db.open());
    auto *q = new QSqlQuery(db);
    QVERIFY(q->exec(u"BEGIN"_s) && q->exec(u"SELECT COUNT(*) FROM books"_s) && q->next());
    TrainingJournal journal(dir, m_clock, wall());
    const QString said = journal.status().message;
    QVERIFY(!journal.status().available);
    writeFile(folder(u"locked.txt"_s), "Текст.");
    QCOMPARE(journal.bookLoaded(folder(u"locked.txt"_s)), std::nullopt);
    QVERIFY(!read(journal, 30, 100, 0, 0) && journal.sessionLost());
    QCOMPARE(journal.status().message, said); // still taken: said as before, not again
    delete q;
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase(u"reader"_s);
    QVERIFY(read(journal, 30, 100, 0, 0) && !journal.sessionLost());
    QCOMPARE(journal.store().sessions().value(0).bookTitle, u"locked.txt"_s);
}

// Figures no run gives, written by another program: the row stays without them, and no
// sum overflows and closes the journal.
void test_journal::outOfRangeFigures_areShownAsMissingAndKeepTheJournal() {
    const QString dir = folder(u"ranges"_s);
    {
        TrainingJournal journal(dir, m_clock, wall());
        writeFile(folder(u"ranges.txt"_s), "Текст.");
        journal.bookLoaded(folder(u"ranges.txt"_s));
        QVERIFY(read(journal, 60, 200, 3, 40));
    }
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"ranges"_s);
        db.setDatabaseName(QDir(dir).filePath(JournalStore::fileName()));
        QVERIFY(db.open());
        QSqlQuery q(db);
        for (const char *figures : {"reading_ms = 9223372036854775000", "reading_ms = -5",
                                    "words = 'много'", "started = 'вчера'"})
            QVERIFY(q.exec(u"INSERT INTO sessions SELECT NULL, started, ended, reading_ms, words, "
                           u"signs, delay_ms, row_length, rows, pause_mode, punctuation, book_id, "
                           u"percent_start, percent_end, pieces, asked, answered_right, extras "
                           u"FROM sessions "
                           u"WHERE id = 1"_s) &&
                    q.exec(u"UPDATE sessions SET %1 WHERE id = last_insert_rowid()"_s.arg(
                        QString::fromUtf8(figures))));
    }
    QSqlDatabase::removeDatabase(u"ranges"_s);
    JournalStore store(dir, wall());
    const QList<Session> sessions = store.sessions();
    QCOMPARE(sessions.size(), 5);
    QCOMPARE(sessions.first().startedMs, 0); // the undated one
    QCOMPARE(std::count_if(sessions.cbegin(), sessions.cend(),
                           [](const Session &s) { return !s.intact && s.readingMs == 0; }),
             4);
    const QList<BookTotals> totals = store.bookTotals();
    QVERIFY2(store.available(), qPrintable(store.status().message));
    QCOMPARE(totals[0].readingMs, 60'000);
}

// A megabyte of title with a direction override and line ends: one sane line.
void test_journal::hostileTitles_areCutAndStraightened() {
    JournalStore store(folder(u"titles"_s), wall());
    BookFile file{"/книги/x.fb2", 1, u"ff"_s, u"\u202eнигК\u0007\nвторая\u2066 "_s};
    file.title += QString(1'000'000, u'я');
    QVERIFY(store.rememberBook(file) && store.rememberBook(file));
    const QString title = store.recentBooks(10).value(0).title;
    QCOMPARE(title.size(), BookFile::MaxTitle);
    QVERIFY(title.startsWith(u"нигК вторая я"_s));
    // A surrogate pair is never split.
    QCOMPARE(BookFile::cleanTitle(QString(BookFile::MaxTitle - 1, u'a') + u"😀"_s).size(),
             BookFile::MaxTitle - 1);
}

void test_journal::checkedSessions_keepUnderstandingAndGiveWorkingSpeed() {
    TrainingJournal journal(folder(u"checked"_s), m_clock, wall());
    QVERIFY(read(journal, 60, 100, 0, 0)); // not checked
    // Real speeds 100, 200 … 700 words a minute; 4 of 5, 5 of 5 or 2 of 5 understood.
    const int right[] = {4, 5, 2, 5, 4, 4, 5};
    for (int i = 0; i < 7; ++i) {
        QVERIFY(read(journal, 60, 100 * (i + 1), 0, 0));
        QVERIFY(journal.store().setUnderstanding(journal.lastSession(), 5, right[i]));
    }
    const QList<Session> all = journal.store().sessions();
    QCOMPARE(all.first().understandingText(), u"—"_s);
    QCOMPARE(all.at(1).understandingText(), u"4 из 5 (80 %)"_s);
    QCOMPARE(all.at(1).effectiveSpeed(SpeedUnit::Words), 80.0);
    // The last five at 80 % or more: 700, 600, 500, 400, 200 (300 was 2 of 5).
    const QList<Session> understood = journal.store().understoodSessions(80, 5);
    QCOMPARE(understood.size(), 5);
    QCOMPARE(workingSpeed(understood, SpeedUnit::Words), 500.0);
    QCOMPARE(workingSpeed({}, SpeedUnit::Words), 0.0);

    const QStringList csv = QString::fromUtf8(sessionsCsv(all)).split(u"\r\n"_s);
    QVERIFY(csv.at(0).endsWith(
        u"\"Понимание, %\",Эффективно слов в минуту,Эффективно знаков в минуту,Дополнительно"_s));
    QVERIFY(csv.at(1).endsWith(u",,,"_s));
    QVERIFY(csv.at(2).endsWith(u",80,80,800,"_s));
    // The options beyond the designed ones are kept with the session.
    Session extra = all.first();
    extra.settings.extras = RunSettings::LongWords | RunSettings::RampUp;
    QVERIFY(journal.store().addSession(extra, 0));
    const QList<Session> stored = journal.store().sessions();
    QVERIFY(std::any_of(stored.begin(), stored.end(), [&](const Session &x) {
        return x.id == extra.id && x.settings.text().endsWith(u", длинные слова дольше, разгон"_s);
    }));

    // Our options live in the journal, not in "ZKData".
    QVERIFY(journal.store().metaValue(u"check"_s).isNull());
    QVERIFY(journal.store().setMetaValue(u"check"_s, u"1"_s));
    QCOMPARE(journal.store().metaValue(u"check"_s).toString(), u"1"_s);
    QVERIFY(journal.store().removeMetaValue(u"check"_s));
    QVERIFY(journal.store().metaValue(u"check"_s).isNull());
}

void test_journal::exercises_areKeptWithTheirUsualTimes() {
    const QString dir = folder(u"exercises"_s);
    QDir().mkpath(dir);
    const TableChoice five{TableKind::Numbers, 5};
    ExerciseRecord gorbov{0, 5000, {TableKind::Gorbov, 7}, 90000, 3};
    {
        JournalStore store(dir, wall());
        for (int i = 0; i < 7; ++i) {
            ExerciseRecord r{0, 1000 + i, five, 10000 + i * 1000, i};
            QVERIFY(store.addExercise(r));
            QVERIFY(r.id > 0);
        }
        QVERIFY(store.addExercise(gorbov));
        ExerciseRecord impossible{0, 5000, {TableKind::Letters, 7}, 1000, 0};
        QVERIFY(!store.addExercise(impossible));
        // The last five of that size and kind, newest first.
        QCOMPARE(store.recentTimes(five, 5), (QList<qint64>{16000, 15000, 14000, 13000, 12000}));
        QCOMPARE(store.recentTimes({TableKind::Gorbov, 7}, 5), QList<qint64>{90000});
    }
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"hand"_s);
        db.setDatabaseName(QDir(dir).filePath(u"Journal.sqlite"_s));
        QVERIFY(db.open());
        QSqlQuery q(db);
        QVERIFY(q.exec(u"INSERT INTO exercises (exercise, ended, kind, size, time_ms, errors) "
                       u"VALUES ('schulte', 3000, 9, 5, 1, 0), ('schulte', 3000, 0, 5, 'x', 0)"_s));
    }
    QSqlDatabase::removeDatabase(u"hand"_s);
    JournalStore store(dir, wall());
    const QList<ExerciseRecord> kept = store.exercises(1003);
    QCOMPARE(kept.size(), 5); // four numbers and the Gorbov table; the damaged rows stay out
    QCOMPARE(kept.last().choice, (TableChoice{TableKind::Gorbov, 7}));
    QCOMPARE(kept.last().errors, 3);

    const QString csv = QString::fromUtf8(exercisesCsv({gorbov}));
    QVERIFY2(csv.endsWith(u",Таблица Горбова,Горбов,7×7,90.0,3\r\n"_s), qPrintable(csv));

    QCOMPARE(store.metaValue(u"schulte_hint"_s, false).toBool(), false);
    QVERIFY(store.setMetaValue(u"schulte_hint"_s, true));
    QCOMPARE(store.metaValue(u"schulte_hint"_s, false).toBool(), true);
}

QTEST_GUILESS_MAIN(test_journal)
#include "test_journal.moc"
