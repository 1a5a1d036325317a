// The built program run as its own process, from a copy of its folder, as a user runs it.
#include "../HostilePdf.h"
#include "formats/TextCodec.h"
#include "settings/SettingsRecord.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <chrono>
#include <fcntl.h>
#include <memory>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace zk;

namespace {

constexpr uid_t NobodyId = 65534;
// A sanitizer build starts several times slower and the machine is shared: be generous.
constexpr int StartTimeoutMs = 60000;
constexpr int ExitTimeoutMs = 30000;

const QString LastEdit = QStringLiteral("LastEdit");
const QString ZKData = QStringLiteral("ZKData");
const QString Program = QStringLiteral("zorkan");
const QString PageReader = QStringLiteral("zorkan-pages");
const QString Journal = QStringLiteral("Journal.sqlite");

QByteArray readAll(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeAll(const QString &path, const QByteArray &bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size() && f.flush();
}

QByteArray local(const QString &path) {
    return QFile::encodeName(path);
}

// Every entry, hidden ones included, so no leftover escapes notice.
QStringList listing(const QString &folder) {
    return QDir(folder).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

QStringList sorted(QStringList names) {
    names.sort();
    return names;
}

struct FileState {
    QByteArray bytes;
    qint64 size = 0;
    ino_t inode = 0;
    qint64 mtimeNs = 0;
    bool operator==(const FileState &) const = default;
};

using Snapshot = QMap<QString, FileState>;

// Contents, inode and modification time of every file below `folder`: a rewrite
// with the same bytes still shows as a new inode or time.
Snapshot snapshot(const QString &folder) {
    Snapshot result;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        struct stat st = {};
        if (::stat(local(path).constData(), &st) != 0)
            continue;
        FileState state;
        state.size = st.st_size;
        state.inode = st.st_ino;
        state.mtimeNs = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
        if (it.fileName() != Program)
            state.bytes = readAll(path);
        result.insert(QDir(folder).relativeFilePath(path), state);
    }
    return result;
}

QString changes(const Snapshot &before, const Snapshot &after) {
    QStringList changed;
    for (auto it = before.cbegin(); it != before.cend(); ++it) {
        if (!after.contains(it.key()))
            changed << it.key() + QStringLiteral(" removed");
        else if (after.value(it.key()) != it.value())
            changed << it.key() + QStringLiteral(" changed");
    }
    for (auto it = after.cbegin(); it != after.cend(); ++it) {
        if (!before.contains(it.key()))
            changed << it.key() + QStringLiteral(" added");
    }
    return changed.join(QStringLiteral(", "));
}

// Each save replaces the file, so a new inode tells it was written.
ino_t inodeOf(const QString &path) {
    struct stat st = {};
    return ::stat(local(path).constData(), &st) == 0 ? st.st_ino : 0;
}

mode_t modeOf(const QString &path) {
    struct stat st = {};
    return ::lstat(local(path).constData(), &st) == 0 ? st.st_mode : 0;
}

// A regression that reads a device without end fails instead of exhausting the
// machine. A sanitizer build reserves too much address space for such a limit.
void limitMemory([[maybe_unused]] QProcess &p) {
#if !defined(__SANITIZE_ADDRESS__)
    p.setChildProcessModifier([] {
        const rlimit limit{rlim_t(4) << 30, rlim_t(4) << 30};
        ::setrlimit(RLIMIT_AS, &limit);
    });
#endif
}

// Waits for a line on standard error that holds `text`.
bool waitForError(QProcess &p, const QString &text) {
    QByteArray seen;
    const QDeadlineTimer deadline(StartTimeoutMs);
    while (!seen.contains(text.toUtf8()) && !deadline.hasExpired() &&
           p.state() != QProcess::NotRunning) {
        p.waitForReadyRead(100);
        seen += p.readAllStandardError();
    }
    return (seen + p.readAllStandardError()).contains(text.toUtf8());
}

// An old time, so that any later write shows.
void backdate(const QString &path) {
    const timespec times[2] = {{1577836800, 0}, {1577836800, 0}};
    ::utimensat(AT_FDCWD, local(path).constData(), times, 0);
}

// Empty when the program ended by itself with code 0; otherwise what went wrong.
QString exitProblem(QProcess &p) {
    if (p.state() != QProcess::NotRunning)
        return QStringLiteral("still running");
    if (p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0)
        return {};
    return QStringLiteral("exit status %1, code %2, stderr:\n%3")
        .arg(p.exitStatus())
        .arg(p.exitCode())
        .arg(QString::fromLocal8Bit(p.readAllStandardError().right(4000)));
}

QString stopProblem(QProcess &p) {
    p.terminate(); // SIGTERM
    if (!p.waitForFinished(ExitTimeoutMs)) {
        p.kill();
        p.waitForFinished();
        return QStringLiteral("did not end after SIGTERM");
    }
    return exitProblem(p);
}

// The program listens once it has won the single-instance lock; its files are
// written only when it ends.
bool waitUntilListening(const QString &socket, const QProcess &p) {
    const QDeadlineTimer deadline(StartTimeoutMs);
    while (!deadline.hasExpired()) {
        if (p.state() == QProcess::NotRunning)
            return false;
        QLocalSocket probe;
        probe.connectToServer(socket);
        if (probe.waitForConnected(100))
            return true;
        QTest::qWait(20);
    }
    return false;
}

qint64 cpuTicks(qint64 pid) {
    const QByteArray stat = readAll(QStringLiteral("/proc/%1/stat").arg(pid));
    const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
    // utime and stime are fields 14 and 15; the list starts at field 3.
    return fields.size() > 12 ? fields.at(11).toLongLong() + fields.at(12).toLongLong() : -1;
}

// Peak resident memory so far, in bytes.
qint64 peakMemory(qint64 pid) {
    for (const QByteArray &line : readAll(QStringLiteral("/proc/%1/status").arg(pid)).split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong() * 1024;
    }
    return -1;
}

// Start-up is over once the process stops using the processor; reading on
// afterwards costs a tick now and then.
void waitUntilIdle(qint64 pid) {
    const QDeadlineTimer deadline(StartTimeoutMs);
    qint64 last = cpuTicks(pid);
    int quiet = 0;
    while (quiet < 4 && !deadline.hasExpired()) {
        QTest::qWait(50);
        const qint64 now = cpuTicks(pid);
        quiet = now - last <= 1 ? quiet + 1 : 0;
        last = now;
    }
}

// A private home, data and runtime folder for one case, and the program folders
// it copies the program into.
class Sandbox final {
public:
    Sandbox() {
        static int counter = 0;
        m_instance = QStringLiteral("zk-blackbox-%1-%2")
                         .arg(QCoreApplication::applicationPid())
                         .arg(++counter);
        // Another user must reach a program folder inside.
        ::chmod(local(m_root.path()).constData(), 0755);
        for (const QString &folder : homeFolders())
            QDir().mkpath(folder);
        ::chmod(local(runtimeDir()).constData(), 0700);
    }

    ~Sandbox() = default;
    Q_DISABLE_COPY_MOVE(Sandbox)

    bool isValid() const { return m_root.isValid(); }
    QString path(const QString &relative) const { return QDir(m_root.path()).filePath(relative); }
    QString home() const { return path(QStringLiteral("home")); }
    QString dataHome() const { return path(QStringLiteral("home/.local/share")); }
    QString runtimeDir() const { return path(QStringLiteral("home/run")); }
    QString userDataFolder() const { return dataHome() + QStringLiteral("/zorkan/zorkan"); }
    const QString &instance() const { return m_instance; }
    // Inside the runtime folder, which belongs to whoever runs the program.
    QString socketPath() const { return runtimeDir() + QStringLiteral("/zorkan/") + m_instance; }
    // Extra variables for the program; an empty value removes one.
    QMap<QString, QString> environment;

    // A new folder holding the program, and its help and sample text and its page reader if
    // asked.
    QString addProgramFolder(const QString &name, bool withData = false,
                             bool withPageReader = false) {
        const QString folder = path(name);
        QDir().mkpath(folder);
        ::chmod(local(folder).constData(), 0755);
        const QDir built(qEnvironmentVariable("ZK_BINARY_DIR"));
        const QString program = QDir(folder).filePath(Program);
        // Later copies are hard links: the program still sees its own folder.
        if (m_firstCopy.isEmpty() ||
            ::link(local(m_firstCopy).constData(), local(program).constData()) != 0) {
            QFile::copy(built.filePath(Program), program);
            m_firstCopy = program;
        }
        if (withPageReader)
            QFile::copy(built.filePath(PageReader), QDir(folder).filePath(PageReader));
        if (withData) {
            for (const QString &file : {QStringLiteral("Readme.rtf"), QStringLiteral("sample.txt")})
                QFile::copy(built.filePath(file), QDir(folder).filePath(file));
        }
        return folder;
    }

    bool handHomeTo(uid_t uid) const {
        for (const QString &folder : homeFolders()) {
            if (::chown(local(folder).constData(), uid, uid) != 0)
                return false;
        }
        return true;
    }

    // A stand-in for LibreOffice, found first on the program's path: a document
    // that starts with HANG makes it wait (its processes' ids go to "hang.pid"),
    // any other fails.
    QString addFakeConverter() {
        const QString bin = path(QStringLiteral("bin"));
        QDir().mkpath(bin);
        environment.insert(QStringLiteral("PATH"), bin + u':' + qEnvironmentVariable("PATH"));
        const QString script = QDir(bin).filePath(QStringLiteral("soffice"));
        writeAll(script, R"sh(#!/bin/sh
here=$(dirname "$0")
for input; do :; done
[ "$(head -c 4 "$input")" = HANG ] || exit 1
echo $$ > "$here/hang.pid"
sleep 300 &
echo $! >> "$here/hang.pid"
wait
)sh");
        QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return bin;
    }

    void start(QProcess &p, const QString &programFolder, const QStringList &args = {},
               const QString &launchFolder = {}, bool asNobody = false) const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("ZK_INSTANCE_NAME"), m_instance);
        env.insert(QStringLiteral("HOME"), home());
        env.insert(QStringLiteral("XDG_DATA_HOME"), dataHome());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), path(QStringLiteral("home/.config")));
        env.insert(QStringLiteral("XDG_CACHE_HOME"), path(QStringLiteral("home/.cache")));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeDir());
        for (auto it = environment.cbegin(); it != environment.cend(); ++it) {
            if (it.value().isEmpty())
                env.remove(it.key());
            else
                env.insert(it.key(), it.value());
        }
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(launchFolder.isEmpty() ? programFolder : launchFolder);
        const QString program = QDir(programFolder).filePath(Program);
        if (asNobody) {
            p.start(QStringLiteral("setpriv"),
                    QStringList{QStringLiteral("--reuid=%1").arg(NobodyId),
                                QStringLiteral("--regid=%1").arg(NobodyId),
                                QStringLiteral("--clear-groups"), program} +
                        args);
        } else {
            p.start(program, args);
        }
    }

