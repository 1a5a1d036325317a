#include "formats/EncodingDetector.h"
#include "formats/TextCodec.h"

#include <QFile>
#include <QStringEncoder>
#include <QTest>

using namespace zk;
using namespace Qt::StringLiterals;

class TestTextCodec final : public QObject {
    Q_OBJECT

private slots:
    void sameText_decodesAlikeInEveryEncodingAndLineEnd_data();
    void sameText_decodesAlikeInEveryEncodingAndLineEnd();
    void asciiText_isUnchanged();
    void invalidUtf8_isReadAsWindows1251();
    void userFile_isReadInEveryEncodingARussianReaderMeets_data();
    void userFile_isReadInEveryEncodingARussianReaderMeets();
    void controlCharacters_neverReachTheText();
    void textOutsideWindows1251_survivesEncodeDecode();
    void windows1251Text_isWrittenAsCp1251WithCrLf();
    void ambiguousWindows1251Bytes_areWrittenAsUtf8();
    void damagedUtf16AndRepeatedMarks_decodeToWritableText();
    void everyParagraph_endsInCrLf_andTextsRoundTrip();
    void bookSizedText_isDecodedAndEncodedInLinearTime();
    void bookInPieces_isTheSameAsWhole_andCanBeGivenUp();
};

namespace {

const QString kRussian = u"Съешь же ещё этих мягких французских булок,\n"
                         u"да выпей чаю — «ЙЦУКЕН».\n"
                         u"Ёлка и ёж.\n"_s;

} // namespace

void TestTextCodec::sameText_decodesAlikeInEveryEncodingAndLineEnd_data() {
    QTest::addColumn<QByteArray>("bytes");
    for (const QString &end : {u"\n"_s, u"\r\n"_s, u"\r"_s}) {
        const QString text = QString(kRussian).replace(u"\n"_s, end);
        const QByteArray tag = end.toLatin1().toHex();
        QStringEncoder utf16(QStringEncoder::Utf16LE);
        QTest::addRow("utf8 %s", tag.constData()) << text.toUtf8();
        QTest::addRow("utf8 bom %s", tag.constData()) << "\xEF\xBB\xBF" + text.toUtf8();
        QTest::addRow("utf16le bom %s", tag.constData())
            << "\xFF\xFE" + QByteArray(utf16.encode(text));
        QTest::addRow("cp1251 %s", tag.constData()) << TextCodec::toWindows1251(text);
    }
}

void TestTextCodec::sameText_decodesAlikeInEveryEncodingAndLineEnd() {
    QFETCH(QByteArray, bytes);
    // The final line break ends the last paragraph; no empty one follows it.
    QCOMPARE(TextCodec::decode(bytes), kRussian.chopped(1));
}

void TestTextCodec::asciiText_isUnchanged() {
    QCOMPARE(TextCodec::decode("plain\r\ntext"), u"plain\ntext"_s);
    QCOMPARE(TextCodec::decode(QByteArray()), QString());
}

void TestTextCodec::invalidUtf8_isReadAsWindows1251() {
    // Valid UTF-8 followed by a lone cp1251 letter: the whole file is cp1251.
    const QByteArray bytes = QByteArray("abc ") + "\xC0";
    QCOMPARE(TextCodec::decode(bytes), u"abc А"_s);
    // Cut in the middle of a two-byte UTF-8 character.
    const QByteArray cut = u"ёж"_s.toUtf8().chopped(1);
    QCOMPARE(TextCodec::decode(cut), TextCodec::fromWindows1251(cut));
}

// Our sample text with the few signs that not every Cyrillic code page has made plain.
QString sampleText() {
    QFile file(qEnvironmentVariable("ZK_SOURCE_DIR") + u"/data/sample.txt"_s);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QString text = QString::fromUtf8(file.readAll()).trimmed();
    text.replace(u'«', u'"').replace(u'»', u'"').replace(u'—', u'-').replace(u'…', u'.');
    return text;
}

QByteArray encoded(const char *encoding, const QString &text) {
    QStringEncoder encoder(encoding);
    return encoder.encode(text);
}

