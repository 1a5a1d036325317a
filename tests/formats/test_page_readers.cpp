#include "../HostilePdf.h"
#include "../ResourceLimit.h"
#include "formats/DjvuReader.h"
#include "formats/PageReaderProcess.h"
#include "formats/PageTextAssembler.h"
#include "formats/PdfReader.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

using namespace zk;
using namespace Qt::StringLiterals;

class TestPageReaders final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void assembler_joinsParagraphsAndDropsPageFurniture();
    void assembler_givesTheSameTextInPieces_andKeepsLinesThatRepeatFarApart();
    void pdf_readsTextLayerAsParagraphs();
    void pdfWithoutText_failsWithItsReason();
    void djvu_readsHiddenTextAsParagraphs();
    void djvuWithoutText_failsWithItsReason();
    void hostilePdf_staysWithinTheBudget();

private:
    QString run(const QString &program, const QStringList &args);
    QString makeDjvuPage(const QString &name, const QByteArray &hiddenText);

    QTemporaryDir m_dir;
};

namespace {

using Failure = ConversionResult::Failure;
using Format = PageReaderProcess::Format;

// The page reader the program runs, as built beside it.
PageReaderProcess helper() {
    return PageReaderProcess(
        QDir(qEnvironmentVariable("ZK_BINARY_DIR")).filePath(u"zorkan-pages"_s));
}

QString lines(const QStringList &list) {
    return list.join(u'\n');
}

bool writeFile(const QString &path, const QByteArray &bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

// A line of text on a 600 × 800 page, 14 high, from x0 to x1.
TextLine line(double top, double x0, double x1, const QString &text, bool startsBlock = false) {
    return TextLine{QRectF(QPointF(x0, top), QPointF(x1, top + 14)), text, startsBlock};
}

TextPage page(QList<TextLine> lines, bool marksParagraphs = false) {
    return TextPage{QSizeF(600, 800), std::move(lines), marksParagraphs};
}

// Three pages of a book with a running head, page numbers, indented paragraphs, a paragraph
// running over a page, a hyphenated word and short lines of verse.
const QList<QByteArray> kPdfParagraphs = {
    "Мороз и солнце; день чудесный! Ещё ты дремлешь, друг прелестный, пора, красавица, "
    "проснись: открой сомкнуты негой взоры навстречу северной Авроры, звездою севера явись.",
    "Вечор, ты помнишь, вьюга злилась, на мутном небе мгла носилась; луна, как бледное пятно, "
    "сквозь тучи мрачные желтела, и ты печальная сидела, а нынче погляди в окно.",
};

} // namespace

void TestPageReaders::initTestCase() {
    QVERIFY(m_dir.isValid());
}

QString TestPageReaders::run(const QString &program, const QStringList &args) {
    if (QStandardPaths::findExecutable(program).isEmpty())
        return u"%1 is not installed"_s.arg(program);
    QProcess process;
    process.setWorkingDirectory(m_dir.path());
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, args);
    if (!process.waitForFinished(300000) || process.exitCode() != 0)
        return program + u" failed: "_s + QString::fromLocal8Bit(process.readAll());
    return {};
}

void TestPageReaders::assembler_joinsParagraphsAndDropsPageFurniture() {
    PageTextAssembler assembler;
    const QString head = u"Повесть о жизни"_s;
    assembler.addPage(page({
        line(30, 240, 360, head),
        line(80, 250, 350, u"Глава первая"_s),
        line(120, 100, 528, u"Мороз и солнце; день"_s),
        line(138, 72, 528, u"чудесный! Ещё ты дремлешь, пере-"_s),
        line(156, 72, 300, u"нос слова и конец."_s),
        line(174, 100, 528, u"Второй абзац"_s),
        line(192, 72, 528, u"продолжается на"_s),
        line(770, 290, 310, u"1"_s),
    }));
    assembler.addPage(page({
        line(30, 240, 360, head + u" 2"_s),
        line(80, 72, 300, u"следующей странице."_s),
        line(98, 72, 250, u"Стих первый,"_s),
        line(116, 72, 250, u"стих второй."_s),
        line(152, 72, 528, u"После пропуска"_s),
        line(170, 72, 528, u"строки — абзац."_s),
        line(770, 280, 320, u"- 2 -"_s),
    }));
    // A source that marks its own paragraphs is taken at its word.
    assembler.addPage(page(
        {
            line(30, 240, 360, head),
            line(80, 72, 528, u"Размеченный"_s, true),
            line(98, 72, 200, u"абзац."_s),
            line(116, 72, 528, u"Ещё один."_s, true),
            line(770, 290, 310, u"iii"_s),
        },
        true));
    QVERIFY(assembler.hasText());
    QCOMPARE(assembler.take(),
             lines({u"Глава первая"_s, u"Мороз и солнце; день чудесный! Ещё ты дремлешь, пере-"_s,
                    u"нос слова и конец."_s, u"Второй абзац продолжается на следующей странице."_s,
                    u"Стих первый,"_s, u"стих второй."_s, u"После пропуска строки — абзац."_s,
                    u"Размеченный абзац."_s, u"Ещё один."_s}));
    // A number standing alone inside the text is text.
    PageTextAssembler single;
    single.addPage(page({line(300, 72, 528, u"Ответ:"_s), line(318, 72, 100, u"42"_s),
                         line(336, 72, 528, u"и всё: ﬁnal ﬂow, ﬀ ﬃ ﬄ ﬅ ﬆ."_s)}));
    QCOMPARE(single.take(), lines({u"Ответ: 42"_s, u"и всё: final flow, ff ffi ffl st st."_s}));
}