private:
    QStringList homeFolders() const {
        return {home(),
                path(QStringLiteral("home/.local")),
                dataHome(),
                path(QStringLiteral("home/.config")),
                path(QStringLiteral("home/.cache")),
                runtimeDir()};
    }

    QTemporaryDir m_root;
    QString m_instance;
    QString m_firstCopy;
};

// The running processes of one program file.
QList<qint64> processesOf(const QString &program) {
    QList<qint64> pids;
    for (const QString &entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool number = false;
        const qint64 pid = entry.toLongLong(&number);
        if (number && QFileInfo(QStringLiteral("/proc/%1/exe").arg(entry)).symLinkTarget() ==
                          QFileInfo(program).absoluteFilePath())
            pids << pid;
    }
    return pids;
}

// Ended, or a zombie nobody reaps.
bool processGone(qint64 pid) {
    const QByteArray stat = readAll(QStringLiteral("/proc/%1/stat").arg(pid));
    return stat.isEmpty() || stat.mid(stat.lastIndexOf(')') + 2, 1) == "Z";
}

// A few hundred kilobytes of Russian text with CR LF line ends, different each
// round; odd rounds hold a letter outside Windows-1251 and so are stored as UTF-8.
QByteArray bookBytes(int round, QRandomGenerator &random) {
    static const QStringList words =
        QStringLiteral("читать быстро строка «слово» книга, глаз — поле "
                       "внимание; ёж №5 память тренировка текст.")
            .split(u' ');
    QString text = QStringLiteral("Раунд %1\r\n").arg(round);
    if (round % 2)
        text += QStringLiteral("ѣ漢\r\n");
    while (text.size() < 300000) {
        for (int i = 0; i < 12; ++i)
            text += words.at(random.bounded(int(words.size()))) + u' ';
        text += QStringLiteral("\r\n");
    }
    return round % 2 ? QByteArray("\xEF\xBB\xBF") + text.toUtf8() : TextCodec::toWindows1251(text);
}

} // namespace

