#include "display/Clock.h"
#include "display/Statistics.h"
#include "reading/DelaySteps.h"

#include <QTest>

using namespace zk;

class test_statistics : public QObject {
    Q_OBJECT
private slots:
    void speeds_truncateAsDesigned();
    void speeds_firstShownOnNinthTickAfterRestart();
    void readingTime_accumulatesRuns();
    void timeText_wrapsAt24Hours();
    void resets();
    void delaySteps_walkTheTable();
};

void test_statistics::speeds_truncateAsDesigned() {
    Statistics::Speeds s = Statistics::speedsFor(37, 201, 9);
    QVERIFY(s.shown);
    QCOMPARE(s.words, 240);
    QCOMPARE(s.signs, 1300);
    s = Statistics::speedsFor(20, 130, 8);
    QCOMPARE(s.words, 150);
    QCOMPARE(s.signs, 900);
    // A signs speed below 100 shows nothing, whatever the words speed.
    s = Statistics::speedsFor(2, 10, 8);
    QVERIFY(!s.shown);
    QVERIFY(!Statistics::speedsFor(5, 5, 0).shown);
    // Large counts are computed in 64 bits.
    QCOMPARE(Statistics::speedsFor(30000000, 2000000000, 60).signs, 2000000000);
}

void test_statistics::speeds_firstShownOnNinthTickAfterRestart() {
    ManualClock clock;
    Statistics stats(clock);
    stats.BeginToCount();
    QList<int> due;
    for (int tick = 1; tick <= 17; ++tick) {
        clock.advance(1000);
        if (stats.advancePhase())
            due << tick;
    }
    QCOMPARE(due, (QList<int>{9, 13, 17}));
    clock.advance(500);
    // Averaged over the whole 17.5 s since the restart: 600*60 div 17 = 2117.
    QCOMPARE(stats.computeSpeeds(60, 600).signs, 2100);
    QCOMPARE(stats.computeSpeeds(60, 600).words, 210);
}

void test_statistics::readingTime_accumulatesRuns() {
    ManualClock clock;
    clock.set(10 * 3600 * 1000);
    Statistics stats(clock);
    stats.startReading();
    clock.advance(30000);
    stats.stopReading();
    clock.set((10 * 3600 + 5 * 60) * 1000); // the second run starts at 10:05:00
    stats.startReading();
    clock.advance(10000);
    QCOMPARE(Statistics::timeText(stats.readingElapsedMs()), QStringLiteral("0:00:40"));

    // Across midnight the monotonic clock just keeps counting.
    ManualClock night;
    night.set((23 * 3600 + 59 * 60 + 50) * 1000LL);
    Statistics late(night);
    late.startReading();
    night.advance(20000);
    QCOMPARE(Statistics::timeText(late.readingElapsedMs()), QStringLiteral("0:00:20"));
}

void test_statistics::timeText_wrapsAt24Hours() {
    QCOMPARE(Statistics::timeText(0), QStringLiteral("0:00:00"));
    QCOMPARE(Statistics::timeText(999), QStringLiteral("0:00:00"));
    QCOMPARE(Statistics::timeText((3600 * 9 + 61) * 1000LL), QStringLiteral("9:01:01"));
    QCOMPARE(Statistics::timeText((24 * 3600 + 5) * 1000LL), QStringLiteral("0:00:05"));
    QCOMPARE(Statistics::timeText((23 * 3600 + 59 * 60 + 59) * 1000LL), QStringLiteral("23:59:59"));
    QCOMPARE(Statistics::timeToSeconds(-5000), 0);
}

void test_statistics::resets() {
    ManualClock clock;
    Statistics stats(clock);
    stats.resetWorkTime();
    clock.advance(65000);
    QCOMPARE(Statistics::timeText(stats.workElapsedMs()), QStringLiteral("0:01:05"));
    stats.resetWorkTime();
    QCOMPARE(stats.workElapsedMs(), 0);
    stats.startReading();
    clock.advance(5000);
    stats.resetReadingTime();
    clock.advance(2000);
    QCOMPARE(stats.readingElapsedMs(), 2000);
}

void test_statistics::delaySteps_walkTheTable() {
    const auto up = [](int v) { return DelaySteps::snap(v + DelaySteps::stepFor(v)); };
    const auto down = [](int v) { return DelaySteps::snap(v - DelaySteps::stepFor(v)); };
    QList<int> walk{50};
    while (walk.last() < 9000)
        walk << up(walk.last());
    QCOMPARE(walk.mid(0, 12), (QList<int>{50, 60, 70, 80, 90, 100, 120, 140, 160, 180, 200, 250}));
    QCOMPARE(walk.mid(16, 8), (QList<int>{500, 600, 700, 800, 900, 1000, 1500, 2000}));
    QCOMPARE(walk.last(), 9000);
    QCOMPARE(down(1500), 1000);
    QCOMPARE(down(600), 500);
    QCOMPARE(down(250), 200);
    QCOMPARE(down(120), 100);
    QCOMPARE(up(130), 150);
}

QTEST_GUILESS_MAIN(test_statistics)
#include "test_statistics.moc"
