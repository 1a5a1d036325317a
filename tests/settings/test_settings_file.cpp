#include "settings/SettingsFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace zk;
using namespace Qt::StringLiterals;

namespace {

void writeFile(const QString &path, const QByteArray &bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(bytes), bytes.size());
}

QByteArray readFile(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

SettingsRecord sampleRecord() {
    SettingsRecord r = SettingsRecord::designedDefaults();
    r.SavedLine = 42;
    r.Delay = 300;
    r.RemAll.set(true);
    r.TextFolder.set(u"/home/читатель"_s);
    return r;
}

} // namespace

class TestSettingsFile final : public QObject {
    Q_OBJECT

private slots:
    void shortFile_isDeleted() {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"ZKData"_s);
        writeFile(path, QByteArray(1911, '\1'));
        QVERIFY(!SettingsFile::load(path));
        QVERIFY(!QFile::exists(path));
    }

    void longerFile_isAcceptedAndKept() {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"ZKData"_s);
        const QByteArray bytes = sampleRecord().encode() + QByteArray(100, 'x');
        writeFile(path, bytes);
        const auto r = SettingsFile::load(path);
        QVERIFY(r && *r == sampleRecord());
        QCOMPARE(readFile(path), bytes);
    }

    void missingOrUnreadableFile_isLeftAlone() {
        QTemporaryDir dir;
        QVERIFY(!SettingsFile::load(dir.filePath(u"ZKData"_s)));
        QVERIFY(!QFile::exists(dir.filePath(u"ZKData"_s)));

        const QString asFolder = dir.filePath(u"folder"_s);
        QVERIFY(QDir().mkdir(asFolder));
        QVERIFY(!SettingsFile::load(asFolder));
        QVERIFY(QFileInfo(asFolder).isDir());

        const QString locked = dir.filePath(u"locked"_s);
        writeFile(locked, QByteArray(10, '\1'));
        QFile::setPermissions(locked, QFileDevice::Permissions());
        QFile probe(locked);
        if (probe.open(QIODevice::ReadOnly))
            QSKIP("permissions do not apply to this user (root)");
        QVERIFY(!SettingsFile::load(locked));
        QVERIFY(QFile::exists(locked));
    }

    void savedRecord_isOneRecordAndLoadsBack() {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"ZKData"_s);
        writeFile(path, QByteArray(5000, '\7'));
        QVERIFY(SettingsFile::save(path, sampleRecord()));
        QCOMPARE(QFileInfo(path).size(), 1912);
        const auto r = SettingsFile::load(path);
        QVERIFY(r && *r == sampleRecord());
    }

    void readOnlyFile_staysReadOnlyAndWhole() {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"ZKData"_s);
        const QByteArray previous = SettingsRecord::designedDefaults().encode();
        writeFile(path, previous);
        QFile::setPermissions(path, QFileDevice::ReadOwner);
        QString problem;
        QVERIFY(!SettingsFile::save(path, sampleRecord(), &problem));
        QCOMPARE(problem, u"файл защищён от записи"_s);
        QVERIFY(!QFile::permissions(path).testFlag(QFileDevice::WriteOwner));
        QCOMPARE(readFile(path), previous);
    }

    void failedSave_leavesThePreviousFileWhole() {
        QTemporaryDir dir;
        QVERIFY(!SettingsFile::save(dir.filePath(u"nowhere/ZKData"_s), sampleRecord()));
        QVERIFY(!QFile::exists(dir.filePath(u"nowhere"_s)));

        const QString asFolder = dir.filePath(u"ZKData"_s);
        QVERIFY(QDir().mkdir(asFolder));
        writeFile(asFolder + u"/inside"_s, "keep");
        QVERIFY(!SettingsFile::save(asFolder, sampleRecord()));
        QCOMPARE(readFile(asFolder + u"/inside"_s), QByteArray("keep"));

        const QString sub = dir.filePath(u"readonly"_s);
        QVERIFY(QDir().mkdir(sub));
        const QString path = sub + u"/ZKData"_s;
        const QByteArray previous = SettingsRecord::designedDefaults().encode();
        writeFile(path, previous);
        QFile::setPermissions(sub, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        QFile probe(sub + u"/probe"_s);
        const bool writable = probe.open(QIODevice::WriteOnly);
        bool saved = false;
        if (!writable)
            saved = SettingsFile::save(path, sampleRecord());
        QFile::setPermissions(sub, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                       QFileDevice::ExeOwner);
        if (writable)
            QSKIP("folder permissions do not apply to this user (root)");
        QVERIFY(!saved);
        QCOMPARE(readFile(path), previous);
        QCOMPARE(QDir(sub).entryList(QDir::Files | QDir::Hidden), QStringList{u"ZKData"_s});
    }
};

QTEST_GUILESS_MAIN(TestSettingsFile)
#include "test_settings_file.moc"