class test_blackbox : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void firstStart_leavesEmptyLastEditAndSettingsOnly();
    void relativeFile_afterDoubleDash_isTakenFromLaunchFolder_andStoredByteForByte();
    void secondInstance_endsAtOnce_andTouchesNoFile();
    void quickHandOvers_runOneConversionAtATime_andTheLastWins();
    void tenSimultaneousStarts_leaveOneRunning();
    void readOnlyProgramFolder_storesInUserDataFolder();
    void killDuringShutDown_neverLeavesTruncatedFiles();
    void hostileStoredFiles_areNeitherFollowedNorBlocking();
    void guardFolder_isPrivate_andATakenOneGivesWayToTheUsersCache();
    void anotherUsersSocket_isNeverAsked();
    void sigtermAtStartUp_endsAtOnce_keepingTextAndLine_data();
    void sigtermAtStartUp_endsAtOnce_keepingTextAndLine();
    void textFileWithoutText_isAFailedOpen_data();
    void textFileWithoutText_isAFailedOpen();
    void largeStoredText_sigtermWhileReadingKeepsFiles_andExitHoldsNoSecondCopy();
};

void test_blackbox::initTestCase() {
    const QDir built(qEnvironmentVariable("ZK_BINARY_DIR"));
    QVERIFY2(QFile::exists(built.filePath(Program)),
             "ZK_BINARY_DIR must name the build folder holding the program");
}

void test_blackbox::firstStart_leavesEmptyLastEditAndSettingsOnly() {
    Sandbox box;
    QVERIFY(box.isValid());
    const QString folder = box.addProgramFolder(QStringLiteral("program"), true);
    const QStringList shipped = listing(folder);
    QProcess p;
    box.start(p, folder);
    QVERIFY2(waitUntilListening(box.socketPath(), p), qPrintable(exitProblem(p)));
    const QString problem = stopProblem(p);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));

    QCOMPARE(listing(folder), sorted(shipped + QStringList{Journal, LastEdit, ZKData}));
    QVERIFY(TextCodec::decode(readAll(QDir(folder).filePath(LastEdit))).isEmpty());
    const QByteArray settings = readAll(QDir(folder).filePath(ZKData));
    QCOMPARE(settings.size(), SettingsRecord::ByteSize);
    QVERIFY(SettingsRecord::decode(settings).has_value());
    QVERIFY(!QFile::exists(box.dataHome() + QStringLiteral("/zorkan")));
}

void test_blackbox::relativeFile_afterDoubleDash_isTakenFromLaunchFolder_andStoredByteForByte() {
    Sandbox box;
    QVERIFY(box.isValid());
    const QString folder = box.addProgramFolder(QStringLiteral("program"));
    const QString launch = box.path(QStringLiteral("launch"));
    QVERIFY(QDir().mkpath(launch));
    const QByteArray text = TextCodec::toWindows1251(
        QStringLiteral("«Ёлка» — №1;\tтабуляция\r\n\r\nВторая строка, ещё одна.\r\n"));
    // A name Qt would take for its own option, were it not after "--".
    const QString book = launch + QStringLiteral("/-style=Книга.txt");
    QVERIFY(writeAll(book, text));
    backdate(book);
    const Snapshot launchBefore = snapshot(launch);

    QProcess p;
    box.start(p, folder, {QStringLiteral("--"), QStringLiteral("-style=Книга.txt")}, launch);
    QVERIFY2(waitUntilListening(box.socketPath(), p), qPrintable(exitProblem(p)));
    waitUntilIdle(p.processId());
    const QString problem = stopProblem(p);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));

    QCOMPARE(readAll(QDir(folder).filePath(LastEdit)), text);
    const std::optional<SettingsRecord> record =
        SettingsRecord::decode(readAll(QDir(folder).filePath(ZKData)));
    QVERIFY(record.has_value());
    QVERIFY(record->ReadingOn.isOn());
    QCOMPARE(changes(launchBefore, snapshot(launch)), QString());
}

