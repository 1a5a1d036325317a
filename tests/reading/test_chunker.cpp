#include "FakeHost.h"
#include "reading/Chunker.h"
#include "reading/ReadingEngine.h"

#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTest>

using namespace zk;

namespace {

struct Rig {
    FakeHost host;
    ReadingState state;
    Chunker chunker{state, host};

    explicit Rig(const QString &text, int capacity = 20, int rowLength = 10) {
        host.setText(text);
        host.length = rowLength;
        state.RowCapacity = capacity;
    }
    // Every piece until the text is used up (bounded so a loop shows as a failure).
    QStringList drain(int limit = 10000) {
        QStringList pieces;
        for (int i = 0; i < limit; ++i) {
            const QString p = chunker.BuildPiece();
            if (p.isEmpty())
                return pieces;
            pieces << p;
        }
        return pieces;
    }
};

bool bufferIsWellFormed(const QString &b) {
    if (b.isEmpty() || b.back() != QLatin1Char(' '))
        return false;
    if (b.size() == 1)
        return true;
    return b.front().unicode() > 32 && b.at(b.size() - 2).unicode() > 32;
}

} // namespace

class test_chunker : public QObject {
    Q_OBJECT
private slots:
    void workedExample_tickByTick();
    void longWords_areCutAtCapacity();
    void wordOfExactCapacity_staysWhole();
    void charactersBeyondTheBasicPlane_countAndCutWhole();
    void severalWords_stayShorterThanRowLength();
    void hyphenRemoval_joinsLines();
    void finalHyphen_staysWhenNothingFollows();
    void punctuationOff_joinsAcrossCommas();
    void closingBracket_endsPiece_butGuillemetAndEllipsisDoNot();
    void pauseModes_addTheirTicks();
    void capitalCandidate_thatDoesNotFit_paysTwice();
    void endlessReading_repeatsShortText_stopsLongText();
    void endlessWithOnlyHyphens_ends();
    void tinyCapacity_stillConsumesWords();
    void replaceTabs();
    void randomTexts_keepInvariants();
};

void test_chunker::workedExample_tickByTick() {
    Rig r(QStringLiteral("Мама мыла раму. Папа читал."));
    r.host.opts = smartPause();

    QCOMPARE(r.chunker.BuildPiece(), QStringLiteral("Мама мыла"));
    QCOMPARE(r.state.WordCount, 2);
    QCOMPARE(r.state.SignCount, 8);
    QCOMPARE(r.state.PauseTicks, 2);
    QVERIFY(!r.state.SentenceEnded);

    QCOMPARE(r.chunker.BuildPiece(), QStringLiteral("раму."));
    QCOMPARE(r.state.PauseTicks, 4);
    QVERIFY(r.state.SentenceEnded);

    QCOMPARE(r.chunker.BuildPiece(), QStringLiteral("Папа"));
    QCOMPARE(r.state.PauseTicks, 4); // no capital pause right after a sentence end

    QCOMPARE(r.chunker.BuildPiece(), QStringLiteral("читал."));
    QCOMPARE(r.state.PauseTicks, 6);
    QCOMPARE(r.state.WordCount, 5);
    QCOMPARE(r.state.SignCount, 4 + 4 + 5 + 4 + 6);

    QVERIFY(!r.state.ReadingFinished);
    QCOMPARE(r.chunker.BuildPiece(), QString());
    QVERIFY(r.state.ReadingFinished);
    QVERIFY(r.state.TextExhausted);
    QCOMPARE(r.state.CurrentLine, 0);
}

void test_chunker::longWords_areCutAtCapacity() {
    Rig r(QStringLiteral("электростанция северо-западный a-bcdefghijklm"), 10, 50);
    QCOMPARE(r.drain(), (QStringList{QStringLiteral("электрос-"), QStringLiteral("танция"),
                                     QStringLiteral("северо-"), QStringLiteral("западный"),
                                     QStringLiteral("a-bcdefg-"), QStringLiteral("hijklm")}));
    QCOMPARE(r.state.WordCount, 3);
    QCOMPARE(r.state.SignCount, 9 + 6 + 7 + 8 + 9 + 6);

    // A rest still longer than a row is cut again.
    Rig again(QStringLiteral("abcdefghijklmnopqrstu"), 10, 50);
    QCOMPARE(again.drain(), (QStringList{QStringLiteral("abcdefgh-"), QStringLiteral("ijklmnop-"),
                                         QStringLiteral("qrstu")}));
    QCOMPARE(again.state.WordCount, 1);
}

