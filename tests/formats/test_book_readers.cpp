#include "formats/BookReaders.h"
#include "formats/ChainedConverter.h"
#include "formats/DocxReader.h"
#include "formats/OdtReader.h"
#include "formats/TextCodec.h"

#include "../ResourceLimit.h"

#include <quazip/quazip.h>
#include <quazip/quazipfile.h>

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

using namespace zk;
using namespace Qt::StringLiterals;

class TestBookReaders final : public QObject {
    Q_OBJECT

private slots:
    void fb2_readsBodyParagraphsInOrder();
    void fb2InWindows1251_readsTheSameText();
    void brokenFb2_keepsWhatCanBeRead_data();
    void brokenFb2_keepsWhatCanBeRead();
    void damagedFb2_isRejected_data();
    void damagedFb2_isRejected();
    void epub_readsSpineInOrder();
    void brokenEpub_keepsWhatCanBeRead_data();
    void brokenEpub_keepsWhatCanBeRead();
    void damagedEpub_isRejected_data();
    void damagedEpub_isRejected();
    void explodingBooks_failWithinTheirBudget();
    void oversizedZipEntry_isRefusedBeforeReading();
    void html_decodesEntitiesAndSkipsScripts();
    void html_endsLinesAtBlocks();
    void html_takesCharsetFromMeta();
    void html_believesCharsetOnlyWhenBytesAgree();
    void odt_putsNotesAfterTheirParagraphAndAcceptsChanges();
    void odt_labelsListItemsAndHeadingsAsShown();
    void docx_readsAsShownWithNotesListsAndAcceptedChanges();
    void docx_findsItsPartsThroughRelationships();
    void chainedConverter_picksReaderByExtension();
    void zipOfSeveralBooks_readsTheOneChosen();

private:
    QTemporaryDir m_dir;
};

namespace {

const QString kFb2 = uR"(<?xml version="1.0" encoding="%1"?>
<FictionBook xmlns="http://www.gribuser.ru/xml/fictionbook/2.0" xmlns:l="http://www.w3.org/1999/xlink">
 <description><title-info><book-title>Заглавие из описания</book-title>
  <annotation><p>Аннотация не читается.</p></annotation></title-info></description>
 <body>
  <title><p>Повесть</p><p>о   настоящем
     человеке</p></title>
  <epigraph><p>Всё проходит.</p><text-author>Соломон</text-author></epigraph>
  <section>
   <title><p>Глава первая</p></title>
   <p>Мороз и <emphasis>солнце</emphasis>; день <strong>чудесный</strong>!<a l:href="#n1" type="note">[1]</a></p>
   <empty-line/>
   <image l:href="#pic"/>
   <poem><stanza><v>Ещё ты дремлешь,</v><v>друг прелестный —</v></stanza></poem>
   <subtitle>* * *</subtitle>
   <cite><p>Пора, красавица, проснись.</p></cite>
  </section>
 </body>
 <body name="notes"><title><p>Примечания</p></title>
  <section id="n1"><title><p>1</p></title><p>Сноска <emphasis>после</emphasis></p><p>абзаца.</p></section></body>
 <binary id="pic" content-type="image/png">iVBORw0KGgo=</binary>
</FictionBook>
)"_s;

const QStringList kFb2Lines = {
    u"Повесть"_s,
    u"о настоящем человеке"_s,
    u"Всё проходит."_s,
    u"Соломон"_s,
    u"Глава первая"_s,
    u"Мороз и солнце; день чудесный!"_s,
    u"[1] Сноска после абзаца."_s,
    u"Ещё ты дремлешь,"_s,
    u"друг прелестный —"_s,
    u"* * *"_s,
    u"Пора, красавица, проснись."_s,
};

QByteArray fb2Utf8() {
    return kFb2.arg(u"UTF-8"_s).toUtf8();
}

struct ZipEntry {
    QString name;
    QByteArray data;
};

// Stored, not deflated, unless asked, so a test can find and spoil an entry's bytes.
bool writeZip(const QString &path, const QList<ZipEntry> &entries, bool deflate = false) {
    QuaZip zip(path);
    if (!zip.open(QuaZip::mdCreate))
        return false;
    for (const ZipEntry &e : entries) {
        QuaZipFile file(&zip);
        if (!file.open(QIODevice::WriteOnly, QuaZipNewInfo(e.name), nullptr, 0,
                       deflate ? Z_DEFLATED : 0, deflate ? 1 : 0))
            return false;
        if (file.write(e.data) != e.data.size())
            return false;
        file.close();
        if (file.getZipError() != UNZ_OK)
            return false;
    }
    zip.close();
    return zip.getZipError() == UNZ_OK;
}

QByteArray chapter(const QString &title, const QString &body) {
    return uR"(<?xml version="1.0" encoding="utf-8"?>
<html xmlns="http://www.w3.org/1999/xhtml"><head><title>%1</title>
<link rel="stylesheet" href="../style.css"/><script src="../a.js"/></head>
<body><h1>%1</h1>%2</body></html>)"_s.arg(title, body)
        .toUtf8();
}

QList<ZipEntry> epubEntries() {
    const QByteArray container = R"(<?xml version="1.0"?>
<container version="1.0" xmlns="urn:oasis:names:tc:opendocument:xmlns:container">
 <rootfiles><rootfile full-path="OEBPS/content.opf" media-type="application/oebps-package+xml"/></rootfiles>
</container>)";
    const QByteArray opf = R"(<?xml version="1.0" encoding="utf-8"?>