void test_blackbox::secondInstance_endsAtOnce_andTouchesNoFile() {
    Sandbox box;
    QVERIFY(box.isValid());
    const QString first = box.addProgramFolder(QStringLiteral("first"));
    const QString second = box.addProgramFolder(QStringLiteral("second"));
    SettingsRecord record = SettingsRecord::designedDefaults();
    record.SavedLine = 1;
    for (const QString &folder : {first, second}) {
        QVERIFY(writeAll(QDir(folder).filePath(LastEdit),
                         TextCodec::toWindows1251(QStringLiteral("раз\r\nдва\r\nтри"))));
        QVERIFY(writeAll(QDir(folder).filePath(ZKData), record.encode()));
        QVERIFY(writeAll(QDir(folder).filePath(QStringLiteral("book.txt")), "book"));
        for (const QString &name : listing(folder))
            backdate(QDir(folder).filePath(name));
    }

    QProcess running;
    box.start(running, first);
    QVERIFY2(waitUntilListening(box.socketPath(), running), qPrintable(exitProblem(running)));
    waitUntilIdle(running.processId());
    const Snapshot firstBefore = snapshot(first);
    const Snapshot secondBefore = snapshot(second);

    // As when a user opens a file while the program runs.
    QProcess late;
    QElapsedTimer timer;
    timer.start();
    box.start(late, second, {QStringLiteral("book.txt")});
    QVERIFY(late.waitForFinished(ExitTimeoutMs));
    const qint64 elapsed = timer.elapsed();
    qInfo("second instance ended after %lld ms", elapsed);
    QVERIFY2(exitProblem(late).isEmpty(), qPrintable(exitProblem(late)));
    // It should take well under a second; the bound only catches a hang.
    QVERIFY2(elapsed < 5000, qPrintable(QStringLiteral("%1 ms").arg(elapsed)));
    QCOMPARE(running.state(), QProcess::Running);
    // The running one takes the file over; only its journal notes the book until it ends.
    Snapshot firstAfter = snapshot(first);
    for (const QString &name : firstAfter.keys()) {
        if (QFileInfo(name).fileName().startsWith(Journal))
            firstAfter.insert(name, firstBefore.value(name));
    }
    QCOMPARE(changes(firstBefore, firstAfter), QString());
    QCOMPARE(changes(secondBefore, snapshot(second)), QString());

    // A document whose conversion runs event loops (LibreOffice, the progress window).
    // Its journal notes the book once the text is in.
    const QString wal = Journal + QStringLiteral("-wal");
    const FileState noted = snapshot(first).value(wal);
    QVERIFY(writeAll(QDir(second).filePath(QStringLiteral("book.rtf")), "{\\rtf1 converted}"));
    box.start(late, second, {QStringLiteral("book.rtf")});
    QVERIFY(late.waitForFinished(ExitTimeoutMs));
    const QDeadlineTimer converted(60'000);
    while (snapshot(first).value(wal) == noted && !converted.hasExpired() &&
           running.state() == QProcess::Running)
        QTest::qWait(100);
    QCOMPARE(running.state(), QProcess::Running);

    const QString problem = stopProblem(running);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    QCOMPARE(readAll(QDir(first).filePath(LastEdit)), QByteArray("converted\r\n"));
}

// Files opened one after another while LibreOffice converts: each newer one kills the
// conversion under way before its own starts, and the last one is the text kept at exit.
void test_blackbox::quickHandOvers_runOneConversionAtATime_andTheLastWins() {
    Sandbox box;
    QVERIFY(box.isValid());
    const QString folder = box.addProgramFolder(QStringLiteral("program"));
    const QDir bin(box.addFakeConverter());
    const QString pids = bin.filePath(QStringLiteral("hang.pid"));
    QVERIFY(writeAll(QDir(folder).filePath(LastEdit), "old\r\n"));
    for (const char *name : {"a.doc", "b.doc"})
        QVERIFY(writeAll(QDir(folder).filePath(QString::fromLatin1(name)), "HANG"));
    QVERIFY(writeAll(QDir(folder).filePath(QStringLiteral("c.txt")), "last"));
    QProcess running;
    box.start(running, folder);
    QVERIFY2(waitUntilListening(box.socketPath(), running), qPrintable(exitProblem(running)));

    const auto handOver = [&](const char *name) {
        QProcess late;
        box.start(late, folder, {QString::fromLatin1(name)});
        return late.waitForFinished(ExitTimeoutMs);
    };
    QByteArrayList earlier; // of conversions a newer file stopped
    for (const char *name : {"a.doc", "b.doc"}) {
        QVERIFY(handOver(name));
        // Its converter runs, with the child the converter started; the earlier ones are gone.
        QTRY_VERIFY_WITH_TIMEOUT(readAll(pids).count('\n') == 2 &&
                                     !earlier.contains(readAll(pids).split('\n').first()),
                                 ExitTimeoutMs);
        for (const QByteArray &pid : std::as_const(earlier))
            QVERIFY2(processGone(pid.toLongLong()), pid.constData());
        earlier += readAll(pids).split('\n');
        earlier.removeAll(QByteArray());
    }
    QVERIFY(handOver("c.txt"));
    for (const QByteArray &pid : std::as_const(earlier))
        QTRY_VERIFY2_WITH_TIMEOUT(processGone(pid.toLongLong()), pid.constData(), ExitTimeoutMs);
    waitUntilIdle(running.processId());
    const QString problem = stopProblem(running);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    QCOMPARE(readAll(QDir(folder).filePath(LastEdit)), QByteArray("last\r\n"));
}

void test_blackbox::tenSimultaneousStarts_leaveOneRunning() {
    // Ten folders, so that a file written by any of them would show.
    Sandbox box;
    QVERIFY(box.isValid());
    constexpr int Count = 10;
    QStringList folders;
    std::vector<std::unique_ptr<QProcess>> processes;
    for (int i = 0; i < Count; ++i)
        folders << box.addProgramFolder(QStringLiteral("program%1").arg(i));
    for (const QString &folder : folders) {
        processes.push_back(std::make_unique<QProcess>());
        box.start(*processes.back(), folder);
    }

    const auto running = [&processes] {
        std::vector<int> result;
        for (int i = 0; i < Count; ++i) {
            if (processes[i]->state() != QProcess::NotRunning)
                result.push_back(i);
        }
        return result;
    };
    const QDeadlineTimer deadline(StartTimeoutMs);
    while (running().size() > 1 && !deadline.hasExpired())
        QTest::qWait(50);
    QTest::qWait(1000); // the survivor must stay
    const std::vector<int> survivors = running();
    QCOMPARE(survivors.size(), size_t(1));
    const int winner = survivors.front();
    QVERIFY(waitUntilListening(box.socketPath(), *processes[winner]));
    for (int i = 0; i < Count; ++i) {
        if (i != winner)
            QVERIFY2(exitProblem(*processes[i]).isEmpty(), qPrintable(exitProblem(*processes[i])));
    }

    const QString problem = stopProblem(*processes[winner]);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    for (int i = 0; i < Count; ++i) {
        const QStringList expected =
            i == winner ? sorted({Journal, LastEdit, ZKData, Program}) : QStringList{Program};
        QCOMPARE(listing(folders.at(i)), expected);
    }
    QCOMPARE(readAll(QDir(folders.at(winner)).filePath(ZKData)).size(), SettingsRecord::ByteSize);
}

void test_blackbox::readOnlyProgramFolder_storesInUserDataFolder() {
    Sandbox box;
    QVERIFY(box.isValid());
    const QString folder = box.addProgramFolder(QStringLiteral("program"));
    // Root writes through permission bits, so as root the program runs as nobody.
    const bool asNobody = ::geteuid() == 0;
    if (asNobody) {
        if (QStandardPaths::findExecutable(QStringLiteral("setpriv")).isEmpty())
            QSKIP("running as root without setpriv: no way to make the folder read-only");
        QVERIFY(box.handHomeTo(NobodyId));
    } else {
        QVERIFY(::chmod(local(folder).constData(), 0555) == 0);
    }
    const auto restore = qScopeGuard([&] { ::chmod(local(folder).constData(), 0755); });
    if (!asNobody && writeAll(QDir(folder).filePath(QStringLiteral("probe")), "x")) {
        QFile::remove(QDir(folder).filePath(QStringLiteral("probe")));
        QSKIP("this user writes into a read-only folder");
    }

    QProcess p;
    box.start(p, folder, {}, {}, asNobody);
    QVERIFY2(waitUntilListening(box.socketPath(), p), qPrintable(exitProblem(p)));
    const QString problem = stopProblem(p);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));

    QCOMPARE(listing(folder), QStringList{Program});
    const QDir user(box.userDataFolder());
    QCOMPARE(listing(user.path()), (QStringList{Journal, LastEdit, ZKData}));
    QCOMPARE(readAll(user.filePath(ZKData)).size(), SettingsRecord::ByteSize);
}

