#include "settings/SafeFile.h"

#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace zk;
using namespace Qt::StringLiterals;

namespace {

QByteArray local(const QString &path) {
    return QFile::encodeName(path);
}

mode_t modeOf(const QString &path) {
    struct stat st = {};
    return ::stat(local(path).constData(), &st) == 0 ? st.st_mode : 0;
}

} // namespace

// Devices behind links, read-only files and links to other users' files are
// tested on the built program.
class TestSafeFile final : public QObject {
    Q_OBJECT

private slots:
    void writes_keepModes_andLeaveWhatIsNoFileAlone() {
        QTemporaryDir dir;
        const mode_t mask = ::umask(0);
        ::umask(mask);
        const QString path = dir.filePath(u"file"_s);
        QCOMPARE(SafeFile::write(path, "new"), QString());
        QCOMPARE(modeOf(path) & 07777, 0666 & ~mask);
        QCOMPARE(::chmod(local(path).constData(), 0640), 0);
        QCOMPARE(SafeFile::write(path, "again"), QString());
        QCOMPARE(modeOf(path) & 07777, mode_t(0640));
        QCOMPARE(SafeFile::read(path, 5).bytes, "again");
        QVERIFY(SafeFile::read(path, 4).truncated);

        // Opening a FIFO would block; none of these may become a file.
        const QString fifo = dir.filePath(u"fifo"_s);
        QCOMPARE(::mkfifo(local(fifo).constData(), 0600), 0);
        const QString folder = dir.filePath(u"folder"_s);
        QVERIFY(QDir().mkdir(folder));
        QLocalServer server;
        QVERIFY(server.listen(dir.filePath(u"socket"_s)));
        for (const QString &special : {fifo, folder, server.fullServerName()}) {
            const mode_t before = modeOf(special);
            QVERIFY(!SafeFile::read(special, 100).problem.isEmpty());
            QVERIFY(!SafeFile::write(special, "x").isEmpty());
            QCOMPARE(modeOf(special), before);
        }
        QCOMPARE(
            QDir(dir.path())
                .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)
                .size(),
            4);

        // Another user's link, even to the user's own file.
        if (::geteuid() != 0)
            return;
        const QString link = dir.filePath(u"link"_s);
        QVERIFY(QFile::link(path, link));
        QCOMPARE(::lchown(local(link).constData(), 65534, 65534), 0);
        QVERIFY(!SafeFile::write(link, "lost").isEmpty());
        QCOMPARE(SafeFile::read(path, 100).bytes, "again");
    }
};

QTEST_GUILESS_MAIN(TestSafeFile)
#include "test_safe_file.moc"
