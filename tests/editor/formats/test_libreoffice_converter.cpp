#include "editor/text/LibreOfficeConverter.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace zk;
using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

class TestLibreOfficeConverter final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void missingProgram_fails();
    void fakeConverter_outputIsReadAndTemporaryFilesRemoved();
    void failingConverter_fails_data();
    void failingConverter_fails();
    void slowConverter_isKilledWithItsChildren();
    void realLibreOffice_convertsOfficeFormatsBack_data();
    void realLibreOffice_convertsOfficeFormatsBack();
    void realLibreOffice_overTimeLimit_leavesNoProcess();

private:
    QString writeScript(const QString &name, const QByteArray &body);
    QString makeDocument(const QString &format);

    QTemporaryDir m_dir;
    QString m_document;
};

namespace {

const QStringList kParagraphs = {
    u"Глава первая"_s,
    u"Мороз и солнце; день чудесный! Ещё ты дремлешь, друг прелестный."_s,
    u"Пора, красавица, проснись: открой сомкнуты негой взоры."_s,
    u"Вечор, ты помнишь, вьюга злилась, на мутном небе мгла носилась."_s,
};

bool processGone(qint64 pid) {
    QFile stat(u"/proc/%1/stat"_s.arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return true;
    const QByteArray line = stat.readAll();
    const qsizetype close = line.lastIndexOf(')');
    return close < 0 || line.mid(close + 2, 1) == "Z";
}

// Processes whose command line mentions this test's temporary folders.
QStringList processesOfThisTest() {
    const QByteArray marker = QCoreApplication::applicationName().toUtf8() + '-';
    QStringList found;
    const QStringList entries = QDir(u"/proc"_s).entryList(QDir::Dirs);
    for (const QString &entry : entries) {
        bool isPid = false;
        const qint64 pid = entry.toLongLong(&isPid);
        if (!isPid || pid == QCoreApplication::applicationPid() || processGone(pid))
            continue;
        QFile cmdline(u"/proc/%1/cmdline"_s.arg(entry));
        if (cmdline.open(QIODevice::ReadOnly) && cmdline.readAll().contains(marker))
            found.append(entry);
    }
    return found;
}

bool hasSoffice() {
    return !QStandardPaths::findExecutable(u"soffice"_s).isEmpty();
}

} // namespace

QString TestLibreOfficeConverter::writeScript(const QString &name, const QByteArray &body) {
    const QString path = m_dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return {};
    file.write("#!/bin/sh\n" + body);
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

void TestLibreOfficeConverter::initTestCase() {
    QVERIFY(m_dir.isValid());
    m_document = m_dir.filePath(u"письмо.odt"_s);
    QFile file(m_document);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("not read by the fake converters");
}

void TestLibreOfficeConverter::missingProgram_fails() {
    LibreOfficeConverter converter(m_dir.filePath(u"no-such-soffice"_s));
    QCOMPARE(converter.convert(m_document), std::nullopt);
    LibreOfficeConverter onPath(u"zk-no-such-converter-on-path"_s);
    QCOMPARE(onPath.convert(m_document), std::nullopt);
}

void TestLibreOfficeConverter::fakeConverter_outputIsReadAndTemporaryFilesRemoved() {
    const QString script = writeScript(u"fake-soffice"_s, R"(
printf '%s\n' "$@" > "$(dirname "$0")/args"
while [ $# -gt 1 ]; do
    [ "$1" = --outdir ] && out=$2
    shift
done
name=$(basename "$1")
printf '\357\273\277  Первая   строка  \r\n\r\n\tвторая\r\n' > "$out/${name%.*}.txt"
)");
    LibreOfficeConverter converter(script);
    QCOMPARE(converter.convert(m_document), u"Первая строка\nвторая"_s);

    QFile argsFile(m_dir.filePath(u"args"_s));
    QVERIFY(argsFile.open(QIODevice::ReadOnly));
    const QStringList args = QString::fromUtf8(argsFile.readAll()).split(u'\n', Qt::SkipEmptyParts);
    QVERIFY(args.contains(u"--headless"_s));
    QVERIFY(args.contains(u"txt:Text (encoded):UTF8"_s));
    const QString profile = args.filter(u"-env:UserInstallation=file:///"_s).value(0);
    QVERIFY(!profile.isEmpty());
    // The document went over as a private copy; the copy, the output and the
    // profile are gone, and the user's document is untouched.
    const QString copy = args.last();
    QVERIFY(copy != m_document);
    QVERIFY(!QFileInfo::exists(QFileInfo(copy).path()));
    QVERIFY(QFileInfo::exists(m_document));
}

void TestLibreOfficeConverter::failingConverter_fails_data() {
    QTest::addColumn<QByteArray>("body");
    QTest::newRow("exit code") << QByteArray("exit 1\n");
    QTest::newRow("no output") << QByteArray("echo 'Error: source file could not be loaded'\n");
    QTest::newRow("empty output with error") << QByteArray(R"(
while [ $# -gt 1 ]; do
    [ "$1" = --outdir ] && out=$2
    shift
done
name=$(basename "$1")
: > "$out/${name%.*}.txt"
echo 'Error: source file could not be loaded'
)");
    QTest::newRow("crash") << QByteArray("kill -SEGV $$\n");
}

void TestLibreOfficeConverter::failingConverter_fails() {
    QFETCH(QByteArray, body);
    LibreOfficeConverter converter(writeScript(u"failing-soffice"_s, body));
    QCOMPARE(converter.convert(m_document), std::nullopt);
    QCOMPARE(converter.convert(m_dir.filePath(u"missing.doc"_s)), std::nullopt);
}

void TestLibreOfficeConverter::slowConverter_isKilledWithItsChildren() {
    const QString script = writeScript(u"slow-soffice"_s, R"(
here=$(dirname "$0")
echo $$ > "$here/parent.pid"
sleep 300 &
echo $! > "$here/child.pid"
wait
)");
    int pumps = 0;
    LibreOfficeConverter converter(script, 300ms, [&pumps] { return ++pumps > 0; });
    QCOMPARE(converter.convert(m_document), std::nullopt);
    QVERIFY(pumps > 0);
    for (const QString &name : {u"parent.pid"_s, u"child.pid"_s}) {
        QFile file(m_dir.filePath(name));
        QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(name));
        const qint64 pid = file.readAll().trimmed().toLongLong();
        QVERIFY(pid > 0);
        QTRY_VERIFY2(processGone(pid), qPrintable(name));
    }
}

QString TestLibreOfficeConverter::makeDocument(const QString &format) {
    const QString source = m_dir.filePath(u"source.txt"_s);
    if (!QFileInfo::exists(source)) {
        QFile file(source);
        if (!file.open(QIODevice::WriteOnly))
            return {};
        file.write(kParagraphs.join(u"\n\n"_s).toUtf8() + '\n');
    }
    const QString outDir = m_dir.filePath(u"made"_s);
    QProcess soffice;
    soffice.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    soffice.start(u"soffice"_s, {u"--headless"_s, u"--norestore"_s,
                                 u"-env:UserInstallation="_s +
                                     QUrl::fromLocalFile(m_dir.filePath(u"profile"_s)).toString(),
                                 u"--infilter=Text (encoded):UTF8"_s, u"--convert-to"_s, format,
                                 u"--outdir"_s, outDir, source});
    if (!soffice.waitForFinished(300000) || soffice.exitCode() != 0)
        return {};
    // A Cyrillic name with a space proves the converter copes with any file name.
    const QString made = QDir(outDir).filePath(u"source."_s + format);
    const QString renamed = QDir(outDir).filePath(u"мой рассказ."_s + format);
    if (!QFile::rename(made, renamed))
        return {};
    return renamed;
}

void TestLibreOfficeConverter::realLibreOffice_convertsOfficeFormatsBack_data() {
    QTest::addColumn<QString>("format");
    for (const QString &format : {u"odt"_s, u"docx"_s, u"doc"_s, u"rtf"_s})
        QTest::newRow(qPrintable(format)) << format;
}

void TestLibreOfficeConverter::realLibreOffice_convertsOfficeFormatsBack() {
    if (!hasSoffice())
        QSKIP("soffice is not installed");
    QFETCH(QString, format);
    const QString document = makeDocument(format);
    QVERIFY2(!document.isEmpty(), "soffice could not make the test document");

    LibreOfficeConverter converter;
    const std::optional<QString> text = converter.convert(document);
    QVERIFY(text);
    QCOMPARE(text->split(u'\n'), kParagraphs);
    // No lock file or other trace beside the user's document.
    QCOMPARE(QDir(QFileInfo(document).path()).entryList(QDir::Files | QDir::Hidden),
             QStringList{QFileInfo(document).fileName()});
    QFile::remove(document);
}

void TestLibreOfficeConverter::realLibreOffice_overTimeLimit_leavesNoProcess() {
    if (!hasSoffice())
        QSKIP("soffice is not installed");
    // Far too short for LibreOffice to start, let alone convert.
    LibreOfficeConverter converter(u"soffice"_s, 500ms);
    QCOMPARE(converter.convert(m_document), std::nullopt);
    QTRY_COMPARE(processesOfThisTest(), QStringList());
}

QTEST_GUILESS_MAIN(TestLibreOfficeConverter)
#include "test_libreoffice_converter.moc"
