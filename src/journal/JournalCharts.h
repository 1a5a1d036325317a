#pragma once

#include "journal/JournalStore.h"

#include <QChartView>
#include <QDate>
#include <QList>
#include <QPointF>

#include <optional>

class QBarSet;
class QCategoryAxis;
class QLineSeries;
class QValueAxis;

namespace zk {

// Least-squares line through the points; nullopt below two distinct x.
struct Trend {
    double slope = 0;
    double intercept = 0;
    double at(double x) const { return intercept + slope * x; }
};
std::optional<Trend> trendOf(const QList<QPointF> &points);

// Local midnights of the `days` days from `first` on, and the one after them.
QList<qint64> dayStarts(QDate first, int days);

// Dates to label a time axis of `fromMs` to `toMs` with at most `count`
// labels: days, Mondays, fortnights, or the first days of months.
QList<std::pair<qint64, QString>> timeLabels(qint64 fromMs, qint64 toMs, int count);
// Both charts label their time axes alike, with at most this many dates.
constexpr int TimeLabelCount = 7;

// Reading and exercise minutes of the days `first` to `last`, summed in bars of `bucketDays` days
// (1 for up to two months, 7 for up to a year or so, else 30).
struct MinuteBars {
    int bucketDays = 1;
    QList<double> minutes;
    QList<double> exerciseMinutes;
};
MinuteBars minuteBars(const QList<Session> &sessions, QDate first, QDate last,
                      const QList<ExerciseRecord> &exercises = {});

// Reading minutes of each local day, `days` days up to and including
// `lastDay`; sessions oldest first.
QList<double> minutesPerDay(const QList<Session> &sessions, QDate lastDay, int days);

// Exercise minutes of each local day, as above; exercises oldest first.
QList<double> exerciseMinutesPerDay(const QList<ExerciseRecord> &exercises, QDate lastDay,
                                    int days);
// The median time in seconds of each day's tables of this size and kind, at the day's noon.
QList<QPointF> dailyMedians(const QList<ExerciseRecord> &exercises, TableChoice choice);

// What the speed chart draws: each session while they are few, else the
// averages of days, weeks or months, weighted by reading time.
struct SpeedPoints {
    enum class Step { Session, Day, Week, Month };
    Step step = Step::Session;
    QList<QPointF> real;
    QList<QPointF> nominal;
    // Checked sessions only.
    QList<QPointF> effective;
};
SpeedPoints speedPoints(const QList<Session> &sessions, SpeedUnit unit, int maxPoints);

// Real speed of each session over time, the nominal speed beside it, and the trend.
class SpeedChartView final : public QChartView {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SpeedChartView)
public:
    // A line of more points is neither legible nor quick to draw.
    static constexpr int MaxPoints = 300;

    explicit SpeedChartView(QWidget *parent = nullptr);
    // Sessions oldest first; the x axis spans [fromMs, toMs].
    void showSessions(const QList<Session> &sessions, SpeedUnit unit, qint64 fromMs, qint64 toMs);

private:
    QLineSeries *m_real;
    QLineSeries *m_nominal;
    QLineSeries *m_effective;
    QLineSeries *m_trend;
    QCategoryAxis *m_time;
    QValueAxis *m_speed;
    qint64 m_fromMs = 0;
    qint64 m_toMs = 0;
};

// Reading minutes per day (or week, or month) as bars, over the same days as the speed chart.
class DailyChartView final : public QChartView {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DailyChartView)
public:
    explicit DailyChartView(QWidget *parent = nullptr);
    // Sessions and exercises oldest first; the bars cover the days `first` to `last`.
    void showSessions(const QList<Session> &sessions, QDate first, QDate last,
                      const QList<ExerciseRecord> &exercises = {});

private:
    QBarSet *m_minutes;
    QBarSet *m_exercises;
    QCategoryAxis *m_days;
    QValueAxis *m_axis;
};

// Exercise times over days, a line for each size and kind done in the period.
class ExerciseChartView final : public QChartView {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ExerciseChartView)
public:
    explicit ExerciseChartView(QWidget *parent = nullptr);
    void showExercises(const QList<ExerciseRecord> &exercises, qint64 fromMs, qint64 toMs);

private:
    QCategoryAxis *m_time;
    QValueAxis *m_seconds;
};

} // namespace zk