<package xmlns="http://www.idpf.org/2007/opf" version="2.0">
 <metadata/>
 <manifest>
  <item id="c2" href="text/ch2.xhtml#start" media-type="application/xhtml+xml"/>
  <item id="css" href="style.css" media-type="text/css"/>
  <item id="notes" href="text/notes.xhtml" media-type="application/xhtml+xml"/>
  <item id="c1" href="text/chapter%201.xhtml" media-type="application/xhtml+xml"/>
 </manifest>
 <spine><itemref idref="c1"/><itemref idref="notes" linear="no"/><itemref idref="c2"/></spine>
</package>)";
    return {
        {u"mimetype"_s, "application/epub+zip"},
        {u"META-INF/container.xml"_s, container},
        {u"OEBPS/content.opf"_s, opf},
        {u"OEBPS/style.css"_s, "p { margin: 0 }"},
        {u"OEBPS/text/ch2.xhtml"_s,
         chapter(u"Глава 2"_s, u"<p>Вторая&nbsp;глава.</p><p>Конец.</p>"_s)},
        {u"OEBPS/text/notes.xhtml"_s, chapter(u"Примечания"_s, u"<p>Сноска.</p>"_s)},
        {u"OEBPS/text/chapter 1.xhtml"_s,
         chapter(u"Глава 1"_s, u"<p>Первая глава, первый абзац.</p>\n<p>Второй абзац.</p>"_s)},
    };
}

QString lines(const QStringList &list) {
    return list.join(QLatin1Char('\n'));
}

QByteArray readAll(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

const QStringList kEpubLines = {u"Глава 1"_s,       u"Первая глава, первый абзац."_s,
                                u"Второй абзац."_s, u"Глава 2"_s,
                                u"Вторая глава."_s, u"Конец."_s};

// A converter for everything the native readers leave alone.
class RecordingConverter final : public DocumentConverter {
public:
    explicit RecordingConverter(QStringList *calls) : m_calls(calls) {}

protected:
    ConversionResult convertFile(const QString &path, const ConversionProgress &) override {
        m_calls->append(path);
        return ConversionResult::success(u"от запасного"_s);
    }

private:
    QStringList *m_calls;
};

} // namespace

void TestBookReaders::fb2_readsBodyParagraphsInOrder() {
    const std::optional<QString> text = readFb2(fb2Utf8());
    QVERIFY(text);
    QCOMPARE(*text, lines(kFb2Lines));
    // Declared so, but saved as UTF-8: the bytes win.
    QCOMPARE(readFb2(kFb2.arg(u"windows-1251"_s).toUtf8()), lines(kFb2Lines));
}

void TestBookReaders::fb2InWindows1251_readsTheSameText() {
    const QByteArray bytes = TextCodec::toWindows1251(kFb2.arg(u"windows-1251"_s));
    QVERIFY(!bytes.contains(u"Повесть"_s.toUtf8()));
    const std::optional<QString> text = readFb2(bytes);
    QVERIFY(text);
    QCOMPARE(*text, lines(kFb2Lines));
}

void TestBookReaders::brokenFb2_keepsWhatCanBeRead_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<bool>("lost"); // part of the book is gone, not merely malformed
    const QByteArray good = fb2Utf8();
    QStringList lines = kFb2Lines;
    lines[4] = u"Глава первая & вторая …"_s;
    QTest::newRow("bare & and an undeclared entity")
        << QByteArray(good).replace("Глава первая", "Глава первая & вторая &hellip;") << lines
        << false;
    QTest::newRow("inline tags closed in the wrong order")
        << QByteArray(good).replace("<emphasis>солнце</emphasis>",
                                    "<emphasis><strong>солнце</emphasis></strong>")
        << kFb2Lines << false;
    QTest::newRow("paragraph never closed")
        << QByteArray(good).replace("</cite>", "</p>") << kFb2Lines << false;
    // A stray or mis-nested tag in mid-book costs nothing after it.
    QTest::newRow("stray body end tag")
        << QByteArray(good).replace("<poem>", "</body><poem>") << kFb2Lines << false;
    QTest::newRow("image left open")
        << QByteArray(good).replace("\"#pic\"/>", "\"#pic\">") << kFb2Lines << false;
    QTest::newRow("section inside a paragraph, closed out of order")
        << QByteArray(good).replace("<subtitle>* * *</subtitle>",
                                    "<p><section><subtitle>* * *</p></section></subtitle>")
        << kFb2Lines << false;
    QTest::newRow("cut in the text")
        << good.left(good.indexOf("Ещё")) << kFb2Lines.mid(0, 6) << true;
    lines = kFb2Lines;
    lines[5] = u"Мороз и солнце; день чуд\uFFFDсный!"_s;
    QTest::newRow("a damaged UTF-8 sequence")
        << QByteArray(good).replace("чудесный", "чуд\xD0сный") << lines << false;
    QTest::newRow("Windows-1251 without a declaration")
        << TextCodec::toWindows1251(kFb2.arg(u"UTF-8"_s).section(u"?>"_s, 1)) << kFb2Lines << false;
}

void TestBookReaders::brokenFb2_keepsWhatCanBeRead() {
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, expected);
    QFETCH(bool, lost);
    bool damaged = !lost;
    QCOMPARE(readFb2(bytes, ReadBudget(), &damaged), lines(expected));
    QCOMPARE(damaged, lost);
}

void TestBookReaders::damagedFb2_isRejected_data() {
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray good = fb2Utf8();
    QTest::newRow("cut before the body") << good.left(good.indexOf("<body>"));
    QTest::newRow("broken, notes only")
        << QByteArray("<FictionBook><body name=\"notes\"><p>Сноска & </p></body>");
    QTest::newRow("not a book") << QByteArray("<html><body><p>текст</p></body></html>");
    QTest::newRow("empty") << QByteArray();
}

void TestBookReaders::damagedFb2_isRejected() {
    QFETCH(QByteArray, bytes);
    QCOMPARE(readFb2(bytes).value_or(QString()), QString());
}