void test_blackbox::killDuringShutDown_neverLeavesTruncatedFiles() {
    Sandbox box;
    QVERIFY(box.isValid());
    const QString folder = box.addProgramFolder(QStringLiteral("program"));
    const QString books = box.path(QStringLiteral("books"));
    QVERIFY(QDir().mkpath(books));
    const quint32 seed = QRandomGenerator::global()->generate();
    qInfo("seed %u", seed);
    QRandomGenerator random(seed);

    // Uncut runs store a complete pair and tell how long saving takes; the first
    // run also fills caches, so the quicker one counts.
    const QString lastEditPath = QDir(folder).filePath(LastEdit);
    const QString settingsPath = QDir(folder).filePath(ZKData);
    const QByteArray initial = bookBytes(0, random);
    QVERIFY(writeAll(lastEditPath, initial));
    int saveMs = ExitTimeoutMs;
    for (int run = 0; run < 2; ++run) {
        const ino_t before = inodeOf(settingsPath);
        QProcess p;
        box.start(p, folder);
        QVERIFY2(waitUntilListening(box.socketPath(), p), qPrintable(exitProblem(p)));
        waitUntilIdle(p.processId());
        QElapsedTimer timer;
        timer.start();
        p.terminate();
        while (inodeOf(settingsPath) == before && timer.elapsed() < ExitTimeoutMs)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        saveMs = std::min(saveMs, int(timer.elapsed()));
        QVERIFY(p.waitForFinished(ExitTimeoutMs));
        QVERIFY2(exitProblem(p).isEmpty(), qPrintable(exitProblem(p)));
    }
    QString previous = TextCodec::decode(readAll(lastEditPath));
    QCOMPARE(previous, TextCodec::decode(initial));
    QCOMPARE(readAll(settingsPath).size(), SettingsRecord::ByteSize);
    // A slow (sanitizer) build needs a longer window to be cut inside its writes.
    const int maxDelayMs = std::max(30, saveMs + saveMs / 4);

    ino_t settingsInode = inodeOf(settingsPath);
    int newText = 0;
    int newSettings = 0;
    int textOnly = 0;
    int killed = 0;
    QStringList leftovers;
    constexpr int Rounds = 30;
    for (int round = 1; round <= Rounds; ++round) {
        const QByteArray bytes = bookBytes(round, random);
        const QString book = QDir(books).filePath(QStringLiteral("book%1.txt").arg(round));
        QVERIFY(writeAll(book, bytes));
        const QString text = TextCodec::decode(bytes);

        QProcess p;
        box.start(p, folder, {book});
        QVERIFY2(waitUntilListening(box.socketPath(), p), qPrintable(exitProblem(p)));
        waitUntilIdle(p.processId());
        const int delayMs = random.bounded(maxDelayMs + 1);
        p.terminate();
        std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
        p.kill();
        QVERIFY(p.waitForFinished(ExitTimeoutMs));
        if (p.exitStatus() == QProcess::CrashExit)
            ++killed;

        const QString where =
            QStringLiteral("round %1, SIGKILL after %2 ms").arg(round).arg(delayMs);
        const QString saved = TextCodec::decode(readAll(lastEditPath));
        QVERIFY2(
            saved == previous || saved == text,
            qPrintable(where + QStringLiteral(": LastEdit holds %1 characters").arg(saved.size())));
        const QByteArray settings = readAll(settingsPath);
        QVERIFY2(settings.size() == SettingsRecord::ByteSize,
                 qPrintable(where + QStringLiteral(": ZKData of %1 bytes").arg(settings.size())));
        QVERIFY(SettingsRecord::decode(settings).has_value());

        const bool textChanged = saved != previous;
        const bool settingsChanged = inodeOf(settingsPath) != settingsInode;
        newText += textChanged;
        newSettings += settingsChanged;
        textOnly += textChanged && !settingsChanged;
        previous = saved;
        settingsInode = inodeOf(settingsPath);
        leftovers = listing(folder);
        for (const QString &name : {Program, LastEdit, ZKData})
            leftovers.removeAll(name);
    }
    qInfo("saving takes %d ms; SIGKILL within 0..%d ms", saveMs, maxDelayMs);
    qInfo("%d rounds, %d killed: new LastEdit %d times, new ZKData %d times, new LastEdit with "
          "old ZKData %d times; left behind: %s",
          Rounds, killed, newText, newSettings, textOnly,
          qPrintable(leftovers.isEmpty() ? QStringLiteral("nothing") : leftovers.join(u' ')));
}