void TestTextCodec::userFile_isReadInEveryEncodingARussianReaderMeets_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("expected");
    const QString text = sampleText();
    QVERIFY(text.size() > 1000);
    for (const char *encoding : {"KOI8-R", "IBM866", "ISO-8859-5", "IBM855", "x-mac-cyrillic",
                                 "windows-1251", "UTF-16LE", "UTF-16BE", "UTF-32LE", "UTF-32BE"})
        QTest::newRow(encoding) << encoded(encoding, text) << text;
    // Without a mark, whatever the script: zero bytes on one side are the sign.
    const QString latin =
        u"The quick brown fox jumps over the lazy dog. "_s.repeated(20) + u"Привет, мир!"_s;
    const QString greek =
        u"Καλημέρα κόσμε, ξεσκεπάζω την ψυχοφθόρα βδελυγμία. "_s.repeated(20) + u"Доброе утро."_s;
    const QString mixed =
        u"Shalom שלום, Tbilisi თბილისი, 東京 Tokyo, ἀρετή 😀, Москва. "_s.repeated(20) + u"Конец."_s;
    for (const char *encoding : {"UTF-16LE", "UTF-16BE"}) {
        QTest::addRow("Latin in %s", encoding) << encoded(encoding, latin) << latin;
        QTest::addRow("Greek in %s", encoding) << encoded(encoding, greek) << greek;
        QTest::addRow("mixed scripts in %s", encoding) << encoded(encoding, mixed) << mixed;
    }
    const QString name = u"Александр Блок"_s;
    QTest::newRow("a name in KOI8-R") << encoded("KOI8-R", name) << name;
    QTest::newRow("UTF-32LE with its mark") << encoded("UTF-32LE", u"\uFEFF"_s + name) << name;

    // One stray byte, or a file cut inside a character, leaves UTF-8 UTF-8.
    const QByteArray utf8 = text.toUtf8();
    const qsizetype at = utf8.indexOf(u"Глаза"_s.toUtf8());
    QTest::newRow("UTF-8 with a stray byte")
        << QByteArray(utf8).insert(at, '\xFF')
        << QString(text).insert(text.indexOf(u"Глаза"), u'\uFFFD');
    QTest::newRow("UTF-8 cut inside a character")
        << (text + u'ё').toUtf8().chopped(1) << text + u'\uFFFD';
    // No capital and no "я": the statistics alone would take it for MacCyrillic.
    const QString lower = u"мороз и солнце — «вьюга» злилась, ещё небе мгла. "_s.repeated(50);
    QTest::newRow("Windows-1251 without capitals") << TextCodec::toWindows1251(lower) << lower;
    // Mostly ASCII with a Russian word: too few good sequences to be UTF-8.
    const QString english = QString(u"Plain English text. "_s).repeated(200) + u"Привет"_s;
    QTest::newRow("ASCII with one word of Windows-1251")
        << TextCodec::toWindows1251(english) << english;
}

void TestTextCodec::userFile_isReadInEveryEncodingARussianReaderMeets() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, expected);
    QCOMPARE(TextCodec::decodeUserFile(bytes), TextCodec::normalizeLineEnds(expected));
    // "LastEdit" is ours: only a mark or valid UTF-8 is anything but Windows-1251.
    if (!EncodingDetector::isValidUtf8(bytes) && !bytes.contains('\0'))
        QCOMPARE(TextCodec::decode(bytes), TextCodec::decodeAs(bytes, "windows-1251"));
}

void TestTextCodec::controlCharacters_neverReachTheText() {
    const QByteArray bytes("a\0b\x01"
                           "c\td\x1B\fe\r\nf",
                           14);
    for (const QString &text : {TextCodec::decode(bytes), TextCodec::decodeUserFile(bytes)})
        QCOMPARE(text, u"abc\td\ne\nf"_s);
    QCOMPARE(TextCodec::withoutControls(QString::fromLatin1(bytes) + u'\n'), u"abc\td\ne\nf\n"_s);
    // UTF-16 without a mark is read as such, not as text full of NULs.
    QCOMPARE(TextCodec::decodeUserFile(encoded("UTF-16LE", u"a b\r\n"_s)), u"a b"_s);
}

void TestTextCodec::textOutsideWindows1251_survivesEncodeDecode() {
    const QString text = u"ё ѣ — € 漢\nвторая строка"_s;
    QVERIFY(!TextCodec::fitsWindows1251(text));
    const QByteArray bytes = TextCodec::encode(text);
    QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
    QVERIFY(bytes.contains("\r\n"));
    QCOMPARE(TextCodec::decode(bytes), text);
}

void TestTextCodec::windows1251Text_isWrittenAsCp1251WithCrLf() {
    const QString text = u"Привет, мир — «ёлка» €\nстрока\rещё"_s;
    QVERIFY(TextCodec::fitsWindows1251(text));
    // Bytes from the Windows-1251 table, not from the codec under test.
    const QByteArray expected =
        "\xCF\xF0\xE8\xE2\xE5\xF2, \xEC\xE8\xF0 \x97 \xAB\xB8\xEB\xEA\xE0\xBB \x88"
        "\r\n\xF1\xF2\xF0\xEE\xEA\xE0\r\n\xE5\xF9\xB8\r\n";
    QCOMPARE(TextCodec::encode(text), expected);
    QCOMPARE(TextCodec::decode(expected), TextCodec::normalizeLineEnds(text));
}