void TestBookReaders::epub_readsSpineInOrder() {
    const QString path = m_dir.filePath(u"книга.epub"_s);
    QVERIFY(writeZip(path, epubEntries()));
    QCOMPARE(readEpub(path), lines(kEpubLines));

    // Stray bytes in a UTF-8 chapter are marked where they stand; the rest stays UTF-8.
    QList<ZipEntry> entries = epubEntries();
    for (ZipEntry &e : entries)
        e.data.replace("Конец.", "\xC2\xC3\xC4\xC5\xC6 Конец \xFF\xFE.");
    QVERIFY(writeZip(path, entries));
    QVERIFY(readEpub(path)->endsWith(u"\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD Конец \uFFFD\uFFFD."));
}

void TestBookReaders::brokenEpub_keepsWhatCanBeRead_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<bool>("lost"); // a chapter could not be read
    const QString goodPath = m_dir.filePath(u"good.epub"_s);
    QVERIFY(writeZip(goodPath, epubEntries()));
    const QByteArray bytes = readAll(goodPath);

    // The archive holds chapter 2 before chapter 1: a cut in chapter 1 keeps both, as far
    // as they go.
    QTest::newRow("cut short") << bytes.left(bytes.indexOf("Второй абзац"))
                               << QStringList{u"Глава 1"_s, u"Первая глава, первый абзац."_s,
                                              u"Глава 2"_s, u"Вторая глава."_s, u"Конец."_s}
                               << false;
    QTest::newRow("central directory cut") << bytes.chopped(10) << kEpubLines << false;
    QByteArray spoiled = bytes;
    spoiled[spoiled.indexOf("Вторая")] = 'X';
    QTest::newRow("chapter fails its check") << spoiled << kEpubLines.mid(0, 3) << true;

    const auto without = [this](QStringView suffix) {
        QList<ZipEntry> entries = epubEntries();
        entries.removeIf([suffix](const ZipEntry &e) { return e.name.endsWith(suffix); });
        const QString path = m_dir.filePath(u"partial.epub"_s);
        return writeZip(path, entries) ? readAll(path) : QByteArray();
    };
    QTest::newRow("chapter missing") << without(u"ch2.xhtml") << kEpubLines.mid(0, 3) << true;
    QTest::newRow("no container.xml") << without(u"container.xml") << kEpubLines << false;
    // Without a package the chapters come in the order the archive holds them.
    QTest::newRow("no package document") << without(u"content.opf")
                                         << QStringList{u"Глава 2"_s,
                                                        u"Вторая глава."_s,
                                                        u"Конец."_s,
                                                        u"Примечания"_s,
                                                        u"Сноска."_s,
                                                        u"Глава 1"_s,
                                                        u"Первая глава, первый абзац."_s,
                                                        u"Второй абзац."_s}
                                         << false;
}

void TestBookReaders::brokenEpub_keepsWhatCanBeRead() {
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, expected);
    const QString path = m_dir.filePath(u"broken.epub"_s);
    QFETCH(bool, lost);
    QVERIFY(writeFile(path, bytes));
    bool damaged = !lost;
    QCOMPARE(readEpub(path, ReadBudget(), &damaged), lines(expected));
    QCOMPARE(damaged, lost);
}

void TestBookReaders::damagedEpub_isRejected_data() {
    QTest::addColumn<QByteArray>("bytes");
    const QString goodPath = m_dir.filePath(u"good.epub"_s);
    QVERIFY(writeZip(goodPath, epubEntries()));
    const QByteArray bytes = readAll(goodPath);
    QTest::newRow("cut before the first chapter") << bytes.left(bytes.indexOf("p { margin"));
    QByteArray random(4096, '\0');
    QRandomGenerator rng(42);
    for (char &c : random)
        c = static_cast<char>(rng.bounded(256));
    QTest::newRow("random bytes") << random;
}

void TestBookReaders::damagedEpub_isRejected() {
    QFETCH(QByteArray, bytes);
    const QString path = m_dir.filePath(u"damaged.epub"_s);
    QVERIFY(writeFile(path, bytes));
    QCOMPARE(readEpub(path).value_or(QString()), QString());
}

void TestBookReaders::explodingBooks_failWithinTheirBudget() {
    const ResourceLimit cap = ResourceLimit::addressSpaceBeyondNow(512 << 20);

    // 600 KB whose one 3000-character entity is named 200,000 times: 600 M characters.
    QByteArray entityBomb = "<?xml version=\"1.0\"?><!DOCTYPE FictionBook [<!ENTITY e \"" +
                            QByteArray(3000, 'x') + "\">]><FictionBook><body><p>";
    entityBomb += QByteArray("&e;").repeated(200000) + "</p></body></FictionBook>";
    QCOMPARE(readFb2(entityBomb), std::nullopt);
    // An entity used as entities are meant to be stays welcome, in any encoding.
    const QString modest = u"<?xml version=\"1.0\" encoding=\"windows-1251\"?><!DOCTYPE "
                           u"FictionBook [<!ENTITY автор \"Пушкин\">]><FictionBook><body><p>&автор;"
                           u" и снова &автор;</p></body></FictionBook>"_s;
    QCOMPARE(readFb2(TextCodec::toWindows1251(modest)), u"Пушкин и снова Пушкин"_s);

    // A spine that names one chapter a thousand times reads it once.
    QList<ZipEntry> entries = epubEntries();
    const QByteArray once = "<itemref idref=\"c1\"/>";
    for (ZipEntry &e : entries) {
        if (e.name.endsWith(u".opf"))
            e.data.replace(once, once.repeated(1000));
    }
    const QString repeated = m_dir.filePath(u"repeated.epub"_s);
    QVERIFY(writeZip(repeated, entries));
    QCOMPARE(readEpub(repeated),
             lines({u"Глава 1"_s, u"Первая глава, первый абзац."_s, u"Второй абзац."_s,
                    u"Глава 2"_s, u"Вторая глава."_s, u"Конец."_s}));

    // A few kilobytes that unpack beyond the budget, as an EPUB chapter and as a zipped FB2.
    const QByteArray paragraphs = QByteArray("<p>слово за словом</p>\n").repeated(350000);
    for (ZipEntry &e : entries) {
        if (e.name.endsWith(u"ch2.xhtml"))
            e.data = paragraphs;
    }
    const QString epubBomb = m_dir.filePath(u"bomb.epub"_s);
    QVERIFY(writeZip(epubBomb, entries, true));
    QVERIFY(QFileInfo(epubBomb).size() < (1 << 20));
    QVERIFY(readEpub(epubBomb, ReadBudget(16 << 20)));
    QCOMPARE(readEpub(epubBomb, ReadBudget(8 << 20)), std::nullopt);
    QCOMPARE(readEpub(epubBomb, ReadBudget(16 << 20, 2 << 20)), std::nullopt);
    const QString fb2Bomb = m_dir.filePath(u"bomb.fb2.zip"_s);
    QVERIFY(
        writeZip(fb2Bomb, {{u"book.fb2"_s, fb2Utf8().replace("<empty-line/>", paragraphs)}}, true));
    QVERIFY(readZippedFb2(fb2Bomb, ReadBudget(16 << 20)));
    QCOMPARE(readZippedFb2(fb2Bomb, ReadBudget(8 << 20)), std::nullopt);
}