void test_blackbox::hostileStoredFiles_areNeitherFollowedNorBlocking() {
    Sandbox box;
    QVERIFY(box.isValid());
    const QDir folder(box.addProgramFolder(QStringLiteral("program")));
    const QString lastEdit = folder.filePath(LastEdit);
    const QString settings = folder.filePath(ZKData);
    const auto run = [&box, &folder] {
        QProcess p;
        limitMemory(p);
        box.start(p, folder.path());
        if (!waitUntilListening(box.socketPath(), p))
            return exitProblem(p);
        waitUntilIdle(p.processId());
        return stopProblem(p);
    };

    // A FIFO blocked start-up in open(); a device behind a link was read without end
    // and, as root, replaced by a file. Root can make a device here, where that is harmless.
    const bool root = ::geteuid() == 0;
    const QString device = box.path(QStringLiteral("device"));
    QCOMPARE(root ? ::mknod(local(device).constData(), S_IFCHR | 0666, makedev(1, 5))
                  : ::mkfifo(local(device).constData(), 0600),
             0);
    QVERIFY(QFile::link(device, lastEdit));
    QCOMPARE(::mkfifo(local(settings).constData(), 0600), 0);
    QString problem = run();
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    QVERIFY(S_ISFIFO(modeOf(settings)));
    QVERIFY(root ? S_ISCHR(modeOf(device)) : S_ISFIFO(modeOf(device)));
    // Said at the next start; removed here so that no message box waits.
    const QString note = QDir(box.userDataFolder()).filePath(QStringLiteral("SessionNote"));
    QVERIFY(QFile::remove(note));

    // A read-only text stays as it is, and is rescued; the user's own link to their
    // own settings file keeps working.
    QVERIFY(QFile::remove(lastEdit) && QFile::remove(settings));
    const QByteArray text = TextCodec::toWindows1251(QStringLiteral("Только для чтения.\r\n"));
    QVERIFY(writeAll(lastEdit, text));
    QCOMPARE(::chmod(local(lastEdit).constData(), 0444), 0);
    const QString ownSettings = box.path(QStringLiteral("settings"));
    QVERIFY(writeAll(ownSettings, SettingsRecord::designedDefaults().encode()));
    QVERIFY(QFile::link(ownSettings, settings));
    const ino_t settingsInode = inodeOf(ownSettings);
    problem = run();
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    QCOMPARE(readAll(lastEdit), text);
    QCOMPARE(modeOf(lastEdit) & 07777, mode_t(0444));
    QVERIFY(QFileInfo(settings).isSymLink());
    QVERIFY(inodeOf(ownSettings) != settingsInode);
    const QDir user(box.userDataFolder());
    const QStringList rescued = user.entryList({QStringLiteral("LastEdit-*.txt")});
    QCOMPARE(rescued.size(), 1);
    QCOMPARE(readAll(user.filePath(rescued.at(0))), text);
    QVERIFY(QFile::remove(note));

    if (!root)
        return;
    // Another user's file behind the user's link is not written through.
    const QString theirs = box.path(QStringLiteral("theirs"));
    QVERIFY(writeAll(theirs, text));
    QCOMPARE(::chown(local(theirs).constData(), NobodyId, NobodyId), 0);
    QVERIFY(QFile::remove(lastEdit) && QFile::link(theirs, lastEdit));
    const ino_t before = inodeOf(theirs);
    problem = run();
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    QCOMPARE(readAll(theirs), text);
    QCOMPARE(inodeOf(theirs), before);
}

void test_blackbox::guardFolder_isPrivate_andATakenOneGivesWayToTheUsersCache() {
    Sandbox box;
    QVERIFY(box.isValid());
    const QString folder = box.addProgramFolder(QStringLiteral("program"));
    const QString temp = box.path(QStringLiteral("tmp"));
    QVERIFY(QDir().mkpath(temp));
    QCOMPARE(::chmod(local(temp).constData(), 01777), 0);
    // Without XDG_RUNTIME_DIR (su, ssh, cron) the guard lives in the shared folder.
    box.environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), QString());
    box.environment.insert(QStringLiteral("XDG_CACHE_HOME"), QString());
    box.environment.insert(QStringLiteral("TMPDIR"), temp);
    const QString guard = temp + QStringLiteral("/zorkan-%1").arg(::geteuid());
    const QString cache = box.home() + QStringLiteral("/.cache");
    const QString ownGuard = cache + QStringLiteral("/zorkan");

    // Somebody was there first: a link to a folder elsewhere, or another user's folder.
    // The program then runs, guarded in the user's own cache, and says nothing.
    const QString elsewhere = box.path(QStringLiteral("elsewhere"));
    QVERIFY(QDir().mkpath(elsewhere));
    QVERIFY(QFile::link(elsewhere, guard));
    QVERIFY(QDir(cache).removeRecursively()); // a fresh home
    for (int round = 0; round < (::geteuid() == 0 ? 2 : 1); ++round) {
        if (round == 1) {
            QVERIFY(QFile::remove(guard) && QDir().mkdir(guard));
            QCOMPARE(::chown(local(guard).constData(), NobodyId, NobodyId), 0);
            QCOMPARE(::chmod(local(guard).constData(), 0777), 0);
        }
        QProcess p;
        box.start(p, folder);
        QVERIFY2(waitUntilListening(ownGuard + u'/' + box.instance(), p),
                 qPrintable(exitProblem(p)));
        QCOMPARE(modeOf(ownGuard), mode_t(S_IFDIR | 0700));
        const QString problem = stopProblem(p);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
        QVERIFY(!p.readAllStandardError().contains("Не удалось запустить"));
        QCOMPARE(listing(elsewhere), QStringList());
        QCOMPARE(listing(guard), QStringList());
    }

    // No private place at all: said, and nothing started.
    QVERIFY(QDir(ownGuard).removeRecursively() && QFile::link(elsewhere, ownGuard));
    {
        QProcess p;
        box.start(p, folder);
        QVERIFY2(waitForError(p, QStringLiteral("Не удалось запустить Зоркан: ")),
                 qPrintable(exitProblem(p)));
        p.terminate(); // closes the message
        QVERIFY(p.waitForFinished(ExitTimeoutMs));
        QCOMPARE(p.exitCode(), 1);
        QCOMPARE(listing(elsewhere), QStringList());
        QCOMPARE(listing(guard), QStringList());
    }

    QVERIFY(QFile::remove(ownGuard));
    QVERIFY(QDir(guard).removeRecursively() || QFile::remove(guard));
    QProcess p;
    box.start(p, folder);
    const QString socket = guard + u'/' + box.instance();
    QVERIFY2(waitUntilListening(socket, p), qPrintable(exitProblem(p)));
    QCOMPARE(modeOf(guard), mode_t(S_IFDIR | 0700));
    QCOMPARE(listing(guard), sorted({box.instance(), box.instance() + QStringLiteral(".lock")}));
    QVERIFY(!QFileInfo::exists(ownGuard));
    const QString problem = stopProblem(p);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
}

