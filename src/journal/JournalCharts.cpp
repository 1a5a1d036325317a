#include "journal/JournalCharts.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QLineSeries>
#include <QValueAxis>

#include <algorithm>
#include <cmath>

namespace zk {

namespace {

// Markers for every session are only legible while there are few of them.
constexpr int MarkedSessions = 200;
constexpr qint64 DayMs = 24 * 3600 * 1000;

QChart *plainChart(const QString &title) {
    auto *chart = new QChart;
    chart->setTitle(title);
    QFont titleFont = chart->titleFont();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.15);
    titleFont.setBold(true);
    chart->setTitleFont(titleFont);
    chart->setAnimationOptions(QChart::NoAnimation);
    chart->setBackgroundRoundness(0);
    chart->setMargins(QMargins(4, 4, 4, 4));
    chart->legend()->setAlignment(Qt::AlignBottom);
    return chart;
}

QLineSeries *lineSeries(const QString &name, const QColor &color, qreal width, Qt::PenStyle style) {
    auto *series = new QLineSeries;
    series->setName(name);
    QPen pen(color, width, style);
    pen.setCapStyle(Qt::RoundCap);
    series->setPen(pen);
    return series;
}

// The top of an axis: a round number above the largest value.
double niceTop(double value) {
    if (value <= 0)
        return 10;
    const double step = std::pow(10.0, std::floor(std::log10(value)));
    for (double m : {1.0, 1.5, 2.0, 2.5, 3.0, 4.0, 5.0, 6.0, 8.0, 10.0}) {
        if (m * step >= value * 1.05)
            return m * step;
    }
    return 10 * step;
}

} // namespace

std::optional<Trend> trendOf(const QList<QPointF> &points) {
    const auto n = static_cast<double>(points.size());
    if (points.size() < 2)
        return std::nullopt;
    // Centred on the first x, so epoch milliseconds do not swamp the sums.
    const double x0 = points.first().x();
    double sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (const QPointF &p : points) {
        const double x = p.x() - x0;
        sx += x;
        sy += p.y();
        sxx += x * x;
        sxy += x * p.y();
    }
    const double d = n * sxx - sx * sx;
    if (std::abs(d) < 1e-9)
        return std::nullopt;
    Trend t;
    t.slope = (n * sxy - sx * sy) / d;
    t.intercept = (sy - t.slope * sx) / n - t.slope * x0;
    return t;
}

QList<double> minutesPerDay(const QList<Session> &sessions, QDate lastDay, int days) {
    QList<double> minutes(days, 0.0);
    const QDate first = lastDay.addDays(1 - days);
    for (const Session &s : sessions) {
        const qint64 index = first.daysTo(QDateTime::fromMSecsSinceEpoch(s.startedMs).date());
        if (index >= 0 && index < days)
            minutes[index] += s.readingMinutes();
    }
    return minutes;
}

SpeedChartView::SpeedChartView(QWidget *parent) : QChartView(parent) {
    QChart *chart = plainChart(QStringLiteral("Скорость чтения"));
    m_nominal = lineSeries(QStringLiteral("Номинальная скорость"), QColor(150, 150, 150), 1.5,
                           Qt::DashLine);
    m_real =
        lineSeries(QStringLiteral("Реальная скорость"), QColor(31, 101, 180), 2, Qt::SolidLine);
    m_trend = lineSeries(QStringLiteral("Тренд"), QColor(222, 110, 20), 2.5, Qt::SolidLine);
    m_time = new QDateTimeAxis;
    m_time->setFormat(QStringLiteral("dd.MM"));
    m_speed = new QValueAxis;
    m_speed->setLabelFormat(QStringLiteral("%d"));
    chart->addAxis(m_time, Qt::AlignBottom);
    chart->addAxis(m_speed, Qt::AlignLeft);
    for (QLineSeries *series : {m_nominal, m_real, m_trend}) {
        chart->addSeries(series);
        series->attachAxis(m_time);
        series->attachAxis(m_speed);
    }
    setChart(chart);
    setRenderHint(QPainter::Antialiasing);
    setMinimumSize(320, 220);
}