// A running head is known from the pages near it; a short line of text that happens to stand at
// the top of pages far apart ("— Да.") is text. Taken piece by piece while the pages come, the
// text is the one a whole read gives.
void TestPageReaders::assembler_givesTheSameTextInPieces_andKeepsLinesThatRepeatFarApart() {
    const QStringList words = {u"мороз"_s, u"солнце"_s, u"день"_s, u"вьюга"_s, u"луна"_s};
    const auto bookPage = [&words](int n) {
        QList<TextLine> lines = {line(30, 240, 360, u"Повесть о жизни %1"_s.arg(n + 1))};
        if (n % 12 == 0)
            lines << line(80, 100, 200, u"— Да."_s);
        for (int l = 0; l < 4; ++l)
            lines << line(100 + 18 * l, l == 0 ? 100 : 72, l == 3 ? 300 : 528,
                          u"%1 %2 %3"_s.arg(words[(n + l) % 5], words[(n * 3 + l) % 5]).arg(n));
        return page(lines);
    };
    PageTextAssembler whole;
    PageTextAssembler inPieces;
    QStringList pieces;
    int firstPieceAfter = 0;
    for (int n = 0; n < 30; ++n) {
        whole.addPage(bookPage(n));
        inPieces.addPage(bookPage(n));
        if (QString piece = inPieces.takeReady(); !piece.isEmpty()) {
            firstPieceAfter = firstPieceAfter > 0 ? firstPieceAfter : n + 1;
            pieces << piece;
        }
    }
    pieces << inPieces.take();
    const QString text = whole.take();
    QCOMPARE(pieces.join(u'\n'), text);
    QCOMPARE(firstPieceAfter, PageTextAssembler::LookAhead + 1);
    QCOMPARE(text.count(u"— Да."_s), 3);
    QVERIFY(!text.contains(u"Повесть"_s));
}

