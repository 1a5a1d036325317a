#include "SourceFakes.h"
#include "WindowFixture.h"

#include "app/Application.h"
#include "app/CommandLine.h"
#include "app/DataFolder.h"
#include "app/SingleInstance.h"
#include "settings/SettingsRecord.h"

#include <QLocalSocket>
#include <QProcess>
#include <QScopeGuard>
#include <QSignalSpy>

#include <csignal>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace zk;
using namespace Qt::StringLiterals;

class test_lifecycle : public QObject {
    Q_OBJECT
private slots:
    void lastEdit_windows1251_survivesStartAndExit_byteForByte();
    void lastEdit_outsideWindows1251_survivesAsUtf8();
    void commandLineFile_replacesLastEdit_andReadsFromTop();
    void shutDown_runsOnce_andStoresState();
    void fullDisk_keepsStoredFilesWhole_andSaysWhyOnce();
    void exitSaveFailure_offersAnotherFile_orRescuesAtSessionEnd();
    void specialFiles_areRefusedWithAMessage_andNeverBlock();
    void unreadableLastEdit_isNotReplacedByEmptyText();
    void argument_isTakenFromLaunchFolder_asTheBytesGiven();
    void readOnlyProgramFolder_fallsBackToUserFolder();
    void secondInstance_endsWithoutTouchingFiles();
    void helpAndVersion_answerOnTheTerminal_withoutDisplayFilesOrInstance();
    void sigterm_storesTextAndSettings();
    void windowTitles_reachTheWindowSystemUnchanged();
};

// What the window system is given as a window's title (Qt's platform layer).
class QPlatformWindow {
public:
    static QString formatWindowTitle(const QString &title, const QString &separator);
};

void test_lifecycle::lastEdit_windows1251_survivesStartAndExit_byteForByte() {
    WindowFixture f;
    // Every paragraph, the last one too, ends in CR LF; a file written without the
    // final one reads the same and gains it.
    const QByteArray original = TextCodec::toWindows1251(
        QStringLiteral("Первая строка, с запятой.\r\n\r\nВторая\tс табуляцией\r\nпоследняя\r\n"));
    for (const QByteArray &stored : {original, original.chopped(2)}) {
        f.writeFile(QStringLiteral("LastEdit"), stored);
        MainWindow *w = f.start();
        QCOMPARE(w->editor()->lineCount(), 4);
        QCOMPARE(w->editor()->document()->blockCount(), 4);
        w->shutDown();
        QCOMPARE(f.readFile(QStringLiteral("LastEdit")), original);
    }
}

void test_lifecycle::lastEdit_outsideWindows1251_survivesAsUtf8() {
    WindowFixture f;
    const QString text = QStringLiteral("ё ѣ — € 漢\nвторая");
    MainWindow *w = f.startWithText(text);
    QCOMPARE(w->editor()->text(), text);
    w->shutDown();
    const QByteArray saved = f.readFile(QStringLiteral("LastEdit"));
    QVERIFY(saved.startsWith("\xEF\xBB\xBF"));
    QCOMPARE(TextCodec::decode(saved), text);
}

void test_lifecycle::commandLineFile_replacesLastEdit_andReadsFromTop() {
    WindowFixture f;
    f.writeFile(QStringLiteral("LastEdit"), "old text");
    SettingsRecord record = SettingsRecord::designedDefaults();
    record.SavedLine = 2;
    f.writeFile(QStringLiteral("ZKData"), record.encode());
    f.writeFile(QStringLiteral("book.TxT"),
                TextCodec::toWindows1251(QStringLiteral("раз\nдва\nтри")));
    MainWindow *w = f.start(f.path(QStringLiteral("book.TxT")));
    QCOMPARE(w->editor()->text(), QStringLiteral("раз\nдва\nтри"));
    QVERIFY(w->isReading()); // reading starts by itself
    QCOMPARE(w->engine().state().CurrentLine, 0);
}

void test_lifecycle::shutDown_runsOnce_andStoresState() {
    WindowFixture f;
    MainWindow *w = f.startWithText(QStringLiteral("один два три"));
    w->reading()->start();
    w->shutDown();
    QVERIFY(w->isShutDown());
    const QByteArray zk = f.readFile(QStringLiteral("ZKData"));
    QCOMPARE(zk.size(), SettingsRecord::ByteSize);
    QVERIFY(SettingsRecord::decode(zk)->ReadingOn.isOn());
    // A second request (the window's destruction, a signal) writes nothing again.
    QFile::remove(f.path(QStringLiteral("ZKData")));
    w->shutDown();
    f.window.reset();
    QVERIFY(!QFile::exists(f.path(QStringLiteral("ZKData"))));
}

