#include "../reading/FakeHost.h"
#include "reading/Chunker.h"
#include "reading/DelaySteps.h"
#include "reading/ReadingEngine.h"
#include "training/ReadingSteps.h"

#include <QTest>

using namespace zk;
using namespace Qt::StringLiterals;

namespace {

struct Rig {
    FakeHost host;
    ReadingEngine engine{host};

    explicit Rig(const QString &text, ReadingOptions o = {}) {
        host.setText(text);
        host.opts = o;
        host.length = 50;
        engine.state().RowCapacity = 50;
    }
    QString tick() {
        QStringList pieces;
        if (engine.Tick(true, pieces) != ReadingEngine::TickOutcome::Built)
            return u"<pause>"_s;
        return pieces.value(0);
    }
    // The step as the window takes it; false when it runs past the end.
    bool step(ReadingStep s) {
        const auto to = ReadingSteps::target(host, ReadingSteps::nextWord(host, engine.state()), s);
        if (to)
            engine.placeAt(to->line, to->column);
        return to.has_value();
    }
};

} // namespace

class TestSteps final : public QObject {
    Q_OBJECT
private slots:
    void firstAndLastSentence() {
        Rig r(u"Раз два. Три четыре.\n"_s);
        QVERIFY(r.step(ReadingStep::SentenceBack)); // before anything is shown: stays
        QCOMPARE(r.tick(), u"Раз два."_s);
        QVERIFY(r.step(ReadingStep::SentenceBack)); // back to the start of the one shown
        QCOMPARE(r.tick(), u"Раз два."_s);
        QCOMPARE(r.tick(), u"Три четыре."_s);
        QVERIFY(r.step(ReadingStep::SentenceBack));
        QVERIFY(r.step(ReadingStep::SentenceBack));
        QCOMPARE(r.tick(), u"Раз два."_s);
        // Forward skips the sentence about to be shown; past the last is the end.
        QVERIFY(!r.step(ReadingStep::SentenceForward));
        QVERIFY(r.step(ReadingStep::SentenceBack));
        QVERIFY(r.step(ReadingStep::SentenceForward));
        QCOMPARE(r.tick(), u"Три четыре."_s);
    }

    void acrossAbbreviationAndParagraphs() {
        Rig r(u"Жил в г. Твери и т. д. долго. Потом уехал.\n\nВторой абзац тут.\nТретий.\n"_s);
        r.host.length = 1; // one word a piece
        QCOMPARE(r.tick(), u"Жил"_s);
        QVERIFY(r.step(ReadingStep::SentenceForward));
        QCOMPARE(r.tick(), u"Потом"_s);
        QVERIFY(r.step(ReadingStep::SentenceForward)); // the blank line ends the sentence
        QCOMPARE(r.tick(), u"Второй"_s);
        QVERIFY(r.step(ReadingStep::SentenceBack));
        QCOMPARE(r.tick(), u"Второй"_s);
        QVERIFY(r.step(ReadingStep::ParagraphBack));
        QCOMPARE(r.tick(), u"Второй"_s);
        QVERIFY(r.step(ReadingStep::ParagraphBack));
        QVERIFY(r.step(ReadingStep::ParagraphBack));
        QCOMPARE(r.tick(), u"Жил"_s);
        QVERIFY(r.step(ReadingStep::ParagraphForward));
        QCOMPARE(r.tick(), u"Второй"_s);
        QVERIFY(r.step(ReadingStep::ParagraphForward)); // after a line that ends a sentence
        QCOMPARE(r.tick(), u"Третий."_s);
        QVERIFY(!r.step(ReadingStep::ParagraphForward));
    }

    void stepDuringPauseGoesOnAtNextTick() {
        ReadingOptions o = smartPause();
        Rig r(u"Раз, два. Три.\n"_s, o);
        QCOMPARE(r.tick(), u"Раз,"_s);
        QCOMPARE(r.tick(), u"<pause>"_s);
        QVERIFY(r.step(ReadingStep::SentenceForward));
        QCOMPARE(r.tick(), u"Три."_s);
        QVERIFY(r.step(ReadingStep::SentenceBack));
        QCOMPARE(r.tick(), u"Три."_s);
        // The buffer was refilled from the step: the text ends as it would.
        for (int i = 0; i < 10 && !r.engine.state().ReadingFinished; ++i)
            QVERIFY(QStringList({u"<pause>"_s, QString()}).contains(r.tick()));
        QVERIFY(r.engine.state().ReadingFinished);
    }

    void longWordTicksAddToEachPauseMode() {
        const QString text = u"Кот, переписывание. Сверхъестественное дело.\n"_s;
        struct Mode {
            bool ReadingOptions::*flag;
            QList<int> ticks; // after each piece, without long words
        };
        const Mode modes[] = {{&ReadingOptions::WithoutPause, {0, 0, 0, 0}},
                              {&ReadingOptions::ShortPause, {1, 1, 0, 1}},
                              {&ReadingOptions::LongPause, {2, 2, 0, 2}},
                              {&ReadingOptions::SmartPause, {1, 2, 0, 2}}};
        const QList<int> extra{0, 1, 2, 0};
        for (const Mode &m : modes) {
            for (const bool signs : {true, false}) {
                for (const bool longer : {false, true}) {
                    ReadingOptions o;
                    o.WithoutPause = false;
                    o.*m.flag = true;
                    o.ReactOnSigns = signs;
                    o.LongWords = longer;
                    Rig r(text, o);
                    r.host.length = 1;
                    for (int i = 0; i < 4; ++i) {
                        r.engine.state().PauseTicks = 0;
                        r.engine.state().SentenceEnded = true; // leave out capitals' ticks
                        QVERIFY(!r.tick().isEmpty());
                        const int want = signs ? m.ticks.at(i) + (longer ? extra.at(i) : 0) : 0;
                        QCOMPARE(r.engine.state().PauseTicks, want);
                    }
                }
            }
        }
        QCOMPARE(Chunker::longWordTicks(u"девятибук"), 0);
        QCOMPARE(Chunker::longWordTicks(u"а десятибукв,"), 1);
        QCOMPARE(Chunker::longWordTicks(u"пятнадцатибуквен"), 2);
    }

    void rampHalvesTheSpeedAtStart() {
        QCOMPARE(DelaySteps::rampInterval(140, 0), 280);
        QCOMPARE(DelaySteps::rampInterval(140, 2500), 245);
        QCOMPARE(DelaySteps::rampInterval(140, 5000), 210);
        QCOMPARE(DelaySteps::rampInterval(140, 9999), 140);
        QCOMPARE(DelaySteps::rampInterval(140, 10000), 140);
        QCOMPARE(DelaySteps::rampInterval(9000, 0), 18000);
        int previous = DelaySteps::rampInterval(50, 0);
        for (int t = 0; t <= 11000; t += 137) {
            const int now = DelaySteps::rampInterval(50, t);
            QVERIFY(now <= previous && now >= 50);
            previous = now;
        }
    }

    void nextWordFollowsTheBuffer() {
        // Lines taken in ahead of what is shown.
        Rig r(u"Один два три.\nЧетыре пять.\n"_s);
        r.host.length = 5;
        QCOMPARE(r.tick(), u"Один"_s);
        QCOMPARE(ReadingSteps::nextWord(r.host, r.engine.state()), (LinePosition{0, 5}));
        r.tick();
        r.tick();
        QCOMPARE(ReadingSteps::nextWord(r.host, r.engine.state()), (LinePosition{1, 0}));
    }
};

QTEST_GUILESS_MAIN(TestSteps)
#include "test_steps.moc"
