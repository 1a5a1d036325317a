#include "training/ComprehensionCheck.h"
#include "training/SentenceSplitter.h"
#include "training/SpeedLadder.h"

#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTest>

using namespace zk;
using namespace Qt::StringLiterals;

namespace {

QStringList sampleLines() {
    QFile f(qEnvironmentVariable("ZK_SOURCE_DIR") + u"/data/sample.txt"_s);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readAll()).split(u'\n');
}

// Sentences of random words taken from our sample text: no phrase repeats by design.
QStringList generatedLines(quint32 seed, int sentences) {
    QStringList vocabulary;
    for (const QString &w : sampleLines().join(u' ').split(
             QRegularExpression(u"[^\\w-]+"_s, QRegularExpression::UseUnicodePropertiesOption)))
        if (w.size() > 1 && w.front().isLower())
            vocabulary.append(w);
    QRandomGenerator rng(seed);
    QStringList lines;
    QString paragraph;
    for (int i = 0; i < sentences; ++i) {
        const int n = 6 + int(rng.bounded(12));
        QString s;
        for (int k = 0; k < n; ++k)
            s += (k ? u" "_s : QString()) + vocabulary.at(rng.bounded(int(vocabulary.size())));
        s[0] = s[0].toUpper();
        paragraph += (paragraph.isEmpty() ? QString() : u" "_s) + s + u"."_s;
        if (rng.bounded(4) == 0) {
            lines.append(paragraph);
            paragraph.clear();
        }
    }
    lines.append(paragraph);
    return lines;
}

QStringList texts(const QString &text, const QList<SentenceBounds> &bounds) {
    QStringList out;
    for (const SentenceBounds &b : bounds)
        out.append(text.mid(b.start, b.end - b.start));
    return out;
}

} // namespace

class test_training : public QObject {
    Q_OBJECT
private slots:
    void splitter_endsAndAbbreviations();
    void splitter_linesGiveTheirPositions();
    void questions_followTheRules_data();
    void questions_followTheRules();
    void sameSeed_sameCheck();
    void textsWithoutSentences_giveNoCheck();
    void ladder_movesOneStepOfTheWalk();
};

void test_training::splitter_endsAndAbbreviations() {
    const QString text =
        u"Мы вышли в 5 ч. утра, т. е. рано. Было холодно и т.д. и т. п. Дом построен в 1900 г. "
        u"Петром. См. рис. 3 на стр. 5. Его звали А. С. Пушкин! Правда?! — Да… Он ушёл... "
        u"«Куда?» спросила она. А потом? ещё вопрос.\n\nНовый абзац без точки\nЗаголовок\n"
        u"Текст после заголовка."_s;
    QCOMPARE(texts(text, SentenceSplitter::sentences(text)),
             QStringList({u"Мы вышли в 5 ч. утра, т. е. рано."_s,
                          u"Было холодно и т.д. и т. п. Дом построен в 1900 г. Петром."_s,
                          u"См. рис. 3 на стр. 5."_s, u"Его звали А. С. Пушкин!"_s, u"Правда?!"_s,
                          u"— Да…"_s, u"Он ушёл..."_s, u"«Куда?» спросила она."_s,
                          u"А потом? ещё вопрос."_s, u"Новый абзац без точки"_s, u"Заголовок"_s,
                          u"Текст после заголовка."_s}));
    const QList<SentenceBounds> b = SentenceSplitter::sentences(text);
    QVERIFY(b.at(0).terminated && !b.at(9).terminated && b.last().terminated);
    QVERIFY(SentenceSplitter::sentences(u"  \n "_s).isEmpty());
}

void test_training::splitter_linesGiveTheirPositions() {
    const QStringList lines = {u"Пропущено. Первая строка"_s, u"продолжается тут. Вторая."_s, u""_s,
                               u"Третья"_s};
    const QList<LineSentence> s = SentenceSplitter::sentences(lines, 0, 4);
    QCOMPARE(s.size(), 4);
    QCOMPARE(s.at(1).begin, (LinePosition{0, 11}));
    QCOMPARE(s.at(1).end, (LinePosition{1, 17}));
    QCOMPARE(s.at(3).begin, (LinePosition{3, 0}));
    QCOMPARE(SentenceSplitter::sentences(lines, 1, 2).first().begin, (LinePosition{1, 0}));
}

void test_training::questions_followTheRules_data() {
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("end");
    QTest::addColumn<bool>("gapsAllowed");
    const QStringList sample = sampleLines();
    QTest::newRow("own prose") << sample << 0 << int(sample.size()) << true;
    const QStringList generated = generatedLines(3, 600);
    QTest::newRow("generated, middle")
        << generated << int(generated.size()) / 3 << int(generated.size()) / 3 + 40 << true;
    // The read part twice: the other copy would fill every gap, and "Нет" sentences
    // must still appear nowhere.
    QTest::newRow("repeated") << sample + sample << 0 << int(sample.size()) << false;
}