void test_blackbox::anotherUsersSocket_isNeverAsked() {
    // Root plays the other user; the program runs as nobody, who cannot remove it.
    if (::geteuid() != 0 || QStandardPaths::findExecutable(QStringLiteral("setpriv")).isEmpty())
        QSKIP("needs root and setpriv to act as two users");
    Sandbox box;
    QVERIFY(box.isValid());
    QVERIFY(box.handHomeTo(NobodyId));
    const QString folder = box.addProgramFolder(QStringLiteral("program"));
    const QString temp = box.path(QStringLiteral("tmp"));
    QVERIFY(QDir().mkpath(temp));
    QCOMPARE(::chmod(local(temp).constData(), 01777), 0);
    box.environment.insert(QStringLiteral("TMPDIR"), temp);
    QLocalServer impostor;
    QVERIFY(impostor.listen(QDir(temp).filePath(box.instance())));

    QProcess first;
    box.start(first, folder, {}, {}, true);
    QVERIFY2(waitUntilListening(box.socketPath(), first), qPrintable(exitProblem(first)));
    QProcess second;
    box.start(second, folder, {}, {}, true);
    QVERIFY(second.waitForFinished(ExitTimeoutMs));
    QVERIFY2(exitProblem(second).isEmpty(), qPrintable(exitProblem(second)));
    QCOMPARE(first.state(), QProcess::Running);
    QVERIFY(!impostor.hasPendingConnections());
    const QString problem = stopProblem(first);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
}

void test_blackbox::sigtermAtStartUp_endsAtOnce_keepingTextAndLine_data() {
    QTest::addColumn<QByteArray>("document");   // named on the command line unless empty
    QTest::addColumn<bool>("remembersReading"); // of a blank text, so a file is asked for
    QTest::newRow("nothing read") << QByteArray() << false;
    QTest::newRow("remembered run asks for a file") << QByteArray() << true;
    QTest::newRow("conversion message") << QByteArray("FAIL") << false;
    QTest::newRow("running conversion") << QByteArray("HANG") << false;
    // One page that keeps Poppler busy for minutes, beyond anything a termination may wait.
    QTest::newRow("hostile pdf") << hostile::pdfOfSpaces(32) << false;
}

void test_blackbox::sigtermAtStartUp_endsAtOnce_keepingTextAndLine() {
    QFETCH(QByteArray, document);
    QFETCH(bool, remembersReading);
    Sandbox box;
    QVERIFY(box.isValid());
    const QString folder = box.addProgramFolder(QStringLiteral("program"), false, true);
    const QDir bin(box.addFakeConverter());
    // Paragraphs longer than what the exit backs off after reading.
    QStringList paragraphs;
    for (int i = 0; !remembersReading && i < 6; ++i)
        paragraphs << QStringLiteral("Абзац %1: ").arg(i) + QStringLiteral("слово ").repeated(15) +
                          QStringLiteral("\r\n");
    const QByteArray text = TextCodec::toWindows1251(paragraphs.join(QString()));
    QVERIFY(writeAll(QDir(folder).filePath(LastEdit), text));
    SettingsRecord record = SettingsRecord::designedDefaults();
    record.SavedLine = remembersReading ? 0 : 3;
    record.ReadingOn = RecordFlag(remembersReading);
    record.RemAll = RecordFlag(true);
    QVERIFY(writeAll(QDir(folder).filePath(ZKData), record.encode()));
    QStringList args;
    const bool pdf = document.startsWith("%PDF");
    if (!document.isEmpty()) {
        const QString name = pdf ? QStringLiteral("book.pdf") : QStringLiteral("book.doc");
        QVERIFY(writeAll(QDir(folder).filePath(name), document));
        args << name;
    }

    QProcess p;
    box.start(p, folder, args);
    QVERIFY2(waitUntilListening(box.socketPath(), p), qPrintable(exitProblem(p)));
    if (document == "HANG")
        QTRY_VERIFY_WITH_TIMEOUT(readAll(bin.filePath(QStringLiteral("hang.pid"))).count('\n') == 2,
                                 StartTimeoutMs);
    const QString reader = QDir(folder).filePath(PageReader);
    if (pdf)
        QTRY_VERIFY_WITH_TIMEOUT(!processesOf(reader).isEmpty(), StartTimeoutMs);
    waitUntilIdle(p.processId());
    QElapsedTimer timer;
    timer.start();
    const QString problem = stopProblem(p);
    qInfo("ended %lld ms after SIGTERM", timer.elapsed());
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    QCOMPARE(readAll(QDir(folder).filePath(LastEdit)), text);
    const std::optional<SettingsRecord> stored =
        SettingsRecord::decode(readAll(QDir(folder).filePath(ZKData)));
    QVERIFY(stored.has_value());
    QCOMPARE(stored->SavedLine, record.SavedLine);
    QTRY_VERIFY(processesOf(reader).isEmpty());
    for (const QByteArray &pid : readAll(bin.filePath(QStringLiteral("hang.pid"))).split('\n')) {
        if (!pid.isEmpty())
            QTRY_VERIFY2(processGone(pid.toLongLong()), pid.constData());
    }
}