void test_chunker::wordOfExactCapacity_staysWhole() {
    Rig r(QStringLiteral("abcdefghij abcdefghijk"), 10, 50);
    QCOMPARE(r.drain(), (QStringList{QStringLiteral("abcdefghij"), QStringLiteral("abcdefgh-"),
                                     QStringLiteral("ijk")}));
}

void test_chunker::charactersBeyondTheBasicPlane_countAndCutWhole() {
    const QString smile = QString::fromUcs4(U"\U0001F600");
    // Cut after 7 of 13 signs, where a cut by UTF-16 units would split a pair; the rest and the
    // next word then fit one row of 10 signs.
    Rig r(u'a' + smile.repeated(12) + QStringLiteral(" b"), 10, 50);
    QCOMPARE(r.drain(), (QStringList{u'a' + smile.repeated(7) + u'-',
                                     smile.repeated(5) + QStringLiteral(" b")}));
    QCOMPARE(r.state.SignCount, 9 + 5 + 1);
}

void test_chunker::severalWords_stayShorterThanRowLength() {
    Rig r(QStringLiteral("aa bb cc dd ee ff gg"), 50, 10);
    const QStringList pieces = r.drain();
    for (const QString &p : pieces) {
        if (p.contains(QLatin1Char(' ')))
            QVERIFY2(p.size() < 10, qPrintable(p));
    }
    QCOMPARE(pieces, (QStringList{QStringLiteral("aa bb cc"), QStringLiteral("dd ee ff"),
                                  QStringLiteral("gg")}));
}

void test_chunker::hyphenRemoval_joinsLines() {
    Rig join(QStringLiteral("пере-\nход начался"), 50, 50);
    join.host.opts.DelMin = true;
    QCOMPARE(join.drain(), QStringList{QStringLiteral("переход начался")});

    Rig lone(QStringLiteral("abc\n-\ndef"), 50, 50);
    lone.host.opts.DelMin = true;
    QCOMPARE(lone.drain(), QStringList{QStringLiteral("abcdef")});

    Rig blank(QStringLiteral("пере-\n\nход"), 50, 50);
    blank.host.opts.DelMin = true;
    QCOMPARE(blank.drain(), QStringList{QStringLiteral("пере ход")});

    Rig off(QStringLiteral("пере-\nход"), 50, 50);
    QCOMPARE(off.drain(), QStringList{QStringLiteral("пере- ход")});

    // A free-standing dash goes too, gluing the words around it.
    Rig dash(QStringLiteral("слово -\nдальше"), 50, 50);
    dash.host.opts.DelMin = true;
    QCOMPARE(dash.drain(), QStringList{QStringLiteral("словодальше")});
}

void test_chunker::finalHyphen_staysWhenNothingFollows() {
    Rig r(QStringLiteral("начало\nконец-"), 50, 50);
    r.host.opts.DelMin = true;
    QCOMPARE(r.drain(), QStringList{QStringLiteral("начало конец-")});
    QVERIFY(r.state.TextExhausted);
}

void test_chunker::punctuationOff_joinsAcrossCommas() {
    Rig on(QStringLiteral("Да, нет."), 50, 10);
    QCOMPARE(on.drain(), (QStringList{QStringLiteral("Да,"), QStringLiteral("нет.")}));

    Rig off(QStringLiteral("Да, нет."), 50, 10);
    off.host.opts = smartPause();
    off.host.opts.ReactOnSigns = false;
    QCOMPARE(off.drain(), QStringList{QStringLiteral("Да, нет.")});
    QCOMPARE(off.state.PauseTicks, 0); // no capital pause either
}