void TestPageReaders::pdf_readsTextLayerAsParagraphs() {
    // Three pages with a running head and numbered footers, justified paragraphs with an
    // indented first line, and one word broken by hand at a hyphen.
    const QList<QByteArray> pageWords = {"Один.", "Два.", "Три."};
    QByteArray body;
    QStringList expected;
    for (int page = 0; page < 3; ++page) {
        const QByteArray first = pageWords[page] + ' ' + kPdfParagraphs[page % 2];
        const QByteArray second = kPdfParagraphs[(page + 1) % 2];
        body += "<text:p text:style-name=\"" + QByteArray(page ? "Break" : "Body") + "\">" + first +
                "</text:p><text:p text:style-name=\"Body\">" + second;
        expected << QString::fromUtf8(first) << QString::fromUtf8(second);
        if (page == 2) {
            body += " Перенос пере-<text:line-break/>носится.";
            expected.last() += u" Перенос пере-"_s;
            expected << u"носится."_s;
        }
        body += "</text:p>";
    }
    const QByteArray fodt = R"(<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
 xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0"
 xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0"
 office:version="1.3" office:mimetype="application/vnd.oasis.opendocument.text">
<office:styles>
 <style:style style:name="Body" style:family="paragraph"><style:paragraph-properties
  fo:text-align="justify" fo:text-indent="1cm" fo:margin-bottom="0cm"/>
  <style:text-properties fo:font-size="12pt"/></style:style>
 <style:style style:name="Break" style:family="paragraph" style:parent-style-name="Body">
  <style:paragraph-properties fo:break-before="page"/></style:style>
</office:styles>
<office:automatic-styles><style:page-layout style:name="pm1"><style:page-layout-properties
 fo:page-width="14cm" fo:page-height="20cm" fo:margin-left="2cm" fo:margin-right="2cm"
 fo:margin-top="1cm" fo:margin-bottom="1cm"/><style:header-style/><style:footer-style/>
 </style:page-layout></office:automatic-styles>
<office:master-styles><style:master-page style:name="Standard" style:page-layout-name="pm1">
 <style:header><text:p>Повесть о жизни</text:p></style:header>
 <style:footer><text:p>Страница <text:page-number text:select-page="current"/></text:p></style:footer>
</style:master-page></office:master-styles>
<office:body><office:text>)" +
                            body + "</office:text></office:body></office:document>";
    QVERIFY(writeFile(m_dir.filePath(u"book.fodt"_s), fodt));
    const QString failed =
        run(u"soffice"_s,
            {u"--headless"_s, u"--norestore"_s,
             u"-env:UserInstallation="_s + QUrl::fromLocalFile(m_dir.filePath(u"p"_s)).toString(),
             u"--convert-to"_s, u"pdf"_s, u"book.fodt"_s});
    if (!failed.isEmpty())
        QSKIP(qPrintable(failed));

    int calls = 0;
    const ConversionResult result = readPdf(m_dir.filePath(u"book.pdf"_s), ReadBudget(),
                                            ConversionProgress([&calls](int) { return ++calls; }));
    QCOMPARE(result.text(), lines(expected));
    QCOMPARE(calls, 3);
    QCOMPARE(helper().read(Format::Pdf, m_dir.filePath(u"book.pdf"_s)).text(), lines(expected));

    // Stopped after the first page; a budget too small for the book.
    QCOMPARE(readPdf(m_dir.filePath(u"book.pdf"_s), ReadBudget(),
                     ConversionProgress([](int percent) { return percent < 30; }))
                 .failure(),
             Failure::Cancelled);
    QCOMPARE(
        readPdf(m_dir.filePath(u"book.pdf"_s), ReadBudget(ReadBudget::DefaultBytes, 300)).failure(),
        Failure::TooLarge);
}

void TestPageReaders::pdfWithoutText_failsWithItsReason() {
    // A page with nothing but a drawing stands for a scan.
    const QByteArray fodt = R"(<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
 xmlns:draw="urn:oasis:names:tc:opendocument:xmlns:drawing:1.0"
 xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0"
 office:version="1.3" office:mimetype="application/vnd.oasis.opendocument.text">
<office:body><office:text><text:p><draw:rect text:anchor-type="paragraph" svg:width="5cm"
 svg:height="3cm"/></text:p></office:text></office:body></office:document>)";
    QVERIFY(writeFile(m_dir.filePath(u"scan.fodt"_s), fodt));
    const QString failed =
        run(u"soffice"_s,
            {u"--headless"_s, u"--norestore"_s,
             u"-env:UserInstallation="_s + QUrl::fromLocalFile(m_dir.filePath(u"p"_s)).toString(),
             u"--convert-to"_s, u"pdf"_s, u"scan.fodt"_s});
    if (!failed.isEmpty())
        QSKIP(qPrintable(failed));
    QCOMPARE(readPdf(m_dir.filePath(u"scan.pdf"_s)).failure(), Failure::NoTextLayer);

    QVERIFY(writeFile(m_dir.filePath(u"cut.pdf"_s), "%PDF-1.4\n1 0 obj\n<< /Type /Cat"));
    QCOMPARE(readPdf(m_dir.filePath(u"cut.pdf"_s)).failure(), Failure::Damaged);
    QCOMPARE(readPdf(m_dir.filePath(u"missing.pdf"_s)).failure(), Failure::Unreadable);
}

// A blank bitonal page with the given hidden text, made with the DjVuLibre tools.
QString TestPageReaders::makeDjvuPage(const QString &name, const QByteArray &hiddenText) {
    const int width = 1000;
    const int height = 1400;
    const QByteArray row((width + 7) / 8, '\0');
    if (!writeFile(m_dir.filePath(u"blank.pbm"_s), "P4\n" + QByteArray::number(width) + ' ' +
                                                       QByteArray::number(height) + '\n' +
                                                       row.repeated(height)))
        return u"cannot write the picture"_s;
    if (QString failed = run(u"cjb2"_s, {u"blank.pbm"_s, name}); !failed.isEmpty())
        return failed;
    if (hiddenText.isEmpty())
        return {};
    if (!writeFile(m_dir.filePath(u"text.sxp"_s), hiddenText))
        return u"cannot write the text"_s;
    return run(u"djvused"_s, {u"-s"_s, u"-e"_s, u"select 1; set-txt text.sxp"_s, name});
}

