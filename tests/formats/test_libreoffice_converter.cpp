#include "formats/LibreOfficeConverter.h"

#include <quazip/quazip.h>
#include <quazip/quazipfile.h>

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
    void oversizedDocument_isRefusedBeforeCopying();
    void fakeConverter_outputIsReadAndTemporaryFilesRemoved();
    void failingConverter_fails_data();
    void failingConverter_fails();
    void slowConverter_isKilledWithItsChildren_data();
    void slowConverter_isKilledWithItsChildren();
    void realLibreOffice_convertsOfficeFormatsBack_data();
    void realLibreOffice_convertsOfficeFormatsBack();
    void realLibreOffice_overTimeLimit_leavesNoProcess();

private:
    QString writeScript(const QString &name, const QByteArray &body);
    QString makeDocument(const QString &source, const QString &format);

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

using Failure = ConversionResult::Failure;

// A document with notes, a tracked deletion and insertion and two Symbol-font characters.
const QByteArray kNotesDocument = R"(<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
 xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0"
 xmlns:dc="http://purl.org/dc/elements/1.1/"
 xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0"
 office:version="1.3" office:mimetype="application/vnd.oasis.opendocument.text">
<office:font-face-decls><style:font-face style:name="Symbol" svg:font-family="Symbol"
 style:font-charset="x-symbol"/></office:font-face-decls>
<office:automatic-styles><style:style style:name="T1" style:family="text">
 <style:text-properties style:font-name="Symbol"/></style:style></office:automatic-styles>
<office:body><office:text>
<text:tracked-changes>
<text:changed-region text:id="ct1"><text:deletion><office:change-info><dc:creator>Автор</dc:creator>
 <dc:date>2024-01-01T10:00:00</dc:date></office:change-info><text:p>удалённое слово </text:p>
 </text:deletion></text:changed-region>
<text:changed-region text:id="ct2"><text:insertion><office:change-info><dc:creator>Автор</dc:creator>
 <dc:date>2024-01-01T10:00:00</dc:date></office:change-info></text:insertion></text:changed-region>
</text:tracked-changes>
<text:p>Первый абзац со сноской<text:note text:id="ftn1" text:note-class="footnote"><text:note-citation>1</text:note-citation><text:note-body><text:p>Текст сноски.</text:p></text:note-body></text:note> и дальше.</text:p>
<text:p>Второй абзац с <text:change text:change-id="ct1"/>правкой и <text:change-start text:change-id="ct2"/>вставкой<text:change-end text:change-id="ct2"/> и концевой<text:note text:id="edn1" text:note-class="endnote"><text:note-citation>i</text:note-citation><text:note-body><text:p>Текст примечания.</text:p></text:note-body></text:note>.</text:p>
<text:p>Альфа: <text:span text:style-name="T1">&#xF061;</text:span>, стрелка <text:span text:style-name="T1">&#xF0AE;</text:span>.</text:p>
</office:text></office:body></office:document>
)";

const QStringList kNotesParagraphs = {
    u"Первый абзац со сноской[1] и дальше."_s,
    u"[1] Текст сноски."_s,
    u"Второй абзац с правкой и вставкой и концевой[i]."_s,
    u"[i] Текст примечания."_s,
    u"Альфа: α, стрелка →."_s,
};

bool writeOdt(const QString &path, const QByteArray &content) {
    QuaZip zip(path);
    if (!zip.open(QuaZip::mdCreate))
        return false;
    QuaZipFile file(&zip);
    if (!file.open(QIODevice::WriteOnly, QuaZipNewInfo(u"content.xml"_s)))
        return false;
    file.write(content);
    file.close();
    zip.close();
    return zip.getZipError() == UNZ_OK;
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
    QCOMPARE(converter.convert(m_document).failure(), Failure::ConverterMissing);
    LibreOfficeConverter onPath(u"zk-no-such-converter-on-path"_s);
    QCOMPARE(onPath.convert(m_document).failure(), Failure::ConverterMissing);
}

// A sparse file of 2 GB was copied whole into the private folder before LibreOffice ran.
void TestLibreOfficeConverter::oversizedDocument_isRefusedBeforeCopying() {
    const QString script = writeScript(u"noting-soffice"_s, "touch \"$(dirname \"$0\")/ran\"\n");
    const QString document = m_dir.filePath(u"огромный.doc"_s);
    QFile file(document);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.resize(qint64(2) << 30));
    file.close();
    LibreOfficeConverter converter(script);
    QCOMPARE(converter.convert(document).failure(), Failure::TooLarge);
    QVERIFY(!QFileInfo::exists(m_dir.filePath(u"ran"_s)));
    QFile::remove(document);
}