void test_chunker::closingBracket_endsPiece_butGuillemetAndEllipsisDoNot() {
    Rig r(QStringLiteral("(слово) а «слово» б слово… в"), 50, 50);
    QCOMPARE(r.drain(),
             (QStringList{QStringLiteral("(слово)"), QStringLiteral("а «слово» б слово… в")}));
}

void test_chunker::pauseModes_addTheirTicks() {
    const auto ticksFor = [](ReadingOptions o, const QString &text) {
        Rig r(text, 50, 50);
        r.host.opts = o;
        r.drain();
        return r.state.PauseTicks;
    };
    ReadingOptions none;
    ReadingOptions shortPause;
    shortPause.WithoutPause = false;
    shortPause.ShortPause = true;
    ReadingOptions longPause;
    longPause.WithoutPause = false;
    longPause.LongPause = true;
    const QString comma = QStringLiteral("раз, два");
    const QString stop = QStringLiteral("раз. два");
    QCOMPARE(ticksFor(none, comma), 0);
    QCOMPARE(ticksFor(shortPause, comma), 1);
    QCOMPARE(ticksFor(shortPause, stop), 1);
    QCOMPARE(ticksFor(longPause, comma), 2);
    QCOMPARE(ticksFor(smartPause(), comma), 1);
    QCOMPARE(ticksFor(smartPause(), stop), 2);
    QCOMPARE(ticksFor(smartPause(), QStringLiteral("раз Два")), 2);
    // Ё is not a capital; Latin capitals are.
    QCOMPARE(ticksFor(smartPause(), QStringLiteral("раз Ёлка")), 0);
    QCOMPARE(ticksFor(smartPause(), QStringLiteral("раз Zorro")), 2);
    // Flags from an old settings file add up.
    ReadingOptions both = shortPause;
    both.LongPause = true;
    QCOMPARE(ticksFor(both, comma), 3);
}

void test_chunker::capitalCandidate_thatDoesNotFit_paysTwice() {
    Rig r(QStringLiteral("ab Длинное"), 50, 6);
    r.host.opts = smartPause();
    QCOMPARE(r.chunker.BuildPiece(), QStringLiteral("ab"));
    QCOMPARE(r.state.PauseTicks, 2);
    QCOMPARE(r.chunker.BuildPiece(), QStringLiteral("Длинное"));
    QCOMPARE(r.state.PauseTicks, 4);
}

void test_chunker::endlessReading_repeatsShortText_stopsLongText() {
    Rig shortText(QStringLiteral("раз два"), 50, 5);
    shortText.host.opts.ReadNonStop = true;
    for (int i = 0; i < 50; ++i)
        QCOMPARE(shortText.chunker.BuildPiece(),
                 i % 2 == 0 ? QStringLiteral("раз") : QStringLiteral("два"));
    QVERIFY(!shortText.state.ReadingFinished);

    // The last line takes the buffer past 1000 characters: the end comes all the same.
    Rig longText(QStringLiteral("short line\n") + QStringLiteral("слово ").repeated(250), 50, 8);
    longText.host.opts.ReadNonStop = true;
    const QStringList pieces = longText.drain();
    QCOMPARE(pieces.size(), 252);
    QVERIFY(longText.state.ReadingFinished);
}

void test_chunker::endlessWithOnlyHyphens_ends() {
    Rig r(QStringLiteral("-\n-\n\n-"), 50, 50);
    r.host.opts.ReadNonStop = true;
    r.host.opts.DelMin = true;
    QVERIFY(r.drain(100).size() <= 1);
    QVERIFY(r.state.ReadingFinished);

    Rig blank(QStringLiteral("   \n\t"), 50, 50);
    blank.host.opts.ReadNonStop = true;
    QCOMPARE(blank.drain(), QStringList());
}