void test_lifecycle::fullDisk_keepsStoredFilesWhole_andSaysWhyOnce() {
    WindowFixture f;
    const QByteArray old = "old text\r\n";
    const QByteArray settings = SettingsRecord::designedDefaults().encode();
    f.writeFile(QStringLiteral("LastEdit"), old);
    f.writeFile(QStringLiteral("ZKData"), settings);
    MainWindow *w = f.start();
    // Smaller than any write buffer: only the flush before the rename fails.
    w->editor()->setText(QStringLiteral("новый текст ").repeated(40));
    {
        FileSizeLimit limit(256);
        QVERIFY(limit.active());
        w->shutDown();
    }
    QCOMPARE(f.readFile(QStringLiteral("LastEdit")), old);
    QCOMPARE(f.readFile(QStringLiteral("ZKData")), settings);
    QStringList stored = QDir(f.dir.path()).entryList(QDir::Files | QDir::Hidden);
    stored.removeIf([](const QString &name) { return name.startsWith(u"Journal.sqlite"); });
    QCOMPARE(stored, (QStringList{QStringLiteral("LastEdit"), QStringLiteral("ZKData")}));
    // Once per file, naming it and why; the text is offered another place.
    QCOMPARE(f.dialogs->questions.size(), 1);
    QVERIFY(f.dialogs->questions.at(0).startsWith(
        QStringLiteral("Не удалось сохранить %1: ").arg(f.path(QStringLiteral("LastEdit")))));
    QCOMPARE(f.dialogs->messages,
             QStringList{QStringLiteral("Не удалось сохранить %1: файл больше допустимого размера")
                             .arg(f.path(QStringLiteral("ZKData")))});
}

void test_lifecycle::exitSaveFailure_offersAnotherFile_orRescuesAtSessionEnd() {
    const QString text = QStringLiteral("Текст, которому негде лечь.");
    {
        WindowFixture f;
        QVERIFY(QDir().mkdir(f.path(QStringLiteral("LastEdit"))));
        f.start()->editor()->setText(text);
        f.dialogs->answer = true;
        f.dialogs->saveAnswer = f.path(QStringLiteral("elsewhere.txt"));
        f.window->shutDown();
        QCOMPARE(f.dialogs->questions.size(), 1);
        QCOMPARE(f.readFile(QStringLiteral("elsewhere.txt")), TextCodec::encode(text));
    }
    // No window may wait at a session end: the text goes to the user's folder, and
    // the next start says where, once.
    WindowFixture f;
    QVERIFY(QDir().mkdir(f.path(QStringLiteral("LastEdit"))));
    f.start()->editor()->setText(text);
    f.window->session()->shutDownUnattended();
    QVERIFY(f.dialogs->questions.isEmpty() && f.dialogs->messages.isEmpty());
    const QDir user(f.path(QStringLiteral("user")));
    const QStringList rescued = user.entryList({QStringLiteral("LastEdit-*.txt")});
    QCOMPARE(rescued.size(), 1);
    QCOMPARE(f.readFile(QStringLiteral("user/") + rescued.at(0)), TextCodec::encode(text));
    f.window.reset();
    f.start();
    QCOMPARE(f.dialogs->messages.size(), 1);
    QVERIFY(f.dialogs->messages.at(0).startsWith(
        QStringLiteral("Не удалось сохранить %1: ").arg(f.path(QStringLiteral("LastEdit")))));
    QVERIFY(f.dialogs->messages.at(0).contains(user.filePath(rescued.at(0))));
    QCOMPARE(user.entryList(QDir::Files), rescued);
}

void test_lifecycle::specialFiles_areRefusedWithAMessage_andNeverBlock() {
    WindowFixture f;
    for (const char *name : {"LastEdit", "ZKData", "book.txt", "book.fb2"})
        QCOMPARE(::mkfifo(QFile::encodeName(f.path(QLatin1String(name))).constData(), 0600), 0);
    QVERIFY(QFile::link(QStringLiteral("/dev/zero"), f.path(QStringLiteral("zero.txt"))));
    const QString notAFile = QStringLiteral("Не удалось открыть %1: это не обычный файл");
    MainWindow *w = f.start(f.path(QStringLiteral("book.txt")));
    QCOMPARE(f.dialogs->messages, QStringList{notAFile.arg(f.path(QStringLiteral("book.txt")))});
    f.dialogs->messages.clear();

    auto converter = std::make_unique<RecordingConverter>();
    const RecordingConverter *converted = converter.get();
    w->setConverter(std::move(converter));
    for (const char *name : {"book.fb2", "zero.txt"}) {
        f.dialogs->openAnswer = f.path(QLatin1String(name));
        w->documents()->loadFromFile();
    }
    QVERIFY(converted->paths.isEmpty());
    QCOMPARE(f.dialogs->messages, (QStringList{notAFile.arg(f.path(QStringLiteral("book.fb2"))),
                                               notAFile.arg(f.path(QStringLiteral("zero.txt")))}));

    // Each stored FIFO is named once, at exit (there is no text to offer).
    f.dialogs->messages.clear();
    w->shutDown();
    QCOMPARE(f.dialogs->messages.size(), 2);
}

