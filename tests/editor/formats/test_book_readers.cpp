#include "editor/text/BookReaders.h"
#include "editor/text/ChainedConverter.h"
#include "editor/text/TextCodec.h"

#include "../../ResourceLimit.h"

#include <quazip/quazip.h>
#include <quazip/quazipfile.h>

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

using namespace zk;
using namespace Qt::StringLiterals;

class TestBookReaders final : public QObject {
    Q_OBJECT

private slots:
    void fb2_readsBodyParagraphsInOrder();
    void fb2InWindows1251_readsTheSameText();
    void damagedFb2_isRejected_data();
    void damagedFb2_isRejected();
    void epub_readsSpineInOrder();
    void damagedEpub_isRejected_data();
    void damagedEpub_isRejected();
    void explodingBooks_failWithinTheirBudget();
    void html_decodesEntitiesAndSkipsScripts();
    void html_endsLinesAtBlocks();
    void html_takesCharsetFromMeta();
    void chainedConverter_picksReaderByExtension();

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
 <body name="notes"><section id="n1"><p>Сноска не читается.</p></section></body>
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

// A converter for everything the native readers leave alone.
class RecordingConverter final : public DocumentConverter {
public:
    explicit RecordingConverter(QStringList *calls) : m_calls(calls) {}
    std::optional<QString> convert(const QString &path) override {
        m_calls->append(path);
        return u"от запасного"_s;
    }

private:
    QStringList *m_calls;
};

} // namespace

void TestBookReaders::fb2_readsBodyParagraphsInOrder() {
    const std::optional<QString> text = readFb2(fb2Utf8());
    QVERIFY(text);
    QCOMPARE(*text, lines(kFb2Lines));
}

void TestBookReaders::fb2InWindows1251_readsTheSameText() {
    const QByteArray bytes = TextCodec::toWindows1251(kFb2.arg(u"windows-1251"_s));
    QVERIFY(!bytes.contains(u"Повесть"_s.toUtf8()));
    const std::optional<QString> text = readFb2(bytes);
    QVERIFY(text);
    QCOMPARE(*text, lines(kFb2Lines));
}

void TestBookReaders::damagedFb2_isRejected_data() {
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray good = fb2Utf8();
    QTest::newRow("cut in the text") << good.left(good.indexOf("Глава"));
    QTest::newRow("cut in the picture") << good.left(good.indexOf("0KGgo"));
    QTest::newRow("unclosed paragraph") << QByteArray(good).replace("</cite>", "</p>");
    QTest::newRow("not a book") << QByteArray("<html><body><p>текст</p></body></html>");
    QTest::newRow("empty") << QByteArray();
}

void TestBookReaders::damagedFb2_isRejected() {
    QFETCH(QByteArray, bytes);
    QCOMPARE(readFb2(bytes), std::nullopt);
}

void TestBookReaders::epub_readsSpineInOrder() {
    const QString path = m_dir.filePath(u"книга.epub"_s);
    QVERIFY(writeZip(path, epubEntries()));
    const std::optional<QString> text = readEpub(path);
    QVERIFY(text);
    QCOMPARE(*text, lines({u"Глава 1"_s, u"Первая глава, первый абзац."_s, u"Второй абзац."_s,
                           u"Глава 2"_s, u"Вторая глава."_s, u"Конец."_s}));
}

void TestBookReaders::damagedEpub_isRejected_data() {
    QTest::addColumn<QByteArray>("bytes");
    const QString goodPath = m_dir.filePath(u"good.epub"_s);
    QVERIFY(writeZip(goodPath, epubEntries()));
    QFile good(goodPath);
    QVERIFY(good.open(QIODevice::ReadOnly));
    const QByteArray bytes = good.readAll();

    QTest::newRow("truncated") << bytes.left(bytes.size() / 2);
    QTest::newRow("central directory cut") << bytes.chopped(10);
    QByteArray random(4096, '\0');
    QRandomGenerator rng(42);
    for (char &c : random)
        c = static_cast<char>(rng.bounded(256));
    QTest::newRow("random bytes") << random;

    QByteArray spoiled = bytes;
    const qsizetype at = spoiled.indexOf("Вторая");
    QVERIFY(at > 0);
    spoiled[at] = 'X';
    QTest::newRow("chapter bytes spoiled") << spoiled;

    QList<ZipEntry> entries = epubEntries();
    entries.removeIf([](const ZipEntry &e) { return e.name.endsWith(u"ch2.xhtml"); });
    const QString partialPath = m_dir.filePath(u"partial.epub"_s);
    QVERIFY(writeZip(partialPath, entries));
    QFile partial(partialPath);
    QVERIFY(partial.open(QIODevice::ReadOnly));
    QTest::newRow("chapter missing") << partial.readAll();
}

void TestBookReaders::damagedEpub_isRejected() {
    QFETCH(QByteArray, bytes);
    const QString path = m_dir.filePath(u"damaged.epub"_s);
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
    file.close();
    QCOMPARE(readEpub(path), std::nullopt);
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

void TestBookReaders::chainedConverter_picksReaderByExtension() {
    const auto write = [this](const QString &name, const QByteArray &bytes) {
        QFile file(m_dir.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    };
    write(u"book.FB2"_s, fb2Utf8());
    write(u"page.Html"_s, "<p>страница</p>");
    write(u"page.xhtml"_s, "<p>страница</p>");
    write(u"letter.docx"_s, "not really");
    QVERIFY(writeZip(m_dir.filePath(u"book.EPUB"_s), epubEntries()));
    QVERIFY(writeZip(m_dir.filePath(u"book.fb2.zip"_s), {{u"inner/Book.FB2"_s, fb2Utf8()}}));

    QStringList calls;
    ChainedConverter converter(std::make_unique<RecordingConverter>(&calls));
    QCOMPARE(converter.convert(m_dir.filePath(u"book.FB2"_s)), lines(kFb2Lines));
    QCOMPARE(converter.convert(m_dir.filePath(u"book.fb2.zip"_s)), lines(kFb2Lines));
    QCOMPARE(converter.convert(m_dir.filePath(u"page.Html"_s)), u"страница"_s);
    QCOMPARE(converter.convert(m_dir.filePath(u"page.xhtml"_s)), u"страница"_s);
    QVERIFY(
        converter.convert(m_dir.filePath(u"book.EPUB"_s)).value_or(QString()).endsWith(u"Конец."));
    QCOMPARE(converter.convert(m_dir.filePath(u"missing.fb2"_s)), std::nullopt);
    QVERIFY(calls.isEmpty());

    QCOMPARE(converter.convert(m_dir.filePath(u"letter.docx"_s)), u"от запасного"_s);
    QCOMPARE(calls, QStringList{m_dir.filePath(u"letter.docx"_s)});

    ChainedConverter nativeOnly(nullptr);
    QCOMPARE(nativeOnly.convert(m_dir.filePath(u"letter.docx"_s)), std::nullopt);
}

QTEST_GUILESS_MAIN(TestBookReaders)
#include "test_book_readers.moc"