void test_chunker::tinyCapacity_stillConsumesWords() {
    for (int capacity : {-5, 0, 1, 2, 3}) {
        Rig r(QStringLiteral("абвгд ж"), capacity, 50);
        const QStringList pieces = r.drain(100);
        QVERIFY2(pieces.size() < 100, qPrintable(QString::number(capacity)));
        QVERIFY(r.state.ReadingFinished);
        QCOMPARE(pieces.join(QString()).remove(QLatin1Char('-')), QStringLiteral("абвгдж"));
    }
    // A cut part put back by a piece is never cut again into a stray hyphen.
    Rig r(QStringLiteral("ab cd efgh"), 1, 50);
    const QStringList pieces = r.drain(100);
    QVERIFY(!pieces.contains(QStringLiteral("-")));
    QCOMPARE(r.state.SignCount, static_cast<int>(pieces.join(QString()).size()));
}

void test_chunker::replaceTabs() {
    QString text = QStringLiteral("a\tb");
    QVERIFY(Chunker::ReplaceTabs(text));
    QCOMPARE(text, QStringLiteral("a b"));
    QString plain = QStringLiteral("ab");
    QVERIFY(!Chunker::ReplaceTabs(plain));
    QCOMPARE(plain, QStringLiteral("ab"));
}

void test_chunker::randomTexts_keepInvariants() {
    QRandomGenerator rng(20261208);
    const QString alphabet = QStringLiteral("абвгдеёжзийклмнопрстуфхцчшщъыьэюяАБВЕЁЖZzqQ");
    const QString marks = QStringLiteral(".,!?;:()\"'-«»…");
    for (int round = 0; round < 400; ++round) {
        QString text;
        const int words = rng.bounded(0, 120);
        int longestWord = 0;
        for (int w = 0; w < words; ++w) {
            const int len = rng.bounded(1, 14);
            longestWord = std::max(longestWord, len + 1);
            for (int c = 0; c < len; ++c)
                text += alphabet.at(rng.bounded(static_cast<int>(alphabet.size())));
            if (rng.bounded(4) == 0)
                text += marks.at(rng.bounded(static_cast<int>(marks.size())));
            const int gap = rng.bounded(10);
            text += gap == 0   ? QStringLiteral("\n")
                    : gap == 1 ? QStringLiteral("\n\n")
                    : gap == 2 ? QStringLiteral("  ")
                    : gap == 3 ? QStringLiteral("-\n")
                    : gap == 4 ? QStringLiteral(" \t ")
                               : QStringLiteral(" ");
        }
        ReadingOptions o;
        o.ReactOnSigns = rng.bounded(2);
        o.WithoutPause = rng.bounded(2);
        o.ShortPause = rng.bounded(2);
        o.LongPause = rng.bounded(2);
        o.SmartPause = rng.bounded(2);
        o.DelMin = rng.bounded(2);
        o.ReadNonStop = rng.bounded(3) == 0;
        const bool noCuts = rng.bounded(2);
        Rig r(text, noCuts ? 60 : rng.bounded(-2, 20), rng.bounded(1, 51));
        r.host.opts = o;

        QString shown;
        int shownSigns = 0;
        int built = 0;
        const int limit = o.ReadNonStop ? 3000 : static_cast<int>(text.size()) * 2 + 10;
        for (; built < limit; ++built) {
            const QString p = r.chunker.BuildPiece();
            QVERIFY2(bufferIsWellFormed(r.state.ReadBuffer), qPrintable(r.state.ReadBuffer));
            if (p.isEmpty())
                break;
            QVERIFY(p.front().unicode() > 32 && p.back().unicode() > 32);
            shownSigns += static_cast<int>(p.size() - p.count(QLatin1Char(' ')));
            shown += QString(p).remove(QLatin1Char(' '));
        }
        QCOMPARE(r.state.SignCount, shownSigns);
        if (o.ReadNonStop)
            continue;
        QVERIFY2(built < limit, "the text was never used up");
        if (noCuts && !o.DelMin && longestWord < 60) {
            QString expected = text;
            expected.remove(QRegularExpression(QStringLiteral("[\\x00-\\x20]")));
            QCOMPARE(shown, expected);
        }
    }
}

QTEST_GUILESS_MAIN(test_chunker)
#include "test_chunker.moc"