void test_training::questions_followTheRules() {
    QFETCH(QStringList, lines);
    QFETCH(int, first);
    QFETCH(int, end);
    QFETCH(bool, gapsAllowed);
    const CheckDocument doc(lines);
    const QString span = lines.mid(first, end - first).join(u' ');
    int gaps = 0, truths = 0, changed = 0;
    for (quint32 seed = 1; seed <= 40; ++seed) {
        const Check check = ComprehensionCheck::build(doc, first, end, seed);
        QCOMPARE(check.outcome, Check::Outcome::Built);
        QVERIFY(check.questions.size() >= 3 && check.questions.size() <= 5);
        QSet<QString> asked;
        for (const Question &q : check.questions) {
            QVERIFY2(!asked.contains(q.original), qPrintable(q.original));
            asked.insert(q.original);
            QVERIFY(span.contains(q.original));
            if (q.kind == Question::Kind::Gap) {
                ++gaps;
                QCOMPARE(q.options.size(), 4);
                const QString answer = q.options.at(q.answer);
                QCOMPARE(QString(q.prompt).replace(ComprehensionCheck::Gap, answer), q.original);
                QVERIFY(span.contains(answer) && answer.size() >= 5);
                for (int i = 0; i < 4; ++i) {
                    if (i == q.answer)
                        continue;
                    const QString d = q.options.at(i);
                    QVERIFY2(d.left(4) != answer.left(4), qPrintable(d + u" / "_s + answer));
                    QVERIFY(span.contains(d));
                    QVERIFY(!doc.contains(QString(q.prompt).replace(ComprehensionCheck::Gap, d)));
                }
            } else if (q.answer == 0) {
                ++truths;
                QCOMPARE(q.prompt, q.original);
            } else {
                ++changed;
                QVERIFY(!doc.contains(q.prompt));
                QVERIFY(q.original.contains(q.word));
            }
        }
    }
    QCOMPARE(gaps > 0, gapsAllowed);
    QVERIFY(truths > 0 && changed > 0);
    QVERIFY(qAbs(truths - changed) <= (truths + changed) / 4);
}

void test_training::sameSeed_sameCheck() {
    const CheckDocument doc(generatedLines(9, 300));
    auto prompts = [&](quint32 seed) {
        QStringList out;
        for (const Question &q : ComprehensionCheck::build(doc, 0, 60, seed).questions)
            out << q.prompt << q.options;
        return out;
    };
    QCOMPARE(prompts(5), prompts(5));
    QVERIFY(prompts(5) != prompts(6));
}

void test_training::textsWithoutSentences_giveNoCheck() {
    QString list, numbers;
    for (int i = 0; i < 300; ++i) {
        list += u"слово%1 "_s.arg(QChar(u'а' + i % 30)) + u"\n"_s;
        numbers += QString::number(i * 7919) + u" "_s;
    }
    const QString endless = generatedLines(1, 50).join(u' ').remove(u'.').toLower();
    for (const QString &text : {list, numbers, endless}) {
        const Check c = ComprehensionCheck::build(CheckDocument(text.split(u'\n')), 0, 1000, 1);
        QCOMPARE(c.outcome, Check::Outcome::NoSentences);
        QVERIFY(c.questions.isEmpty());
    }
    // Under 150 words read: no check at all.
    const QStringList lines = generatedLines(2, 200);
    QCOMPARE(ComprehensionCheck::build(CheckDocument(lines), 0, 1, 1).outcome,
             Check::Outcome::TooShort);
}

void test_training::ladder_movesOneStepOfTheWalk() {
    const CheckScore all{5, 5}, most{5, 4}, some{5, 3}, few{5, 2};
    QCOMPARE(most.text(), u"4 из 5 (80 %)"_s);
    QCOMPARE(SpeedLadder::next(120, all).message, u"Задержка 120 → 100 мс: понято 5 из 5"_s);
    QCOMPARE(SpeedLadder::next(200, most).to, 180);
    QCOMPARE(SpeedLadder::next(250, most).to, 200);
    QCOMPARE(SpeedLadder::next(1000, few).to, 1500);
    QCOMPARE(SpeedLadder::next(100, few).to, 120);
    QCOMPARE(SpeedLadder::next(300, some).to, 300);
    // The ends of the range hold.
    QCOMPARE(SpeedLadder::next(50, all).to, 50);
    QCOMPARE(SpeedLadder::next(9000, CheckScore{5, 0}).to, 9000);
    QCOMPARE(all.effective(300), 300.0);
    QCOMPARE(most.effective(300), 240.0);
}

QTEST_GUILESS_MAIN(test_training)
#include "test_training.moc"
