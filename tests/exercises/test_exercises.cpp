#include "exercises/SchulteTable.h"

#include <QTest>

#include <algorithm>

using namespace zk;

class TestExercises : public QObject {
    Q_OBJECT
private slots:
    void gorbovOrder_alternatesBlackUpRedDown();
    void letters_includeYoAndStopAtFive();
    void shuffle_keepsEveryCellAndIsUniform();
    void run_countsErrorsAndTimesWithoutPauses();
    void keyboard_findsTheTarget();
    void comparison_isAgainstTheMedian();
};

void TestExercises::gorbovOrder_alternatesBlackUpRedDown() {
    const QList<TableCell> order = targetOrder({TableKind::Gorbov, 7});
    QCOMPARE(order.size(), 49);
    const QList<TableCell> head = order.mid(0, 5);
    QCOMPARE(head, (QList<TableCell>{{1, false}, {25, true}, {2, false}, {24, true}, {3, false}}));
    QCOMPARE(order.mid(46), (QList<TableCell>{{24, false}, {2, true}, {1, true}}));
    QCOMPARE(std::count_if(order.begin(), order.end(), [](TableCell c) { return c.red; }), 25);
    QVERIFY(!TableChoice({TableKind::Gorbov, 5}).valid());
    QCOMPARE(targetOrder({TableKind::Numbers, 3}).last(), (TableCell{9, false}));
}

void TestExercises::letters_includeYoAndStopAtFive() {
    const TableKind letters = TableKind::Letters;
    QCOMPARE(cellLabel(letters, {7, false}), QStringLiteral("Ё"));
    QCOMPARE(cellLabel(letters, {25, false}), QStringLiteral("Ч"));
    QVERIFY(TableChoice({letters, 5}).valid());
    QVERIFY(!TableChoice({letters, 6}).valid());
    QVERIFY(targetOrder({letters, 6}).isEmpty());
}

void TestExercises::shuffle_keepsEveryCellAndIsUniform() {
    // Each of 3 cells lands in the first place about a third of the time.
    QRandomGenerator random(7);
    int first[4] = {};
    const int rounds = 30000;
    for (int i = 0; i < rounds; ++i) {
        const QList<TableCell> cells = shuffledCells({TableKind::Numbers, 3}, random);
        QList<TableCell> sorted = cells;
        std::sort(sorted.begin(), sorted.end(),
                  [](TableCell a, TableCell b) { return a.value < b.value; });
        QCOMPARE(sorted, targetOrder({TableKind::Numbers, 3}));
        ++first[std::min(cells[0].value, 3)];
    }
    for (int v = 1; v <= 3; ++v)
        QVERIFY2(std::abs(first[v] - (v < 3 ? rounds / 9 : rounds * 7 / 9)) < rounds / 50,
                 qPrintable(QString::number(first[v])));
    // The same seed lays the same table.
    ManualClock clock;
    QCOMPARE(TableRun({TableKind::Gorbov, 7}, clock, 5).cells(),
             TableRun({TableKind::Gorbov, 7}, clock, 5).cells());
}

void TestExercises::run_countsErrorsAndTimesWithoutPauses() {
    ManualClock clock;
    clock.set(1000);
    TableRun run({TableKind::Numbers, 3}, clock, 1);
    QVERIFY(!run.started());
    const QList<TableCell> cells = run.cells();
    auto where = [&](int value) { return int(cells.indexOf(TableCell{value, false})); };
    QCOMPARE(run.press(where(2)), TableRun::Answer::Wrong); // the clock starts here
    QVERIFY(run.started());
    QCOMPARE(run.press(where(1)), TableRun::Answer::Right);
    QCOMPARE(run.press(where(1)), TableRun::Answer::Ignored); // found before: no error
    clock.advance(2000);
    run.setPaused(true);
    clock.advance(60000);
    QCOMPARE(run.press(where(2)), TableRun::Answer::Ignored);
    run.setPaused(false);
    for (int v = 2; v <= 9; ++v) {
        clock.advance(100);
        QCOMPARE(run.press(where(v)), TableRun::Answer::Right);
    }
    QVERIFY(run.finished());
    QCOMPARE(run.errors(), 1);
    QCOMPARE(run.elapsedMs(), 2800);
    clock.advance(5000);
    QCOMPARE(run.elapsedMs(), 2800);
    QCOMPARE(run.press(0), TableRun::Answer::Ignored);
}

void TestExercises::keyboard_findsTheTarget() {
    ManualClock clock;
    TableRun gorbov({TableKind::Gorbov, 7}, clock, 3);
    QCOMPARE(gorbov.type(QStringLiteral("1")), TableRun::Answer::Right);
    QCOMPARE(gorbov.target(), (TableCell{25, true}));
    QCOMPARE(gorbov.type(QStringLiteral("2")), TableRun::Answer::Wrong);
    QCOMPARE(gorbov.type(QStringLiteral(" 25 ")), TableRun::Answer::Right);
    QVERIFY(gorbov.isFound(int(gorbov.cells().indexOf(TableCell{25, true}))));
    TableRun letters({TableKind::Letters, 3}, clock, 3);
    QCOMPARE(letters.type(QStringLiteral("а")), TableRun::Answer::Right);
    QCOMPARE(letters.type(QStringLiteral("Б")), TableRun::Answer::Right);
}

void TestExercises::comparison_isAgainstTheMedian() {
    QCOMPARE(secondsText(12449), QStringLiteral("12,4 с"));
    QCOMPARE(secondsText(950), QStringLiteral("1,0 с"));
    QCOMPARE(medianMs({5, 1, 9, 3}), 4);
    QCOMPARE(comparisonText(10000, {13200, 20000, 1000}),
             QStringLiteral("быстрее обычного на 3,2 с"));
    QCOMPARE(comparisonText(15000, {12000}), QStringLiteral("медленнее обычного на 3,0 с"));
    QVERIFY(comparisonText(15000, {}).isEmpty());
}

QTEST_GUILESS_MAIN(TestExercises)
#include "test_exercises.moc"