// A zip entry that declares more than the budget is refused before a byte is read: one of
// 4 GiB took a gigabyte before the refusal.
void TestBookReaders::oversizedZipEntry_isRefusedBeforeReading() {
    const ResourceLimit cap = ResourceLimit::addressSpaceBeyondNow(256 << 20);
    ChainedConverter converter(nullptr);
    const QString zipped = m_dir.filePath(u"огромная.fb2.zip"_s);
    QVERIFY(writeZip(zipped, {{u"book.fb2"_s, fb2Utf8()}}, true));
    QByteArray bytes = readAll(zipped);
    // 3.75 GiB unpacked, in the local and the central header.
    for (const auto &[signature, offset] :
         {std::pair{QByteArray("PK\x03\x04"), 22}, std::pair{QByteArray("PK\x01\x02"), 24}}) {
        const qsizetype at = bytes.indexOf(signature);
        QVERIFY(at >= 0);
        qToLittleEndian(quint32(0xF0000000), bytes.data() + at + offset);
    }
    QVERIFY(writeFile(zipped, bytes));
    QCOMPARE(converter.convert(zipped).failure(), ConversionResult::Failure::TooLarge);
}

void TestBookReaders::html_decodesEntitiesAndSkipsScripts() {
    const QByteArray html = R"(<!DOCTYPE html><html><head><title>Не текст</title>
<style>p { color: red }</style><script>if (a < b && c) document.write("<p>нет</p>");</script></head>
<body><!-- комментарий <p>нет</p> -->
<p>&laquo;Ёлка&raquo;&nbsp;&mdash; &#1105;&#x0451; &#151; AT&T &amp; &unknown; &lt;b&gt;&hellip;</p>
<SCRIPT type="text/javascript">var s = '</p>';</SCRIPT>
<p title="a > b">после&shy;слов</p></body></html>)";
    QCOMPARE(readHtml(html), u"«Ёлка» — ёё — AT&T & &unknown; <b>…\nпослеслов"_s);
}

void TestBookReaders::html_endsLinesAtBlocks() {
    const QByteArray html = R"(<body><h1>Заголовок</h1>Текст <b>жирный</b>
   <i>курсив</i><br>новая строка<br/><br/>
<div><div>вложенный</div>блок</div><ul><li>один<li>два</ul>
<table><tr><td>ячейка 1</td><td>ячейка 2</td></tr><tr><td>ряд 2</td></tr></table>
<pre>код
  с отступом</pre>1 < 2</body>)";
    QCOMPARE(readHtml(html),
             lines({u"Заголовок"_s, u"Текст жирный курсив"_s, u"новая строка"_s, u"вложенный"_s,
                    u"блок"_s, u"один"_s, u"два"_s, u"ячейка 1 ячейка 2"_s, u"ряд 2"_s, u"код"_s,
                    u"с отступом"_s, u"1 < 2"_s}));
}

void TestBookReaders::html_takesCharsetFromMeta() {
    const QString page = u"<html><head><meta http-equiv=\"Content-Type\" "
                         u"content=\"text/html; charset=%1\"></head><body><p>Привет, мир</p>"_s;
    QCOMPARE(readHtml(TextCodec::toWindows1251(page.arg(u"windows-1251"_s))), u"Привет, мир"_s);
    const QByteArray koi8 = "<meta charset=\"KOI8-R\"><p>\xF0\xD2\xC9\xD7\xC5\xD4</p>";
    QCOMPARE(readHtml(koi8), u"Привет"_s);
    // Declared UTF-8 but written in Windows-1251: the plain-text rules rescue it.
    QCOMPARE(readHtml(TextCodec::toWindows1251(page.arg(u"utf-8"_s))), u"Привет, мир"_s);
}