void test_blackbox::textFileWithoutText_isAFailedOpen_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("handedOver"); // else named on the command line
    QTest::newRow("blank, command line") << QByteArray(13, ' ') << false;
    QTest::newRow("empty, handed over") << QByteArray() << true;
}

// Such a file emptied the editor, the automatic start asked for a file, and the
// stored text was lost at exit.
void test_blackbox::textFileWithoutText_isAFailedOpen() {
    QFETCH(QByteArray, bytes);
    QFETCH(bool, handedOver);
    Sandbox box;
    QVERIFY(box.isValid());
    const QString folder = box.addProgramFolder(QStringLiteral("program"));
    const QByteArray text =
        TextCodec::toWindows1251(QStringLiteral("раз\r\nдва\r\nтри\r\nчетыре\r\nпять\r\n"));
    QVERIFY(writeAll(QDir(folder).filePath(LastEdit), text));
    SettingsRecord record = SettingsRecord::designedDefaults();
    record.SavedLine = 3;
    record.RemAll = RecordFlag(true);
    QVERIFY(writeAll(QDir(folder).filePath(ZKData), record.encode()));
    const QString file = QStringLiteral("пусто.txt");
    QVERIFY(writeAll(QDir(folder).filePath(file), bytes));

    QProcess p;
    box.start(p, folder, handedOver ? QStringList() : QStringList{file});
    QVERIFY2(waitUntilListening(box.socketPath(), p), qPrintable(exitProblem(p)));
    waitUntilIdle(p.processId());
    if (handedOver) {
        QProcess late;
        box.start(late, folder, {file});
        QVERIFY(late.waitForFinished(ExitTimeoutMs));
        QVERIFY2(exitProblem(late).isEmpty(), qPrintable(exitProblem(late)));
        QTest::qWait(500);
        waitUntilIdle(p.processId());
    }
    const QString problem = stopProblem(p);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    QCOMPARE(readAll(QDir(folder).filePath(LastEdit)), text);
    const std::optional<SettingsRecord> stored =
        SettingsRecord::decode(readAll(QDir(folder).filePath(ZKData)));
    QVERIFY(stored.has_value());
    QCOMPARE(stored->SavedLine, record.SavedLine);
    QVERIFY(!stored->ReadingOn.isOn());
}

void test_blackbox::largeStoredText_sigtermWhileReadingKeepsFiles_andExitHoldsNoSecondCopy() {
    Sandbox box;
    QVERIFY(box.isValid());
    const QString folder = box.addProgramFolder(QStringLiteral("program"));
    // Tens of megabytes: reading them takes a while even on a fast machine.
    const QByteArray paragraph = TextCodec::toWindows1251(
        QStringLiteral("Абзац книги: ") + QStringLiteral("слово, ещё слово ").repeated(30) +
        QStringLiteral("\r\n"));
    const QByteArray text = paragraph.repeated(int(50'000'000 / paragraph.size()));
    const QString lastEdit = QDir(folder).filePath(LastEdit);
    QVERIFY(writeAll(lastEdit, text));
    SettingsRecord record = SettingsRecord::designedDefaults();
    record.SavedLine = 7;
    QVERIFY(writeAll(QDir(folder).filePath(ZKData), record.encode()));
    for (const QString &name : listing(folder))
        backdate(QDir(folder).filePath(name));
    const Snapshot before = snapshot(folder);

    // It listens before it reads: the termination comes while the text is read. It ends
    // without a word written, so nothing half-read replaces the text.
    QProcess p;
    box.start(p, folder);
    QVERIFY2(waitUntilListening(box.socketPath(), p), qPrintable(exitProblem(p)));
    QString problem = stopProblem(p);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    Snapshot after = snapshot(folder);
    after.removeIf([](const auto &file) { return file.key().startsWith(Journal); });
    QCOMPARE(changes(before, after), QString());

#if defined(__SANITIZE_ADDRESS__)
    QSKIP("a sanitizer build's memory tells nothing of copies");
#endif
    // Storing the text at exit takes no more memory than holding it did.
    box.start(p, folder);
    QVERIFY2(waitUntilListening(box.socketPath(), p), qPrintable(exitProblem(p)));
    waitUntilIdle(p.processId());
    const qint64 held = peakMemory(p.processId());
    const ino_t inode = inodeOf(lastEdit);
    p.terminate();
    qint64 storing = held;
    while (inodeOf(lastEdit) == inode && p.state() == QProcess::Running)
        storing = std::max(storing, peakMemory(p.processId()));
    QVERIFY(p.waitForFinished(ExitTimeoutMs));
    QVERIFY2(exitProblem(p).isEmpty(), qPrintable(exitProblem(p)));
    QCOMPARE(readAll(lastEdit), text);
    qInfo("peak %lld MB while held, %lld MB while stored", held >> 20, storing >> 20);
    QVERIFY2(storing - held < text.size() / 2,
             qPrintable(QStringLiteral("%1 MB more").arg((storing - held) >> 20)));
}

QTEST_GUILESS_MAIN(test_blackbox)
#include "test_blackbox.moc"
