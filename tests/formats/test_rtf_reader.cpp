#include "formats/ChainedConverter.h"
#include "formats/RtfReader.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QUrl>

#include <memory>
#include <optional>
#include <random>

using namespace Qt::StringLiterals;
using zk::RtfReader;

class FallbackConverter final : public zk::DocumentConverter {
protected:
    zk::ConversionResult convertFile(const QString &, const zk::ConversionProgress &) override {
        return zk::ConversionResult::success(u"от запасного"_s);
    }
};

namespace {

// A document in the shape word processors write: tables, Windows-1251 text, Unicode escapes
// with fallbacks, a picture with binary data, list text.
const QByteArray kSample = QByteArray(
    R"({\rtf1\ansi\ansicpg1251\deff0\deflang1049{\fonttbl{\f0\fnil\fcharset204 Calibri;})"
    R"({\f1\froman\fcharset0 Times New Roman;}{\f2\fnil\fcharset2 Symbol;}})"
    "\r\n"
    R"({\colortbl ;\red255\green0\blue0;\red0\green77\blue187;})"
    "\r\n"
    R"({\*\generator Riched20 10.0;}{\info{\author A}}\viewkind4\uc1 )"
    "\r\n"
    R"(\pard\sa200\qc\b\f0\fs32 \'c7\'e0\'e3\'ee\'eb\'ee\'e2\'ee\'ea\b0\fs22\par)"
    "\r\n"
    R"(\pard\cf1\'d7\'f2\'e5\'ed\'e8\'e5 {\i\'f1\'ea\'ee\'f0\'ee\'f1\'f2\'ed\'ee\'e5}\cf0 , )"
    R"(\ul\u1090?\u1077?\u1082?\u1089?\u1090?\ulnone\line\tab{\f1\'e9t\'e9}\emdash)"
    R"({\pict\wmetafile8\picw10\pich10 0100\bin6 {}\}{}\par\par}x\par)"
    "\r\n"
    R"({\pntext\f2\'b7\tab}{\*\pn\pnlvlblt\pnf2{\pntxtb\'b7}}\fi-360\li720 \'ef\'f3\'ed\'ea\'f2\par)"
    "\r\n}");

struct Read {
    bool ok = false;
    std::unique_ptr<QTextDocument> doc = std::make_unique<QTextDocument>();
};

Read read(const QByteArray &rtf) {
    Read r;
    r.ok = RtfReader::read(rtf, r.doc.get());
    return r;
}

QString plain(const QByteArray &rtf) {
    return read(rtf).doc->toPlainText();
}

// The format shared by every character of the first occurrence of word; none when the word is
// missing or its characters differ in format.
std::optional<QTextCharFormat> formatOf(const QTextDocument &doc, const QString &word) {
    QTextCursor c = doc.find(word);
    if (c.isNull())
        return std::nullopt;
    const int start = c.selectionStart();
    const int end = c.selectionEnd();
    c.setPosition(start + 1);
    const QTextCharFormat first = c.charFormat();
    for (int pos = start + 2; pos <= end; ++pos) {
        c.setPosition(pos);
        if (c.charFormat() != first)
            return std::nullopt;
    }
    return first;
}

bool isBold(const QTextCharFormat &f) {
    return f.fontWeight() >= QFont::Bold;
}

} // namespace

class TestRtfReader : public QObject {
    Q_OBJECT

private slots:
    // As a document to read: a paragraph per line, its list label kept, the code page honoured.
    void rtfDocument_isReadAsPlainTextAndFallsBackWhenRefused() {
        QCOMPARE(
            RtfReader::plainText(kSample).value_or(QString()).split(u'\n'),
            (QStringList{u"Заголовок"_s, u"Чтение скоростное, текст"_s, u"été—x"_s, u"• пункт"_s}));
        QCOMPARE(RtfReader::plainText("plain"), std::nullopt);

        QTemporaryDir dir;
        const auto write = [&dir](const QString &name, const QByteArray &bytes) {
            QFile file(dir.filePath(name));
            return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
        };
        QVERIFY(write(u"good.RTF"_s, kSample));
        QVERIFY(write(u"bad.rtf"_s, "not rtf"));
        zk::ChainedConverter converter(std::make_unique<FallbackConverter>());
        converter.setRtfReader(&RtfReader::plainText);
        QVERIFY(converter.convert(dir.filePath(u"good.RTF"_s)).text().startsWith(u"Заголовок"));
        QCOMPARE(converter.convert(dir.filePath(u"bad.rtf"_s)).text(), u"от запасного"_s);
    }