void test_lifecycle::unreadableLastEdit_isNotReplacedByEmptyText() {
    if (::geteuid() == 0)
        QSKIP("root reads any file");
    WindowFixture f;
    f.writeFile(QStringLiteral("LastEdit"), "text");
    QVERIFY(QFile::setPermissions(f.path(QStringLiteral("LastEdit")), QFileDevice::WriteOwner));
    MainWindow *w = f.start();
    QVERIFY(w->editor()->isBlank());
    w->shutDown();
    QFile::setPermissions(f.path(QStringLiteral("LastEdit")),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    QCOMPARE(f.readFile(QStringLiteral("LastEdit")), QByteArray("text"));
}

void test_lifecycle::argument_isTakenFromLaunchFolder_asTheBytesGiven() {
    std::optional<QTemporaryDir> links;
    QCOMPARE(DataFolder::resolveArgument("a/b.txt", "/home/u", links),
             QStringLiteral("/home/u/a/b.txt"));
    QCOMPARE(DataFolder::resolveArgument("/x/б.txt", "/home/u", links), QStringLiteral("/x/б.txt"));
    QCOMPARE(DataFolder::resolveArgument("", "/home/u", links), QString());
    QVERIFY(!links);

    // "Папка/Книга.txt" in Windows-1251: no valid UTF-8 in either part.
    QTemporaryDir dir;
    const QByteArray launch = QFile::encodeName(dir.path());
    const QByteArray relative = "\xcf\xe0\xef\xea\xe0/\xca\xed\xe8\xe3\xe0.txt";
    const QByteArray folder = launch + '/' + relative.left(relative.indexOf('/'));
    const QByteArray file = launch + '/' + relative;
    QVERIFY(::mkdir(folder.constData(), 0700) == 0);
    const int fd = ::open(file.constData(), O_WRONLY | O_CREAT, 0600);
    QVERIFY(fd >= 0 && ::write(fd, "text", 4) == 4 && ::close(fd) == 0);
    const QString path = DataFolder::resolveArgument(relative, launch, links);
    QFile opened(path);
    QVERIFY2(opened.open(QIODevice::ReadOnly), qPrintable(path));
    QCOMPARE(opened.readAll(), QByteArray("text"));
    QVERIFY(DocumentController::isPlainTextFile(path));
    // Qt cannot remove what it cannot name.
    QVERIFY(::unlink(file.constData()) == 0 && ::rmdir(folder.constData()) == 0);
}

void test_lifecycle::readOnlyProgramFolder_fallsBackToUserFolder() {
    QTemporaryDir dir;
    QVERIFY(DataFolder::isWritableFolder(dir.path()));
    QCOMPARE(DataFolder::choose(dir.path()), dir.path());
    const QString missing = QDir(dir.path()).filePath(QStringLiteral("no/such/folder"));
    const QString chosen = DataFolder::choose(missing);
    QVERIFY(chosen != missing);
    QVERIFY(DataFolder::isWritableFolder(chosen));
}

namespace {

// A copy of the built program in its own folder, as a user would have it.
struct ProgramCopy {
    QTemporaryDir dir;
    QString program;
    ProgramCopy() {
        program = QDir(dir.path()).filePath(QStringLiteral("zorkan"));
        const QString built =
            QDir(qEnvironmentVariable("ZK_BINARY_DIR")).filePath(QStringLiteral("zorkan"));
        QFile::copy(built, program);
    }
    QString path(const QString &name) const { return QDir(dir.path()).filePath(name); }
    void startIn(QProcess &p, const QString &instance, const QStringList &args = {}) const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("ZK_INSTANCE_NAME"), instance);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(dir.path());
        p.start(program, args);
    }
};