void TestBookReaders::html_believesCharsetOnlyWhenBytesAgree() {
    const QString page = u"<html><head>%1</head><body><p>Александр Блок. Стихи о Прекрасной "
                         u"Даме, написанные в юности.</p></body></html>"_s;
    const QString expected = u"Александр Блок. Стихи о Прекрасной Даме, написанные в юности."_s;
    const auto encoded = [&](const char *encoding, const QString &head) {
        QStringEncoder encoder(encoding);
        return QByteArray(encoder.encode(page.arg(head)));
    };
    // No declaration at all, in KOI8-R.
    QCOMPARE(readHtml(encoded("KOI8-R", QString())), expected);
    // Valid UTF-8 declared as something else.
    QCOMPARE(readHtml(encoded("UTF-8", u"<meta charset=\"gb2312\">"_s)), expected);
    // Windows-1251 declared as Latin-1, as some servers do.
    QCOMPARE(readHtml(encoded("windows-1251", u"<meta charset=\"iso-8859-1\">"_s)), expected);
    // A declared Cyrillic encoding is believed.
    QCOMPARE(readHtml(encoded("IBM866", u"<meta charset=\"cp866\">"_s)), expected);
}

void TestBookReaders::odt_putsNotesAfterTheirParagraphAndAcceptsChanges() {
    const QByteArray content = R"(<?xml version="1.0" encoding="UTF-8"?>
<office:document-content xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
 xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0"
 xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0"
 xmlns:dc="http://purl.org/dc/elements/1.1/">
<office:font-face-decls><style:font-face style:name="Symbol1" svg:font-family="'Symbol'"/>
 <style:font-face style:name="Wingdings" svg:font-family="Wingdings"/></office:font-face-decls>
<office:automatic-styles>
 <style:style style:name="T1" style:family="text"><style:text-properties style:font-name="Symbol1"/></style:style>
 <style:style style:name="T2" style:family="text"><style:text-properties style:font-name="Wingdings"/></style:style>
</office:automatic-styles>
<office:body><office:text>
<text:tracked-changes><text:changed-region text:id="ct1"><text:deletion><office:change-info>
 <dc:creator>Автор</dc:creator></office:change-info><text:p>удалённое </text:p></text:deletion>
</text:changed-region></text:tracked-changes>
<text:h>Заголовок</text:h>
<text:p>Абзац со сноской<text:note text:note-class="footnote"><text:note-citation>1</text:note-citation>
<text:note-body><text:p>Текст сноски,</text:p><text:p>второй её абзац.</text:p></text:note-body></text:note>
и<text:s text:c="3"/>правкой: <text:change text:change-id="ct1"/><text:change-start text:change-id="ct2"/>вставка<text:change-end text:change-id="ct2"/><text:note text:note-class="endnote"><text:note-citation>i</text:note-citation><text:note-body><text:p>Примечание.</text:p></text:note-body></text:note>.<office:annotation><dc:creator>Я</dc:creator><text:p>Комментарий</text:p></office:annotation></text:p>
<text:p>Альфа <text:span text:style-name="T1">&#xF061;&#xF0AE;&#xF0B7;</text:span>, галочка <text:span text:style-name="T2">&#xF0FC;&#xF031;</text:span><text:line-break/>строка</text:p>
</office:text></office:body></office:document-content>)";
    QCOMPARE(readOdtContent(content).text(),
             lines({u"Заголовок"_s, u"Абзац со сноской[1] и правкой: вставка[i]."_s,
                    u"[1] Текст сноски,"_s, u"второй её абзац."_s, u"[i] Примечание."_s,
                    u"Альфа α→•, галочка ✓"_s, u"строка"_s}));
    // Cut short: what came before the cut stays.
    QCOMPARE(readOdtContent(content.left(content.indexOf("вставка"))).text(),
             lines({u"Заголовок"_s, u"Абзац со сноской[1] и правкой:"_s, u"[1] Текст сноски,"_s,
                    u"второй её абзац."_s}));
    QCOMPARE(readOdtContent("<office:document-content").failure(),
             ConversionResult::Failure::Damaged);
}

// Styles as LibreOffice writes them; the expected labels are those its own text export shows.
void TestBookReaders::odt_labelsListItemsAndHeadingsAsShown() {
    const QByteArray ns =
        R"x(xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
 xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0"
 xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0")x";
    const QByteArray styles = "<office:document-styles " + ns + R"x(><office:styles>
<text:outline-style style:name="Outline"><text:outline-level-style text:level="1" style:num-format="1" style:num-suffix=" "/>
 <text:outline-level-style text:level="2" style:num-format="1" text:display-levels="2"/></text:outline-style>
<text:list-style style:name="Стиль"><text:list-level-style-number text:level="1" style:num-format="а, б, .., аа, аб, ... (ru)" style:num-suffix=")"/>
 <text:list-level-style-number text:level="2" style:num-format="1" style:num-suffix="." text:display-levels="2"/>
 <text:list-level-style-number text:level="3" style:num-format="i" style:num-prefix="(" style:num-suffix=")" text:start-value="3"/></text:list-style>
</office:styles></office:document-styles>)x";
    const QByteArray content = "<office:document-content " + ns + R"x(>
<office:font-face-decls><style:font-face style:name="starbats" svg:font-family="starbats"/></office:font-face-decls>
<office:automatic-styles><text:list-style style:name="L1">
 <text:list-level-style-number text:level="1" style:num-suffix="." style:num-format="A"/>
 <text:list-level-style-bullet text:level="2" style:num-suffix="." text:bullet-char="&#xF095;"><style:text-properties style:font-name="starbats"/></text:list-level-style-bullet></text:list-style>
 <text:list-style style:name="L2"><text:list-level-style-number text:level="1" style:num-suffix="." style:num-format="А, Б, .., Аа, Бб, ... (ru)"/></text:list-style>