void TestLibreOfficeConverter::fakeConverter_outputIsReadAndTemporaryFilesRemoved() {
    QVERIFY(writeOdt(
        m_dir.filePath(u"made.odt"_s),
        R"(<office:document-content xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"><office:body><office:text>
<text:p>  Первая   строка  </text:p><text:p/><text:p>	вторая</text:p>
</office:text></office:body></office:document-content>)"));
    const QString script = writeScript(u"fake-soffice"_s, R"(
here=$(dirname "$0")
printf '%s\n' "$@" > "$here/args"
echo "${TMPDIR:-/tmp}" > "$here/tmpdir"
: > "${TMPDIR:-/tmp}/lu$$.tmp"
while [ $# -gt 1 ]; do
    [ "$1" = --outdir ] && out=$2
    shift
done
name=$(basename "$1")
cp "$here/made.odt" "$out/${name%.*}.odt"
)");
    LibreOfficeConverter converter(script);
    QCOMPARE(converter.convert(m_document).text(), u"Первая строка\nвторая"_s);

    QFile argsFile(m_dir.filePath(u"args"_s));
    QVERIFY(argsFile.open(QIODevice::ReadOnly));
    const QStringList args = QString::fromUtf8(argsFile.readAll()).split(u'\n', Qt::SkipEmptyParts);
    QVERIFY(args.contains(u"--headless"_s));
    QCOMPARE(args.at(args.indexOf(u"--convert-to"_s) + 1), u"odt"_s);
    const QString profile = args.filter(u"-env:UserInstallation=file:///"_s).value(0);
    QVERIFY(!profile.isEmpty());
    // The document went over as a private copy; the copy, the output, the profile
    // and what LibreOffice left in its temporary folder are gone, and the user's
    // document is untouched.
    const QString copy = args.last();
    QVERIFY(copy != m_document);
    QVERIFY(!QFileInfo::exists(QFileInfo(copy).path()));
    QFile tmpdirFile(m_dir.filePath(u"tmpdir"_s));
    QVERIFY(tmpdirFile.open(QIODevice::ReadOnly));
    const QString tmpdir = QString::fromUtf8(tmpdirFile.readAll().trimmed());
    QVERIFY2(tmpdir.startsWith(QFileInfo(copy).path() + u'/'), qPrintable(tmpdir));
    QVERIFY(QFileInfo::exists(m_document));
}

void TestLibreOfficeConverter::failingConverter_fails_data() {
    QTest::addColumn<QByteArray>("body");
    QTest::newRow("exit code") << QByteArray("exit 1\n");
    QTest::newRow("no output") << QByteArray("echo 'Error: source file could not be loaded'\n");
    QTest::newRow("empty output") << QByteArray(R"(
while [ $# -gt 1 ]; do
    [ "$1" = --outdir ] && out=$2
    shift
done
name=$(basename "$1")
: > "$out/${name%.*}.odt"
)");
    QTest::newRow("crash") << QByteArray("kill -SEGV $$\n");
}

void TestLibreOfficeConverter::failingConverter_fails() {
    QFETCH(QByteArray, body);
    LibreOfficeConverter converter(writeScript(u"failing-soffice"_s, body));
    QVERIFY(!converter.convert(m_document));
    QCOMPARE(converter.convert(m_dir.filePath(u"missing.doc"_s)).failure(), Failure::Unreadable);
}

void TestLibreOfficeConverter::slowConverter_isKilledWithItsChildren_data() {
    QTest::addColumn<bool>("cancelled");
    QTest::newRow("over the time limit") << false;
    QTest::newRow("stopped by the progress") << true;
}

void TestLibreOfficeConverter::slowConverter_isKilledWithItsChildren() {
    QFETCH(bool, cancelled);
    const QString script = writeScript(u"slow-soffice"_s, R"(
here=$(dirname "$0")
echo "${TMPDIR:-/tmp}/lu$$.tmp" > "$here/left"
: > "${TMPDIR:-/tmp}/lu$$.tmp"
echo $$ > "$here/parent.pid"
sleep 300 &
echo $! > "$here/child.pid"
wait
)");
    for (const QString &name : {u"parent.pid"_s, u"child.pid"_s})
        QFile::remove(m_dir.filePath(name));
    int pumps = 0;
    int polls = 0;
    LibreOfficeConverter converter(script, cancelled ? 300s : 300ms,
                                   [&pumps] { return ++pumps > 0; });
    // Stop once the child is surely there.
    const ConversionProgress progress([&](int) {
        return !cancelled || ++polls < 10 || !QFileInfo::exists(m_dir.filePath(u"child.pid"_s));
    });
    QCOMPARE(converter.convert(m_document, progress).failure(),
             cancelled ? Failure::Cancelled : Failure::TimedOut);
    QVERIFY(pumps > 0);
    for (const QString &name : {u"parent.pid"_s, u"child.pid"_s}) {
        QFile file(m_dir.filePath(name));
        QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(name));
        const qint64 pid = file.readAll().trimmed().toLongLong();
        QVERIFY(pid > 0);
        QTRY_VERIFY2(processGone(pid), qPrintable(name));
    }
    QFile left(m_dir.filePath(u"left"_s));
    QVERIFY(left.open(QIODevice::ReadOnly));
    const QString leftover = QString::fromUtf8(left.readAll().trimmed());
    // Removed here, should it have been left behind.
    QVERIFY2(!QFile::remove(leftover), qPrintable(leftover));
}

QString TestLibreOfficeConverter::makeDocument(const QString &source, const QString &format) {
    const QString outDir = m_dir.filePath(u"made"_s);
    QProcess soffice;
    soffice.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // Its own temporary files go where the test's other files go.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"TMPDIR"_s, m_dir.path());
    soffice.setProcessEnvironment(environment);
    QStringList args = {u"--headless"_s, u"--norestore"_s,
                        u"-env:UserInstallation="_s +
                            QUrl::fromLocalFile(m_dir.filePath(u"profile"_s)).toString()};
    if (source.endsWith(u".txt"))
        args << u"--infilter=Text (encoded):UTF8"_s;
    args << u"--convert-to"_s << format << u"--outdir"_s << outDir << source;
    soffice.start(u"soffice"_s, args);
    if (!soffice.waitForFinished(300000) || soffice.exitCode() != 0)
        return {};
    // A Cyrillic name with a space proves the converter copes with any file name.
    const QString made =
        QDir(outDir).filePath(QFileInfo(source).completeBaseName() + u'.' + format);
    const QString renamed = QDir(outDir).filePath(u"мой рассказ."_s + format);
    QFile::remove(renamed);
    if (!QFile::rename(made, renamed))
        return {};
    return renamed;
}

void TestLibreOfficeConverter::realLibreOffice_convertsOfficeFormatsBack_data() {
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<QString>("format");
    QTest::addColumn<QStringList>("expected");
    const QByteArray plain = kParagraphs.join(u"\n\n"_s).toUtf8() + '\n';
    for (const QString &format : {u"odt"_s, u"docx"_s, u"doc"_s, u"rtf"_s}) {
        QTest::addRow("plain %s", qPrintable(format)) << plain << format << kParagraphs;
        QTest::addRow("notes %s", qPrintable(format))
            << kNotesDocument << format << kNotesParagraphs;
    }
}

void TestLibreOfficeConverter::realLibreOffice_convertsOfficeFormatsBack() {
    if (!hasSoffice())
        QSKIP("soffice is not installed");
    QFETCH(QByteArray, source);
    QFETCH(QString, format);
    QFETCH(QStringList, expected);
    const QString sourcePath =
        m_dir.filePath(source.startsWith("<?xml") ? u"source.fodt"_s : u"source.txt"_s);
    QFile file(sourcePath);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(source);
    file.close();
    const QString document = makeDocument(sourcePath, format);
    QVERIFY2(!document.isEmpty(), "soffice could not make the test document");

    LibreOfficeConverter converter;
    const ConversionResult result = converter.convert(document);
    QCOMPARE(result.text().split(u'\n'), expected);
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
    QCOMPARE(converter.convert(m_document).failure(), Failure::TimedOut);
    QTRY_COMPARE(processesOfThisTest(), QStringList());
}

QTEST_GUILESS_MAIN(TestLibreOfficeConverter)
#include "test_libreoffice_converter.moc"