void TestTextCodec::ambiguousWindows1251Bytes_areWrittenAsUtf8() {
    // "Её" in Windows-1251 is valid UTF-8 for "Ÿ"; "яю" looks like a UTF-16 mark.
    for (const QString &text : {QStringLiteral("Её"), QStringLiteral("яю и всё")}) {
        const QByteArray bytes = TextCodec::encode(text);
        QCOMPARE(TextCodec::decode(bytes), text);
    }
    QVERIFY(TextCodec::encode(QStringLiteral("Её")).startsWith("\xEF\xBB\xBF"));
    QCOMPARE(TextCodec::encode(QStringLiteral("ёлка")),
             TextCodec::toWindows1251(QStringLiteral("ёлка\r\n")));
}

void TestTextCodec::damagedUtf16AndRepeatedMarks_decodeToWritableText() {
    const QByteArray lone("\xFF\xFE\x41\x00\x00\xD8\x42\x00", 8);
    const QString decoded = TextCodec::decode(lone);
    QCOMPARE(decoded, QStringLiteral("A\uFFFDB"));
    QCOMPARE(TextCodec::decode(TextCodec::encode(decoded)), decoded);
    QCOMPARE(TextCodec::decode(QByteArray("\xFF\xFE\xFF\xFE\x41\x00", 6)), QStringLiteral("A"));
    QCOMPARE(TextCodec::decode("\xEF\xBB\xBF\xEF\xBB\xBF"
                               "A"),
             QStringLiteral("A"));
}

void TestTextCodec::everyParagraph_endsInCrLf_andTextsRoundTrip() {
    QCOMPARE(TextCodec::encode(u"а\nб"_s), QByteArray("\xE0\r\n\xE1\r\n"));
    QCOMPARE(TextCodec::encode(QString()), QByteArray());
    QCOMPARE(TextCodec::encode(u"ѣ"_s), QByteArray("\xEF\xBB\xBF\xD1\xA3\r\n"));
    // A file written without the final line break reads as the same text.
    QCOMPARE(TextCodec::decode("\xE0\r\n\xE1"), u"а\nб"_s);
    // Empty paragraphs, at the end too, survive a save and a load; so do the bytes.
    for (const QString &text :
         {u"а"_s, u"а\n"_s, u"\n"_s, u"\n\nа\n\n"_s, u"ѣ\n"_s, u"a\r\nb\rc"_s}) {
        const QByteArray bytes = TextCodec::encode(text);
        QCOMPARE(TextCodec::decode(bytes), TextCodec::normalizeLineEnds(text));
        QCOMPARE(TextCodec::encode(TextCodec::decode(bytes)), bytes);
    }
}

void TestTextCodec::bookSizedText_isDecodedAndEncodedInLinearTime() {
    // 40 M characters in short lines: a quadratic line-end conversion would not end.
    const QString line = u"Съешь ещё этих булок\r\n"_s;
    QString text = line.repeated(2'000'000);
    const QByteArray cp1251 = TextCodec::encode(text);
    QCOMPARE(cp1251.size(), text.size() + 2); // the empty last paragraph ends too
    const QString back = TextCodec::decode(cp1251);
    QCOMPARE(back.size(), text.size() - 2'000'000);
    text.append(u"ѣ"_s);
    const QByteArray utf8 = TextCodec::encode(text);
    QVERIFY(utf8.startsWith("\xEF\xBB\xBF"));
    QCOMPARE(TextCodec::decode(utf8).size(), back.size() + 1);
}

void TestTextCodec::bookInPieces_isTheSameAsWhole_andCanBeGivenUp() {
    // The editor's own paragraph breaks are line ends; a letter outside Windows-1251 at the
    // very end, after many pieces, still makes the whole file UTF-8.
    for (const QString &last : {u"ё"_s, u"ѣ"_s}) {
        const QString held = u"Съешь ещё\u2029этих булок\n"_s.repeated(200'000) + last;
        QString plain = held;
        plain.replace(u'\u2029', u'\n');
        QByteArray joined;
        int pieces = 0;
        QVERIFY(TextCodec::encodeEditorText(held, [&](QByteArrayView piece) {
            joined += piece;
            return ++pieces > 0;
        }));
        QVERIFY(pieces > 2);
        QCOMPARE(joined, TextCodec::encode(plain));
        QCOMPARE(TextCodec::decode(joined, [] { return false; }), plain);
        int asked = 0;
        QVERIFY(TextCodec::decode(joined, [&asked] { return ++asked > 1; }).isEmpty());
        QVERIFY(!TextCodec::encodeEditorText(held, [](QByteArrayView) { return false; }));
    }
}

QTEST_GUILESS_MAIN(TestTextCodec)
#include "test_text_codec.moc"
