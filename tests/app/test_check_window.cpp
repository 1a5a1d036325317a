// "Проверка понимания" after a run: answered by keys, kept in the journal, and the
// speed ladder moving the delay; a skipped check moves nothing.
#include "WindowFixture.h"
#include "app/commands/ComprehensionController.h"
#include "app/commands/ComprehensionDialog.h"
#include "app/commands/JournalController.h"
#include "display/StatisticsBar.h"

#include <QLabel>

using namespace zk;
using namespace Qt::StringLiterals;

class test_check_window : public QObject {
    Q_OBJECT
private slots:
    void check_answeredByKeys_isJournaledAndMovesTheDelay();
    void textWithoutSentences_saysSoAndAsksNothing();
};

namespace {

QString sampleText() {
    QFile f(qEnvironmentVariable("ZK_SOURCE_DIR") + u"/data/sample.txt"_s);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

// Reads to the end of the text, as the timer would.
void readToTheEnd(WindowFixture &f) {
    f.startReading();
    for (int i = 0; i < 5000 && f.window->isReading(); ++i) {
        f.clock.advance(140);
        f.window->reading()->tick();
    }
}

} // namespace

void test_check_window::check_answeredByKeys_isJournaledAndMovesTheDelay() {
    WindowFixture f;
    MainWindow *w = f.startWithText(sampleText());
    w->comprehension()->setSeedSource([] { return 7u; });
    // Off by default: a run ends without a check.
    readToTheEnd(f);
    QVERIFY(!w->comprehension()->dialog());
    namedAction(w, "MnCheckUnderstanding")->trigger();
    namedAction(w, "MnSpeedLadder")->trigger();
    QCOMPARE(w->strip()->UpDown2->value(), 140);

    readToTheEnd(f);
    ComprehensionDialog *d = w->comprehension()->dialog();
    QVERIFY(d && d->isVisible());
    QCOMPARE(d->windowTitle(), u"Проверка понимания"_s);
    for (const Question &q : d->questions()) {
        if (q.kind == Question::Kind::WasInText)
            QTest::keyClick(d, q.answer == 0 ? Qt::Key_Y : Qt::Key_N);
        else
            QTest::keyClick(d, Qt::Key(Qt::Key_1 + q.answer));
        QVERIFY(d->findChild<QLabel *>(u"CheckFeedback"_s)->text().startsWith(u"Верно"_s));
        QTest::keyClick(d, Qt::Key_Return);
    }
    const int asked = int(d->questions().size());
    QVERIFY(asked >= 2);
    QVERIFY(d->resultText().startsWith(u"%1 из %1 (100 %)\nСкорость: "_s.arg(asked)));
    QVERIFY(d->resultText().contains(u"Эффективная скорость: "_s));
    const Session last = w->journal()->journal().store().sessions().last();
    QCOMPARE(last.asked, asked);
    QCOMPARE(last.answeredRight, asked);
    QCOMPARE(w->strip()->UpDown2->value(), 120);
    QCOMPARE(w->statisticsBar()->PnNote->accessibleName(),
             u"Задержка 140 → 120 мс: понято %1 из %1"_s.arg(asked));
    QTest::keyClick(d, Qt::Key_Return);
    QTRY_VERIFY(!w->comprehension()->dialog());

    // Escape skips: no result, the delay stays.
    readToTheEnd(f);
    d = w->comprehension()->dialog();
    QVERIFY(d);
    QTest::keyClick(d, Qt::Key_1);
    QTest::keyClick(d, Qt::Key_Escape);
    QTRY_VERIFY(!w->comprehension()->dialog());
    QVERIFY(!w->journal()->journal().store().sessions().last().checked());
    QCOMPARE(w->strip()->UpDown2->value(), 120);

    // The options live in the journal: a new window finds them; restoring turns them off.
    f.window.reset();
    w = f.start();
    QVERIFY(namedAction(w, "MnCheckUnderstanding")->isChecked());
    namedAction(w, "N28")->trigger();
    QVERIFY(!namedAction(w, "MnCheckUnderstanding")->isChecked());
    QVERIFY(!namedAction(w, "MnSpeedLadder")->isChecked());
}

void test_check_window::textWithoutSentences_saysSoAndAsksNothing() {
    WindowFixture f;
    QStringList words;
    for (int i = 0; i < 400; ++i)
        words << u"слово%1"_s.arg(i);
    MainWindow *w = f.startWithText(words.join(u'\n'));
    namedAction(w, "MnCheckUnderstanding")->trigger();
    readToTheEnd(f);
    QVERIFY(!w->comprehension()->dialog());
    QCOMPARE(w->statisticsBar()->PnNote->accessibleName(),
             u"Проверка не составлена: в прочитанном нет подходящих предложений"_s);
    QVERIFY(w->statisticsBar()->PnNote->isVisible());
    // The next run takes the note away.
    f.startReading();
    QVERIFY(!w->statisticsBar()->PnNote->isVisible());
}

QTEST_MAIN(test_check_window)
#include "test_check_window.moc"
