#pragma once

#include "journal/Session.h"

#include <QChartView>
#include <QDate>
#include <QList>
#include <QPointF>

#include <optional>

class QBarCategoryAxis;
class QBarSet;
class QDateTimeAxis;
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

// Reading minutes of each local day, `days` days up to and including `lastDay`.
QList<double> minutesPerDay(const QList<Session> &sessions, QDate lastDay, int days);

// Real speed of each session over time, the nominal speed beside it, and the trend.
class SpeedChartView final : public QChartView {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SpeedChartView)
public:
    explicit SpeedChartView(QWidget *parent = nullptr);
    // Sessions oldest first; the x axis spans [fromMs, toMs].
    void showSessions(const QList<Session> &sessions, SpeedUnit unit, qint64 fromMs, qint64 toMs);

private:
    QLineSeries *m_real;
    QLineSeries *m_nominal;
    QLineSeries *m_trend;
    QDateTimeAxis *m_time;
    QValueAxis *m_speed;
};

// Reading minutes per day as bars.
class DailyChartView final : public QChartView {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DailyChartView)
public:
    static constexpr int Days = 30;
    explicit DailyChartView(QWidget *parent = nullptr);
    void showSessions(const QList<Session> &sessions, QDate today);

private:
    QBarSet *m_minutes;
    QBarCategoryAxis *m_days;
    QValueAxis *m_axis;
};

} // namespace zk