void TestPageReaders::djvu_readsHiddenTextAsParagraphs() {
    // The first page marks its paragraphs; the second has lines only, and a page number.
    QString failed = makeDjvuPage(u"p1.djvu"_s, R"((page 0 0 1000 1400
 (para 100 1100 900 1300
  (line 100 1250 900 1300 "Первая строка абзаца,")
  (line 100 1180 600 1230 "его конец."))
 (para 100 900 900 1100
  (line 150 1050 900 1100 "Второй абзац, пере-")
  (line 100 980 900 1030 "нос слова и строка,")))
)");
    if (failed.isEmpty())
        failed = makeDjvuPage(u"p2.djvu"_s, R"((page 0 0 1000 1400
 (line 100 1250 900 1300 "что идёт со страницы на")
 (line 100 1180 900 1230 "страницу и кончается.")
 (line 200 1110 900 1160 "Новый абзац с отступом.")
 (line 480 20 520 60 "2"))
)");
    if (failed.isEmpty())
        failed = run(u"djvm"_s, {u"-c"_s, u"book.djvu"_s, u"p1.djvu"_s, u"p2.djvu"_s});
    if (!failed.isEmpty())
        QSKIP(qPrintable(failed));

    const ConversionResult result = readDjvu(m_dir.filePath(u"book.djvu"_s));
    const QString expected =
        lines({u"Первая строка абзаца, его конец."_s, u"Второй абзац, пере-"_s,
               u"нос слова и строка, что идёт со страницы на страницу и кончается."_s,
               u"Новый абзац с отступом."_s});
    QCOMPARE(result.text(), expected);
    QCOMPARE(helper().read(Format::Djvu, m_dir.filePath(u"book.djvu"_s)).text(), expected);
    QCOMPARE(readDjvu(m_dir.filePath(u"book.djvu"_s), ReadBudget(),
                      ConversionProgress([](int) { return false; }))
                 .failure(),
             Failure::Cancelled);
}

void TestPageReaders::djvuWithoutText_failsWithItsReason() {
    const QString failed = makeDjvuPage(u"scan.djvu"_s, {});
    if (!failed.isEmpty())
        QSKIP(qPrintable(failed));
    QCOMPARE(readDjvu(m_dir.filePath(u"scan.djvu"_s)).failure(), Failure::NoTextLayer);
    QVERIFY(writeFile(m_dir.filePath(u"junk.djvu"_s), QByteArray("AT&TFORM\0\0\0\x10"
                                                                 "DJVUINFO",
                                                                 20)));
    QCOMPARE(readDjvu(m_dir.filePath(u"junk.djvu"_s)).failure(), Failure::Damaged);
}

// A PDF costs what the document budget allows: a sparse file of gigabytes is refused by its size
// before it is read, and a page of millions of operators stops at the page's limit, in this
// process and in the page reader.
void TestPageReaders::hostilePdf_staysWithinTheBudget() {
    const QString sparse = m_dir.filePath(u"sparse.pdf"_s);
    QFile file(sparse);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("%PDF-1.4\n");
    QVERIFY(file.resize(qint64(2) << 30));
    file.close();
    QVERIFY(writeFile(m_dir.filePath(u"words.pdf"_s),
                      hostile::pdfWithPage(hostile::textOperators(3'000'000))));
    const ResourceLimit memory = ResourceLimit::addressSpaceBeyondNow(rlim_t(768) << 20);
    const ResourceLimit processor = ResourceLimit::processorBeyondNow(120);

    QCOMPARE(readPdf(sparse).failure(), Failure::TooLarge);
    QCOMPARE(helper().read(Format::Pdf, sparse).failure(), Failure::TooLarge);
    QCOMPARE(readPdf(m_dir.filePath(u"words.pdf"_s)).failure(), Failure::TooLarge);
    QCOMPARE(helper().read(Format::Pdf, m_dir.filePath(u"words.pdf"_s)).failure(),
             Failure::TooLarge);
}

QTEST_GUILESS_MAIN(TestPageReaders)
#include "test_page_readers.moc"