    // Trimmed from what LibreOffice and Word write: list labels in \listtext and \pntext,
    // numbering definitions in \pn, notes starred or not, an endnote marked \ftnalt.
    void notesAndListLabels_readAsTheOtherDocumentsDo() {
        const QByteArray rtf =
            R"({\rtf1\ansi\ansicpg1251{\fonttbl{\f0 Times;}{\f2\fcharset2 Symbol;}{\f5 OpenSymbol;}})"
            R"(\pard\plain \'c0\'e1\'e7\'e0\'f6{{\super \loch \chftn{\*\footnote \chftn\pard\plain )"
            R"({\loch \u1058\'3f\u1077\'3f\u1082\'3f\u1089\'3f\u1090\'3f.}}})"
            "\r\n"
            R"( \'e8{{\super \chftn{\*\footnote\ftnalt \chftn\pard\plain {\i \'ca\'ee\'ed\'e5\'f6}}}}.)"
            R"(\par\pard\plain{\listtext\pard\plain  1.\tab}\ilvl0\ls1 \li709\fi-283 \'ce\'e4\'e8\'ed)"
            R"({\cs16\super \chftn }{\footnote \pard\plain {\cs16\super \chftn }\tab \'c4\'e2\'e0\par)"
            R"(\'e0\'e1\'e7\'e0\'f6\'e0\par}\par)"
            R"({\listtext\pard\plain \f5 \u8226\'95\tab}\ls2 \'cf\'f3\'ed\'ea\'f2\par)"
            R"({\pntext\f2\'b7\tab}{\*\pn\pnlvlblt\pnf2{\pntxtb\'b7}}{\pn\pnlvlbody{\pntxta .}}\'d1\'f2\'e0\'f0\'fb\'e9})";
        const QStringList expected = {u"Абзац[1] и[i]."_s, u"[1] Текст."_s, u"[i] Конец"_s,
                                      u"1. Один[2]"_s,     u"[2] Два"_s,    u"абзаца"_s,
                                      u"• Пункт"_s,        u"• Старый"_s};
        QCOMPARE(RtfReader::plainText(rtf).value_or(QString()).split(u'\n'), expected);
        // The shown document places them alike; cut inside a note, the note keeps what it had.
        QCOMPARE(plain(rtf).split(u'\n').mid(0, 3), expected.mid(0, 3));
        QCOMPARE(RtfReader::plainText(rtf.left(rtf.indexOf("\\'e0\\'e1"))).value_or(QString()),
                 expected.mid(0, 5).join(u'\n'));
    }

    void nonRtf_isRejectedAndDocumentKept() {
        QTextDocument doc(u"before"_s);
        QVERIFY(!RtfReader::read("plain text", &doc));
        QVERIFY(!RtfReader::read("", &doc));
        QVERIFY(!RtfReader::read("{\\rt", &doc));
        QCOMPARE(doc.toPlainText(), u"before"_s);
        QVERIFY(RtfReader::read("{\\rtf1 after}", &doc));
        QCOMPARE(doc.toPlainText(), u"after"_s);
    }