</office:automatic-styles><office:body><office:text>
<text:h text:outline-level="1">Глава</text:h><text:h text:outline-level="2">Раздел</text:h>
<text:h text:outline-level="1" text:is-list-header="true">Без номера</text:h><text:h text:outline-level="2">Раздел</text:h>
<text:list xml:id="list1" text:style-name="Стиль"><text:list-header><text:p>Заголовок списка</text:p></text:list-header>
 <text:list-item><text:number>9)</text:number><text:p>альфа</text:p><text:p>второй абзац</text:p><text:list><text:list-item><text:p>один</text:p>
  <text:list><text:list-item><text:p>глубоко</text:p></text:list-item></text:list></text:list-item><text:list-item><text:p>два</text:p></text:list-item></text:list></text:list-item>
 <text:list-item><text:list><text:list-item><text:p>только вложенный</text:p></text:list-item></text:list></text:list-item></text:list>
<text:p>Перерыв</text:p>
<text:list xml:id="list2" text:continue-numbering="true" text:style-name="Стиль"><text:list-item text:start-value="10"><text:p>десятый</text:p></text:list-item></text:list>
<text:list text:style-name="L1"><text:list-item><text:p>Первый</text:p><text:list><text:list-item><text:p>пункт</text:p></text:list-item></text:list></text:list-item></text:list>
<text:list text:continue-list="list2" text:style-name="Стиль"><text:list-item><text:p>дальше</text:p></text:list-item></text:list>
<text:list text:continue-numbering="true" text:style-name="L2"><text:list-item text:start-value="29"><text:p>Я</text:p></text:list-item><text:list-item><text:p>Аа</text:p></text:list-item><text:list-item><text:p>Бб</text:p></text:list-item></text:list>
<text:list text:style-name="Стиль"><text:list-item><text:p>заново</text:p></text:list-item></text:list>
</office:text></office:body></office:document-content>)x";
    const QStringList expected = {u"1 Глава"_s,
                                  u"1.1 Раздел"_s,
                                  u"Без номера"_s,
                                  u"1.2 Раздел"_s,
                                  u"Заголовок списка"_s,
                                  u"а) альфа"_s,
                                  u"второй абзац"_s,
                                  u"а.1. один"_s,
                                  u"(iii) глубоко"_s,
                                  u"а.2. два"_s,
                                  u"а.3. только вложенный"_s,
                                  u"Перерыв"_s,
                                  u"к) десятый"_s,
                                  u"A. Первый"_s,
                                  u"• пункт"_s,
                                  u"л) дальше"_s,
                                  u"Я. Я"_s,
                                  u"Аа. Аа"_s,
                                  u"Бб. Бб"_s,
                                  u"а) заново"_s};
    QCOMPARE(readOdtContent(content, styles).text(), lines(expected));

    // From a file, styles.xml included.
    const QString path = m_dir.filePath(u"списки.odt"_s);
    QVERIFY(writeZip(path, {{u"content.xml"_s, content}, {u"styles.xml"_s, styles}}, true));
    QCOMPARE(readOdt(path).text(), lines(expected));

    // Nesting deeper than any document's is skipped, not followed into a stack overflow.
    const QByteArray deep = "<office:document-content " + ns +
                            "><office:body><office:text><text:p>до</text:p>" +
                            QByteArray("<text:list><text:list-item>").repeated(100000);
    QCOMPARE(readOdtContent(deep).text(), u"до"_s);
}

namespace {

const QByteArray kDocxNumbering =
    R"x(<w:numbering xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main">
<w:abstractNum w:abstractNumId="0"><w:lvl w:ilvl="0"><w:start w:val="1"/><w:numFmt w:val="decimal"/><w:lvlText w:val="%1."/></w:lvl>
 <w:lvl w:ilvl="1"><w:start w:val="1"/><w:numFmt w:val="russianLower"/><w:lvlText w:val="%2)"/></w:lvl></w:abstractNum>
<w:abstractNum w:abstractNumId="1"><w:lvl w:ilvl="0"><w:numFmt w:val="bullet"/><w:lvlText w:val="&#xF0B7;"/><w:rPr><w:rFonts w:ascii="Symbol" w:hAnsi="Symbol"/></w:rPr></w:lvl></w:abstractNum>
<w:num w:numId="1"><w:abstractNumId w:val="0"/></w:num><w:num w:numId="2"><w:abstractNumId w:val="1"/></w:num>
<w:num w:numId="3"><w:abstractNumId w:val="0"/><w:lvlOverride w:ilvl="0"><w:startOverride w:val="7"/></w:lvlOverride></w:num>
</w:numbering>)x";

QByteArray docxParagraph(int numId, int level, const char *text) {
    return QByteArray(R"(<w:p><w:pPr><w:numPr><w:ilvl w:val=")") + QByteArray::number(level) +
           R"("/><w:numId w:val=")" + QByteArray::number(numId) +
           R"("/></w:numPr></w:pPr><w:r><w:t>)" + text + "</w:t></w:r></w:p>";
}

} // namespace

void TestBookReaders::docx_readsAsShownWithNotesListsAndAcceptedChanges() {
    const QByteArray document =
        R"(<w:document xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main"
 xmlns:mc="http://schemas.openxmlformats.org/markup-compatibility/2006"
 xmlns:wps="http://schemas.microsoft.com/office/word/2010/wordprocessingShape"
 xmlns:v="urn:schemas-microsoft-com:vml"><w:body>
<w:p><w:r><w:t>Начало</w:t></w:r><w:del w:id="0"><w:r><w:delText>удалено</w:delText></w:r></w:del><w:r><w:t xml:space="preserve"> </w:t></w:r><w:ins w:id="1"><w:r><w:t>вставка</w:t></w:r></w:ins><w:moveFrom w:id="2"><w:r><w:t>перенос</w:t></w:r></w:moveFrom><w:r><w:t xml:space="preserve"> и сноска</w:t></w:r><w:r><w:footnoteReference w:id="2"/></w:r><w:r><w:endnoteReference w:id="5"/></w:r><w:moveTo w:id="3"><w:r><w:t xml:space="preserve"> перенос</w:t></w:r></w:moveTo></w:p>
)" + docxParagraph(1, 0, "Первый") +
        docxParagraph(1, 1, "альфа") + docxParagraph(1, 1, "бета") + docxParagraph(1, 0, "Второй") +
        docxParagraph(1, 1, "снова") + docxParagraph(2, 0, "пункт") +
        docxParagraph(3, 0, "седьмой") +
        R"(