void SpeedChartView::showSessions(const QList<Session> &sessions, SpeedUnit unit, qint64 fromMs,
                                  qint64 toMs) {
    QList<QPointF> real, nominal;
    real.reserve(sessions.size());
    nominal.reserve(sessions.size());
    double top = 0;
    for (const Session &s : sessions) {
        const auto x = static_cast<double>(s.startedMs);
        real.append({x, s.realSpeed(unit)});
        nominal.append({x, s.nominalSpeed(unit)});
        top = std::max({top, real.last().y(), nominal.last().y()});
    }
    QList<QPointF> trend;
    if (const std::optional<Trend> t = trendOf(real)) {
        const double first = real.first().x(), last = real.last().x();
        trend = {{first, std::max(0.0, t->at(first))}, {last, std::max(0.0, t->at(last))}};
    }
    const bool marked = sessions.size() <= MarkedSessions;
    m_real->setPointsVisible(marked);
    m_nominal->setPointsVisible(marked);
    m_real->replace(real);
    m_nominal->replace(nominal);
    m_trend->replace(trend);

    chart()->setTitle(sessions.isEmpty()
                          ? QStringLiteral("Скорость чтения: за этот период сеансов нет")
                          : QStringLiteral("Скорость чтения"));
    const qint64 span = std::max<qint64>(toMs - fromMs, DayMs);
    m_time->setFormat(span > 300 * DayMs ? QStringLiteral("MM.yyyy") : QStringLiteral("dd.MM"));
    m_time->setRange(QDateTime::fromMSecsSinceEpoch(toMs - span),
                     QDateTime::fromMSecsSinceEpoch(toMs));
    m_time->setTickCount(std::clamp(width() / 110, 3, 13));
    m_speed->setRange(0, niceTop(top));
    m_speed->setTitleText(perMinuteText(unit));
}

DailyChartView::DailyChartView(QWidget *parent) : QChartView(parent) {
    QChart *chart = plainChart(QStringLiteral("Минуты чтения по дням"));
    m_minutes = new QBarSet(QStringLiteral("Минуты чтения за последние 30 дней"));
    m_minutes->setColor(QColor(46, 139, 110));
    m_minutes->setBorderColor(QColor(46, 139, 110));
    auto *series = new QBarSeries;
    series->append(m_minutes);
    series->setBarWidth(0.75);
    m_days = new QBarCategoryAxis;
    m_axis = new QValueAxis;
    m_axis->setLabelFormat(QStringLiteral("%d"));
    m_axis->setTitleText(QStringLiteral("минут"));
    QFont small = m_days->labelsFont();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    m_days->setLabelsFont(small);
    m_days->setLabelsAngle(-90);
    chart->addSeries(series);
    chart->addAxis(m_days, Qt::AlignBottom);
    chart->addAxis(m_axis, Qt::AlignLeft);
    series->attachAxis(m_days);
    series->attachAxis(m_axis);
    chart->legend()->setVisible(false);
    setChart(chart);
    setRenderHint(QPainter::Antialiasing);
    setMinimumSize(260, 220);
}

void DailyChartView::showSessions(const QList<Session> &sessions, QDate today) {
    const QList<double> minutes = minutesPerDay(sessions, today, Days);
    QStringList labels;
    for (int i = 0; i < Days; ++i)
        labels.append(today.addDays(i + 1 - Days).toString(u"dd.MM"));
    m_days->setCategories(labels);
    if (m_minutes->count() == 0) {
        m_minutes->append(minutes);
    } else {
        for (int i = 0; i < Days; ++i)
            m_minutes->replace(i, minutes.at(i));
    }
    m_axis->setRange(0, niceTop(*std::max_element(minutes.begin(), minutes.end())));
}

} // namespace zk