    void codepageEscapes_decodeWithFontCharsetOrDocumentCodepage() {
        // No charset on the font: the document's code page applies.
        QCOMPARE(
            plain(R"({\rtf1\ansi\ansicpg1251{\fonttbl{\f0 Arial;}}\f0 \'cf\'f0\'e8\'e2\'e5\'f2})"),
            u"Привет"_s);
        // The font's charset beats the document's code page, per font.
        QCOMPARE(plain(R"({\rtf1\ansi\ansicpg1252{\fonttbl{\f0\fcharset204 A;}{\f1\fcharset0 B;})"
                       R"({\f2\fcharset238 C;}}\f0\'e0 {\f1\'e0 }{\f2\'e8}\'e0})"),
                 u"а à čа"_s);
        // Double-byte code pages need both bytes decoded together.
        QCOMPARE(plain(R"({\rtf1\ansi\ansicpg932 \'82\'a0\'82
\'a2x})"),
                 u"あいx"_s);
        // An unknown code page falls back to Latin-1 rather than losing the text.
        QCOMPARE(plain(R"({\rtf1\ansicpg999999 \'e0})"), u"\u00E0"_s);
        // Font names are decoded in their own charset.
        const Read r = read(R"({\rtf1{\fonttbl{\f0\fcharset204 \'c0\'f0\'e8\'e0\'eb;}}\f0 x})");
        const auto f = formatOf(*r.doc, u"x"_s);
        QVERIFY(f);
        QCOMPARE(f->fontFamilies().toStringList(), QStringList{u"Ариал"_s});
    }

    void unicodeEscapes_skipTheirFallbacks() {
        QCOMPARE(plain(R"({\rtf1\ansi\uc1 \u1055\'3f\u1088?\u1080?\u1074?\u1077?\u1090?})"),
                 u"Привет"_s);
        // Negative values wrap to 16 bits; \uc is scoped to its group; a group boundary ends
        // the fallback early; \uc0 has no fallback.
        QCOMPARE(plain(R"({\rtf1 \u-1279?{\uc2 \u1072\'3f\'3f}\u1073?{\u1074}x\uc0 \u1075 y})"),
                 u"\uFB01абвxгy"_s);
        // Surrogate pairs arrive as two escapes.
        QCOMPARE(plain(R"({\rtf1 \u-10179?\u-8704?})"), u"\U0001F600"_s);
    }

    void characterFormats_coverExactlyTheirRuns() {
        const Read r =
            read(R"({\rtf1 plain {\b bold} {\i italic} {\ul under\ulnone line} )"
                 R"({\strike struck}{\b\i both\b0 slant}{\b1 yes\b0 no} {\v hidden}end})");
        QVERIFY(r.ok);
        QCOMPARE(r.doc->toPlainText(), u"plain bold italic underline struckbothslantyesno end"_s);
        const auto plainFmt = formatOf(*r.doc, u"plain "_s);
        QVERIFY(plainFmt && !isBold(*plainFmt) && !plainFmt->fontItalic() &&
                !plainFmt->fontUnderline() && !plainFmt->fontStrikeOut());
        const auto bold = formatOf(*r.doc, u"bold"_s);
        QVERIFY(bold && isBold(*bold) && !bold->fontItalic());
        const auto italic = formatOf(*r.doc, u"italic"_s);
        QVERIFY(italic && italic->fontItalic() && !isBold(*italic));
        const auto under = formatOf(*r.doc, u"under"_s);
        QVERIFY(under && under->fontUnderline());
        const auto line = formatOf(*r.doc, u"line"_s);
        QVERIFY(line && !line->fontUnderline());
        const auto struck = formatOf(*r.doc, u"struck"_s);
        QVERIFY(struck && struck->fontStrikeOut() && !struck->fontUnderline());
        const auto both = formatOf(*r.doc, u"both"_s);
        QVERIFY(both && isBold(*both) && both->fontItalic());
        const auto slant = formatOf(*r.doc, u"slant"_s);
        QVERIFY(slant && !isBold(*slant) && slant->fontItalic());
        QVERIFY(isBold(*formatOf(*r.doc, u"yes"_s)));
        QVERIFY(!isBold(*formatOf(*r.doc, u"no"_s)));
        QVERIFY(!isBold(*formatOf(*r.doc, u" end"_s)));
    }

    void nestedGroups_restoreFormatting() {
        const Read r = read(R"({\rtf1 \b A{\i B{\b0 C{\plain D}}E}F\plain G})");
        QCOMPARE(r.doc->toPlainText(), u"ABCDEFG"_s);
        struct Want {
            QString text;
            bool bold;
            bool italic;
        };
        const Want wants[] = {{u"A"_s, true, false},  {u"B"_s, true, true}, {u"C"_s, false, true},
                              {u"D"_s, false, false}, {u"E"_s, true, true}, {u"F"_s, true, false},
                              {u"G"_s, false, false}};
        for (const Want &w : wants) {
            const auto f = formatOf(*r.doc, w.text);
            QVERIFY2(f, qPrintable(w.text));
            QVERIFY2(isBold(*f) == w.bold && f->fontItalic() == w.italic, qPrintable(w.text));
        }
    }

    void colorsFontsAndSizes_comeFromTheirTables() {
        const Read r = read(R"({\rtf1{\fonttbl{\f0\froman Times New Roman;}{\f1\fswiss Arial;}})"
                            R"({\colortbl;\red255\green0\blue0;\red0\green0\blue255;})"
                            R"(\deff0\cf1\fs32 red {\f1\cf2\cb1 blue}\cf0\fs21  auto\cf9 far})");
        const auto red = formatOf(*r.doc, u"red "_s);
        QVERIFY(red);
        QCOMPARE(red->foreground().color(), QColor(255, 0, 0));
        QCOMPARE(red->fontPointSize(), 16.0);
        QCOMPARE(red->fontFamilies().toStringList(), QStringList{u"Times New Roman"_s});
        const auto blue = formatOf(*r.doc, u"blue"_s);
        QVERIFY(blue);
        QCOMPARE(blue->foreground().color(), QColor(0, 0, 255));
        QCOMPARE(blue->background().color(), QColor(255, 0, 0));
        QCOMPARE(blue->fontFamilies().toStringList(), QStringList{u"Arial"_s});
        // Index 0 is the "auto" entry and an index past the table means no colour.
        const auto autoFmt = formatOf(*r.doc, u" auto"_s);
        QVERIFY(autoFmt && !autoFmt->hasProperty(QTextFormat::ForegroundBrush));
        QCOMPARE(autoFmt->fontPointSize(), 10.5);
        const auto far = formatOf(*r.doc, u"far"_s);
        QVERIFY(far && !far->hasProperty(QTextFormat::ForegroundBrush));
    }

    void nonTextDestinations_areSkipped() {
        QCOMPARE(
            plain(
                R"({\rtf1{\*\generator Writer;}{\info{\title T}{\author U}})"
                R"({\stylesheet{\s0 Normal;}}{\header H}{\footer F}A)"
                R"({\pict\pngblip 89504e47}{\*\unknown{\nested X}}B)"
                R"({\object{\*\objdata 00}{\result R}}{\pict\bin4 {}\}}C)"
                R"({\field{\*\fldinst HYPERLINK "u"}{\fldrslt link}}{\*\pgdsctbl{\pgdsc0 P;}}D})"),
            u"ABClinkD"_s);
    }

    void paragraphsAndSymbols_keepTheTextExact() {
        const Read r =
            read(R"({\rtf1\pard\qc Centered\par\pard Left\line next\tab x\par\qr Right\par\qj\par})"
                 "\r\n");
        QCOMPARE(r.doc->blockCount(), 4);
        QCOMPARE(r.doc->toRawText(), u"Centered\u2029Left\u2028next\tx\u2029Right\u2029"_s);
        const Qt::Alignment aligns[] = {Qt::AlignHCenter, Qt::AlignLeft, Qt::AlignRight,
                                        Qt::AlignJustify};
        for (int i = 0; i < 4; ++i)
            QCOMPARE(r.doc->findBlockByNumber(i).blockFormat().alignment(), aligns[i]);

        QCOMPARE(read(R"({\rtf1 a\~b\_c op\-tion \{\}\\ \emdash\endash\bullet)"
                      R"(\lquote\rquote\ldblquote\rdblquote})")
                     .doc->toRawText(),
                 u"a\u00A0b\u2011c option {}\\ \u2014\u2013\u2022\u2018\u2019\u201C\u201D"_s);
        // Line breaks in the source are not text; a backslash before one is a paragraph mark.
        QCOMPARE(plain("{\\rtf1 one\r\ntwo\\\nthree}"), u"onetwo\nthree"_s);
    }

    void sampleDocument_readsCompletely() {
        const Read r = read(kSample);
        QVERIFY(r.ok);
        QCOMPARE(r.doc->toRawText(),
                 u"Заголовок\u2029Чтение скоростное, текст\u2028\tété\u2014x\u2029\u00B7\tпункт"_s);
        QCOMPARE(r.doc->firstBlock().blockFormat().alignment(), Qt::AlignHCenter);
        QVERIFY(isBold(*formatOf(*r.doc, u"Заголовок"_s)));
        const auto speed = formatOf(*r.doc, u"скоростное"_s);
        QVERIFY(speed && speed->fontItalic() && speed->foreground().color() == QColor(255, 0, 0));
        QVERIFY(formatOf(*r.doc, u"текст"_s)->fontUnderline());
        QVERIFY(r.doc->lastBlock().blockFormat().leftMargin() > 0);
    }

    void truncatedDocument_isReadUpToTheCut() {
        for (qsizetype len = 0; len < kSample.size(); ++len) {
            const Read r = read(kSample.left(len));
            QCOMPARE(r.ok, len >= 5);
        }
        // Text before the cut survives.
        const qsizetype cut = kSample.indexOf("\\ul");
        QVERIFY(plain(kSample.left(cut)).startsWith(u"Заголовок\nЧтение скоростное, "_s));
    }

    void hostileInput_isBounded() {
        const QByteArray deep =
            "{\\rtf1 " + QByteArray(100000, '{') + "\\b deep" + QByteArray(100000, '}') + " tail}";
        const Read d = read(deep);
        QCOMPARE(d.doc->toPlainText(), u"deep tail"_s);
        QVERIFY(isBold(*formatOf(*d.doc, u"deep"_s)));
        QVERIFY(!isBold(*formatOf(*d.doc, u" tail"_s)));

        QCOMPARE(plain("{\\rtf1 " + QByteArray(100000, '{') + "open"), u"open"_s);
        QCOMPARE(plain(R"({\rtf1 {\b a}}} b}})"), u"a"_s);
        QCOMPARE(plain(R"({\rtf1 a\bin999999999 xyz})"), u"a"_s);
        QCOMPARE(plain(R"({\rtf1 a\bin-5 b})"), u"ab"_s);
        QCOMPARE(plain(R"({\rtf1 a\u-99999999999 bc})"), u"ac"_s);
        QCOMPARE(plain(R"({\rtf1 a\u99999999999 bc})"), u"ac"_s);
        QCOMPARE(plain(R"({\rtf1 a\uc99999999 \u1072 bc\par d}e})"), u"aа"_s);
        QCOMPARE(plain(R"({\rtf1 a\fs99999999999 b\f-99999999999 c\cf2147483648 d\'zz\'f})"),
                 u"abcdzz"_s);
        QCOMPARE(plain(R"({\rtf1 a\aVeryLongControlWordThatGoesOnAndOnAndOnForever123 b\)"),
                 u"ab"_s);
        QCOMPARE(plain(QByteArray("{\\rtf1 a\0b\x01}", 12)), u"ab"_s);
        // Blank lines stop at a hundred in a row.
        QCOMPARE(read("{\\rtf1 a" + QByteArray("\\par ").repeated(100000) + "b}").doc->blockCount(),
                 102);

        std::mt19937 rng(20240601);
        const QByteArray alphabet = "{}\\\\\\'uc0123456789-abfpqrsl ;?\r\n\x80\xff";
        std::uniform_int_distribution<qsizetype> pick(0, alphabet.size() - 1);
        for (int round = 0; round < 300; ++round) {
            QByteArray junk = "{\\rtf1";
            for (int i = 0; i < 2000; ++i)
                junk.append(alphabet.at(pick(rng)));
            QVERIFY(read(junk).ok);
        }
    }

    void libreOfficeRtf_keepsRussianAndBold() {
        const QString soffice = QStandardPaths::findExecutable(u"soffice"_s);
        if (soffice.isEmpty())
            QSKIP("soffice is not installed");
        QTemporaryDir tmp;
        QVERIFY(tmp.isValid());
        QFile html(tmp.filePath(u"file.html"_s));
        QVERIFY(html.open(QIODevice::WriteOnly));
        html.write(u"<html><head><meta charset=\"utf-8\"></head><body>"
                   "<p>Быстрое <b>чтение книг</b> и <i>понимание</i>.</p>"
                   "<p align=\"center\">Вторая строка — «цитата».</p></body></html>"_s.toUtf8());
        html.close();

        QProcess proc;
        proc.setProcessChannelMode(QProcess::MergedChannels);
        const QString profile = QUrl::fromLocalFile(tmp.filePath(u"profile"_s)).toString();
        // The HTML import filter of the word processor proper; Writer/Web cannot export RTF.
        proc.start(soffice, {u"--headless"_s, u"-env:UserInstallation="_s + profile,
                             u"--infilter=HTML (StarWriter)"_s, u"--convert-to"_s, u"rtf"_s,
                             u"--outdir"_s, tmp.path(), html.fileName()});
        QVERIFY(proc.waitForStarted());
        QVERIFY2(proc.waitForFinished(120000), proc.readAll().constData());
        QFile rtf(tmp.filePath(u"file.rtf"_s));
        QVERIFY2(rtf.open(QIODevice::ReadOnly), proc.readAll().constData());

        const Read r = read(rtf.readAll());
        QVERIFY(r.ok);
        const QString text = r.doc->toPlainText();
        QVERIFY2(text.contains(u"Быстрое чтение книг и понимание."_s), qPrintable(text));
        QVERIFY2(text.contains(u"Вторая строка — «цитата»."_s), qPrintable(text));
        const auto bold = formatOf(*r.doc, u"чтение книг"_s);
        QVERIFY(bold && isBold(*bold) && !bold->fontItalic());
        const auto italic = formatOf(*r.doc, u"понимание"_s);
        QVERIFY(italic && italic->fontItalic() && !isBold(*italic));
        QVERIFY(!isBold(*formatOf(*r.doc, u"Быстрое"_s)));
        QCOMPARE(r.doc->findBlock(text.indexOf(u"Вторая"_s)).blockFormat().alignment(),
                 Qt::AlignHCenter);
    }
};

QTEST_MAIN(TestRtfReader)
#include "test_rtf_reader.moc"