<w:p><w:r><w:t xml:space="preserve">Страница </w:t></w:r><w:r><w:fldChar w:fldCharType="begin"/></w:r><w:r><w:instrText> PAGE </w:instrText></w:r><w:r><w:fldChar w:fldCharType="separate"/></w:r><w:r><w:t>3</w:t></w:r><w:r><w:fldChar w:fldCharType="end"/></w:r><w:r><w:t xml:space="preserve"> из</w:t><w:tab/><w:t>двух</w:t><w:br/><w:t>строка</w:t></w:r></w:p>
<w:p><w:r><w:t xml:space="preserve">Рамка: </w:t></w:r><w:r><mc:AlternateContent><mc:Choice Requires="wps"><w:drawing><wps:txbx><w:txbxContent><w:p><w:r><w:t>в рамке</w:t></w:r></w:p></w:txbxContent></wps:txbx></w:drawing></mc:Choice>
 <mc:Fallback><w:pict><v:textbox><w:txbxContent><w:p><w:r><w:t>в рамке</w:t></w:r></w:p></w:txbxContent></v:textbox></w:pict></mc:Fallback></mc:AlternateContent></w:r></w:p>
<w:tbl><w:tblPr/><w:tr><w:tc><w:p><w:r><w:t>А1</w:t></w:r></w:p></w:tc><w:tc><w:p><w:r><w:t>Б1</w:t></w:r></w:p></w:tc></w:tr></w:tbl>
<w:p><w:r><w:t>Альфа </w:t></w:r><w:r><w:rPr><w:rFonts w:ascii="Symbol" w:hAnsi="Symbol"/></w:rPr><w:t>&#xF061;</w:t></w:r><w:r><w:sym w:font="Symbol" w:char="F0AE"/><w:sym w:font="Wingdings" w:char="F0FC"/></w:r></w:p>
<w:sectPr><w:headerReference w:type="default" r:id="rId9" xmlns:r="r"/></w:sectPr></w:body></w:document>)";
    DocxParts parts;
    parts.document = document;
    parts.numbering = kDocxNumbering;
    parts.footnotes =
        R"(<w:footnotes xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main">
<w:footnote w:id="0" w:type="separator"><w:p><w:r><w:separator/></w:r></w:p></w:footnote>
<w:footnote w:id="2"><w:p><w:r><w:footnoteRef/></w:r><w:r><w:tab/><w:t>Текст сноски,</w:t></w:r></w:p><w:p><w:r><w:t>второй её абзац.</w:t></w:r></w:p></w:footnote></w:footnotes>)";
    parts.endnotes =
        R"(<w:endnotes xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main">
<w:endnote w:id="5"><w:p><w:r><w:endnoteRef/><w:t>Примечание.</w:t></w:r></w:p></w:endnote></w:endnotes>)";
    const QStringList expected = {
        u"Начало вставка и сноска[1][i] перенос"_s,
        u"[1] Текст сноски,"_s,
        u"второй её абзац."_s,
        u"[i] Примечание."_s,
        u"1. Первый"_s,
        u"а) альфа"_s,
        u"б) бета"_s,
        u"2. Второй"_s,
        u"а) снова"_s,
        u"• пункт"_s,
        u"7. седьмой"_s,
        u"Страница 3 из двух"_s,
        u"строка"_s,
        u"Рамка:"_s,
        u"в рамке"_s,
        u"А1"_s,
        u"Б1"_s,
        u"Альфа α→✓"_s,
    };
    QCOMPARE(readDocxParts(parts).text(), lines(expected));

    // Cut short: what came before the cut stays; without a body it is not a document.
    parts.document = document.left(document.lastIndexOf("<w:p>", document.indexOf("Второй")));
    QCOMPARE(readDocxParts(parts).text(), lines(expected.mid(0, 7)));
    parts.document = "<w:document";
    QCOMPARE(readDocxParts(parts).failure(), ConversionResult::Failure::Damaged);
}

// Strict namespaces, a main part under another name, notes named by its relationships.
void TestBookReaders::docx_findsItsPartsThroughRelationships() {
    const QByteArray rels =
        R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">
<Relationship Id="r1" Type="http://purl.oclc.org/ooxml/officeDocument/relationships/officeDocument" Target="/doc/main.xml"/></Relationships>)";
    const QByteArray mainRels =
        R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">
<Relationship Id="r2" Type="http://purl.oclc.org/ooxml/officeDocument/relationships/footnotes" Target="../notes/fn.xml"/>
<Relationship Id="r3" Type="http://purl.oclc.org/ooxml/officeDocument/relationships/header" Target="header1.xml"/></Relationships>)";
    const QByteArray main =
        R"(<w:document xmlns:w="http://purl.oclc.org/ooxml/wordprocessingml/main"><w:body>
<w:p><w:r><w:t>Строгий документ</w:t></w:r><w:r><w:footnoteReference w:id="1"/></w:r></w:p></w:body></w:document>)";
    const QByteArray notes =
        R"(<w:footnotes xmlns:w="http://purl.oclc.org/ooxml/wordprocessingml/main">
