#include "WindowFixture.h"

#include "app/DataFolder.h"
#include "settings/SettingsRecord.h"

#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>

#include <csignal>
#include <sys/resource.h>

using namespace zk;

class test_lifecycle : public QObject {
    Q_OBJECT
private slots:
    void lastEdit_windows1251_survivesStartAndExit_byteForByte();
    void lastEdit_outsideWindows1251_survivesAsUtf8();
    void commandLineFile_replacesLastEdit_andReadsFromTop();
    void shutDown_runsOnce_andStoresState();
    void failedWrite_keepsOldLastEdit();
    void relativeArgument_isTakenFromLaunchFolder();
    void readOnlyProgramFolder_fallsBackToUserFolder();
    void secondInstance_endsWithoutTouchingFiles();
    void sigterm_storesTextAndSettings();
};

void test_lifecycle::lastEdit_windows1251_survivesStartAndExit_byteForByte() {
    WindowFixture f;
    const QByteArray original = TextCodec::toWindows1251(
        QStringLiteral("Первая строка, с запятой.\r\n\r\nВторая\tс табуляцией\r\nпоследняя"));
    f.writeFile(QStringLiteral("LastEdit"), original);
    MainWindow *w = f.start();
    QCOMPARE(w->editor()->lineCount(), 4);
    w->ActCloseExecute();
    QCOMPARE(f.readFile(QStringLiteral("LastEdit")), original);
}

void test_lifecycle::lastEdit_outsideWindows1251_survivesAsUtf8() {
    WindowFixture f;
    const QString text = QStringLiteral("ё ѣ — € 漢\nвторая");
    MainWindow *w = f.startWithText(text);
    QCOMPARE(w->editor()->text(), text);
    w->ActCloseExecute();
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
    w->BtStartClick();
    w->ActCloseExecute();
    QVERIFY(w->isShutDown());
    const QByteArray zk = f.readFile(QStringLiteral("ZKData"));
    QCOMPARE(zk.size(), SettingsRecord::ByteSize);
    QVERIFY(SettingsRecord::decode(zk)->ReadingOn.isOn());
    // A second request (the window's destruction, a signal) writes nothing again.
    QFile::remove(f.path(QStringLiteral("ZKData")));
    w->ActCloseExecute();
    f.window.reset();
    QVERIFY(!QFile::exists(f.path(QStringLiteral("ZKData"))));
}

void test_lifecycle::failedWrite_keepsOldLastEdit() {
    WindowFixture f;
    const QByteArray old = "old text\r\n";
    f.writeFile(QStringLiteral("LastEdit"), old);
    MainWindow *w = f.start();
    w->editor()->setText(QStringLiteral("новый текст ").repeated(2000));
    {
        FileSizeLimit limit(4096);
        QVERIFY(limit.active());
        w->ActCloseExecute();
    }
    QCOMPARE(f.readFile(QStringLiteral("LastEdit")), old);
    const QStringList leftovers =
        QDir(f.dir.path()).entryList(QStringList{QStringLiteral("LastEdit*")}, QDir::Files);
    QCOMPARE(leftovers, QStringList{QStringLiteral("LastEdit")});
}

void test_lifecycle::relativeArgument_isTakenFromLaunchFolder() {
    QCOMPARE(DataFolder::resolveArgument(QStringLiteral("a/b.txt"), QStringLiteral("/home/u")),
             QStringLiteral("/home/u/a/b.txt"));
    QCOMPARE(DataFolder::resolveArgument(QStringLiteral("/x/b.txt"), QStringLiteral("/home/u")),
             QStringLiteral("/x/b.txt"));
    QCOMPARE(DataFolder::resolveArgument(QString(), QStringLiteral("/home/u")), QString());
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
        probe.connectToServer(instance);
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

void test_lifecycle::sigterm_storesTextAndSettings() {
    ProgramCopy copy;
    const QString instance =
        QStringLiteral("zk-test-term-%1").arg(QCoreApplication::applicationPid());
    const QByteArray text =
        TextCodec::toWindows1251(QStringLiteral("Сохрани меня.\r\nВторая строка."));
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

QTEST_MAIN(test_lifecycle)
#include "test_lifecycle.moc"