QByteArray readAll(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeAll(const QString &path, const QByteArray &bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// The first instance is up once it listens; its ZKData does not exist until exit.
bool waitUntilListening(const QString &instance) {
    for (int i = 0; i < 200; ++i) {
        QLocalSocket probe;
        probe.connectToServer(SingleInstance::socketPath(instance));
        if (probe.waitForConnected(100))
            return true;
        QTest::qWait(50);
    }
    return false;
}

} // namespace

void test_lifecycle::secondInstance_endsWithoutTouchingFiles() {
    ProgramCopy copy;
    QVERIFY(QFile::exists(copy.program));
    const QString instance =
        QStringLiteral("zk-test-second-%1").arg(QCoreApplication::applicationPid());
    writeAll(copy.path(QStringLiteral("LastEdit")), "текст");
    QProcess first;
    copy.startIn(first, instance);
    QVERIFY(first.waitForStarted());
    QVERIFY(waitUntilListening(instance));

    // The second one gets a folder of its own so any file it wrote would show.
    ProgramCopy other;
    QProcess second;
    other.startIn(second, instance);
    QVERIFY(second.waitForFinished(10000));
    QCOMPARE(second.exitCode(), 0);
    QCOMPARE(QDir(other.dir.path()).entryList(QDir::Files | QDir::NoDotAndDotDot),
             QStringList{QStringLiteral("zorkan")});
    QVERIFY(!QFile::exists(copy.path(QStringLiteral("ZKData"))));
    QCOMPARE(first.state(), QProcess::Running);

    first.terminate();
    QVERIFY(first.waitForFinished(10000));
}

void test_lifecycle::helpAndVersion_answerOnTheTerminal_withoutDisplayFilesOrInstance() {
    ProgramCopy copy;
    const QString instance =
        QStringLiteral("zk-test-help-%1").arg(QCoreApplication::applicationPid());
    QProcess first;
    copy.startIn(first, instance);
    QVERIFY(first.waitForStarted());
    QVERIFY(waitUntilListening(instance));

    ProgramCopy other;
    for (const auto &[arg, expected] :
         {std::pair{u"--help"_s, u"Использование: zorkan"_s}, {u"--version"_s, u"Зоркан 2."_s}}) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("ZK_INSTANCE_NAME"), instance);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("no-such-platform"));
        env.remove(QStringLiteral("DISPLAY"));
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(other.dir.path());
        p.start(other.program, {arg});
        QVERIFY(p.waitForFinished(10000));
        QCOMPARE(p.exitCode(), 0);
        QVERIFY2(QString::fromUtf8(p.readAllStandardOutput()).startsWith(expected),
                 qPrintable(arg));
        QVERIFY(p.readAllStandardError().isEmpty());
    }
    QCOMPARE(QDir(other.dir.path()).entryList(QDir::Files | QDir::NoDotAndDotDot),
             QStringList{QStringLiteral("zorkan")});
    QCOMPARE(first.state(), QProcess::Running);
    first.terminate();
    QVERIFY(first.waitForFinished(10000));

    // After "--" it is a file's name.
    QByteArray program("zorkan"), dashes("--"), help("--help");
    char *argv[] = {program.data(), dashes.data(), help.data(), nullptr};
    const CommandLine named(3, argv);
    QVERIFY(named.terminalAnswer(u"2.5"_s).isEmpty());
    QCOMPARE(named.arguments(), QByteArrayList{"--help"});
}

void test_lifecycle::sigterm_storesTextAndSettings() {
    ProgramCopy copy;
    const QString instance =
        QStringLiteral("zk-test-term-%1").arg(QCoreApplication::applicationPid());
    const QByteArray text =
        TextCodec::toWindows1251(QStringLiteral("Сохрани меня.\r\nВторая строка.\r\n"));
    writeAll(copy.path(QStringLiteral("book.txt")), text);
    QProcess p;
    copy.startIn(p, instance, {QStringLiteral("book.txt")});
    QVERIFY(p.waitForStarted());
    QVERIFY(waitUntilListening(instance));
    p.terminate(); // SIGTERM
    QVERIFY(p.waitForFinished(10000));
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(readAll(copy.path(QStringLiteral("LastEdit"))), text);
    const QByteArray zk = readAll(copy.path(QStringLiteral("ZKData")));
    QCOMPARE(zk.size(), SettingsRecord::ByteSize);
    QVERIFY(SettingsRecord::decode(zk)->ReadingOn.isOn());
}

void test_lifecycle::windowTitles_reachTheWindowSystemUnchanged() {
    const QString name = QCoreApplication::applicationName();
    const QString organization = QCoreApplication::organizationName();
    const auto restore = qScopeGuard([&] {
        QCoreApplication::setApplicationName(name);
        QCoreApplication::setOrganizationName(organization);
    });
    Application::setIdentity();
    for (const QString &title :
         {QStringLiteral("О работе с Зорканом 2.1"), QStringLiteral("Шрифт")})
        QCOMPARE(QPlatformWindow::formatWindowTitle(title, QStringLiteral(" — ")), title);
}

QTEST_MAIN(test_lifecycle)
#include "test_lifecycle.moc"