<w:footnote w:id="1"><w:p><w:r><w:t>Сноска.</w:t></w:r></w:p></w:footnote></w:footnotes>)";
    const QByteArray header =
        R"(<w:hdr xmlns:w="http://purl.oclc.org/ooxml/wordprocessingml/main"><w:p><w:r><w:t>Колонтитул</w:t></w:r></w:p></w:hdr>)";
    const QString path = m_dir.filePath(u"strict.docx"_s);
    QVERIFY(writeZip(path,
                     {{u"[Content_Types].xml"_s, "<Types/>"},
                      {u"_rels/.rels"_s, rels},
                      {u"doc/main.xml"_s, main},
                      {u"doc/_rels/main.xml.rels"_s, mainRels},
                      {u"doc/header1.xml"_s, header},
                      {u"notes/fn.xml"_s, notes}},
                     true));
    QStringList calls;
    ChainedConverter converter(std::make_unique<RecordingConverter>(&calls));
    QCOMPARE(converter.convert(path).text(), lines({u"Строгий документ[1]"_s, u"[1] Сноска."_s}));
    QVERIFY(calls.isEmpty());
    QCOMPARE(readDocx(path, ReadBudget(200)).failure(), ConversionResult::Failure::TooLarge);
}

void TestBookReaders::chainedConverter_picksReaderByExtension() {
    const auto write = [this](const QString &name, const QByteArray &bytes) {
        QVERIFY(writeFile(m_dir.filePath(name), bytes));
    };
    write(u"book.FB2"_s, fb2Utf8());
    write(u"page.Html"_s, "<p>страница</p>");
    write(u"page.xhtml"_s, "<p>страница</p>");
    write(u"letter.docx"_s, "not really");
    write(u"empty.htm"_s, "<html><body><img src=\"scan.png\"></body></html>");
    QVERIFY(writeZip(m_dir.filePath(u"book.EPUB"_s), epubEntries()));
    QVERIFY(writeZip(m_dir.filePath(u"book.fb2.zip"_s), {{u"inner/Book.FB2"_s, fb2Utf8()}}));
    QVERIFY(writeZip(m_dir.filePath(u"архив.Zip"_s), {{u"Книга.fb2"_s, fb2Utf8()}}));

    QStringList calls;
    ChainedConverter converter(std::make_unique<RecordingConverter>(&calls));
    const auto convert = [&](const QString &name) {
        return converter.convert(m_dir.filePath(name)).text();
    };
    QCOMPARE(convert(u"book.FB2"_s), lines(kFb2Lines));
    QCOMPARE(convert(u"book.fb2.zip"_s), lines(kFb2Lines));
    QCOMPARE(convert(u"архив.Zip"_s), lines(kFb2Lines));
    QCOMPARE(convert(u"page.Html"_s), u"страница"_s);
    QCOMPARE(convert(u"page.xhtml"_s), u"страница"_s);
    QVERIFY(convert(u"book.EPUB"_s).endsWith(u"Конец."));
    // Nothing is never a success, and each failure says why.
    using Failure = ConversionResult::Failure;
    QCOMPARE(converter.convert(m_dir.filePath(u"missing.fb2"_s)).failure(), Failure::Unreadable);
    QCOMPARE(converter.convert(m_dir.filePath(u"empty.htm"_s)).failure(), Failure::NoText);
    QCOMPARE(
        converter
            .convert(m_dir.filePath(u"page.Html"_s), ConversionProgress([](int) { return false; }))
            .failure(),
        Failure::Cancelled);
    QCOMPARE(ConversionResult::reason(Failure::NoTextLayer), u"В файле нет текстового слоя"_s);
    QVERIFY(calls.isEmpty());

    QCOMPARE(convert(u"letter.docx"_s), u"от запасного"_s);
    QCOMPARE(calls, QStringList{m_dir.filePath(u"letter.docx"_s)});

    ChainedConverter nativeOnly(nullptr);
    QVERIFY(!nativeOnly.convert(m_dir.filePath(u"letter.docx"_s)));
}

void TestBookReaders::zipOfSeveralBooks_readsTheOneChosen() {
    const QByteArray second = fb2Utf8().replace("Глава первая", "Глава вторая");
    const QString path = m_dir.filePath(u"книги.zip"_s);
    QVERIFY(writeZip(path, {{u"a/Книга.fb2"_s, fb2Utf8()},
                            {u"__MACOSX/a/._Книга.fb2"_s, "attributes"},
                            {u"обложка.jpg"_s, "jpeg"},
                            {u"b/книга.FB2"_s, second},
                            {u"b/Другая.fb2"_s, fb2Utf8()}}));
    QList<QStringList> asked;
    const auto answering = [&asked](std::optional<qsizetype> answer) {
        return ConversionProgress({}, [&asked, answer](const QStringList &books) {
            asked << books;
            return answer;
        });
    };
    ChainedConverter converter(nullptr);
    QVERIFY(converter.convert(path, answering(1)).text().contains(u"Глава вторая"));
    // In archive order, by file name, with the folder where two share one.
    QCOMPARE(asked, (QList<QStringList>{{u"a/Книга.fb2"_s, u"b/книга.FB2"_s, u"Другая.fb2"_s}}));
    using Failure = ConversionResult::Failure;
    QCOMPARE(converter.convert(path, answering(std::nullopt)).failure(), Failure::Cancelled);
    QCOMPARE(converter.convert(path, answering(3)).failure(), Failure::Cancelled);
    // Nobody to ask: the first, as the tools read it.
    QVERIFY(converter.convert(path).text().contains(u"Глава первая"));

    // One book beside a Mac's copy of its attributes asks nothing.
    asked.clear();
    QVERIFY(writeZip(path, {{u"книга.fb2"_s, second}, {u"__MACOSX/._книга.fb2"_s, "attributes"}}));
    QVERIFY(converter.convert(path, answering(std::nullopt)).text().contains(u"Глава вторая"));
    QVERIFY(asked.isEmpty());
}

QTEST_GUILESS_MAIN(TestBookReaders)
#include "test_book_readers.moc"
