#include "journal/JournalCharts.h"

#include <QBarSeries>
#include <QBarSet>
#include <QCategoryAxis>
#include <QDateTime>
#include <QLineSeries>
#include <QStackedBarSeries>
#include <QValueAxis>

#include <algorithm>
#include <cmath>

namespace zk {

namespace {

// Markers are only legible while there are few points.
constexpr int MarkedPoints = 100;
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

// From 0 to a round number above the largest value, in four to six whole
// steps; `empty` stands for the largest value while there is none.
void setNiceRange(QValueAxis *axis, double largest, double empty) {
    const double top = (largest > 0 ? largest : empty) * 1.05;
    const double magnitude = std::pow(10.0, std::floor(std::log10(top / 5)));
    double step = 10 * magnitude;
    for (double m : {1.0, 2.0, 5.0}) {
        if (m * magnitude >= top / 5) {
            step = m * magnitude;
            break;
        }
    }
    step = std::max(step, 1.0);
    const double steps = std::ceil(top / step);
    axis->setRange(0, steps * step);
    axis->setTickCount(static_cast<int>(steps) + 1);
}

void setLabels(QCategoryAxis *axis, const QList<std::pair<qint64, QString>> &labels) {
    for (const QString &label : axis->categoriesLabels())
        axis->remove(label);
    for (const auto &[value, label] : labels)
        axis->append(label, static_cast<double>(value));
}

} // namespace

QList<std::pair<qint64, QString>> timeLabels(qint64 fromMs, qint64 toMs, int count) {
    QList<std::pair<qint64, QString>> labels;
    const QDate first = QDateTime::fromMSecsSinceEpoch(fromMs).date();
    const QDate last = QDateTime::fromMSecsSinceEpoch(toMs).date();
    const qint64 days = first.daysTo(last) + 1;
    const auto add = [&](QDate day, const QString &format) {
        const qint64 ms = day.startOfDay().toMSecsSinceEpoch();
        if (ms > fromMs && ms <= toMs)
            labels.append({ms, day.toString(format)});
    };
    for (int step : {1, 2, 7, 14}) {
        if (days / step > count)
            continue;
        QDate day = first;
        if (step >= 7)
            day = day.addDays(1 - day.dayOfWeek()); // from a Monday
        for (; day <= last; day = day.addDays(step))
            add(day, QStringLiteral("dd.MM"));
        return labels;
    }
    const int months = static_cast<int>(days / 30) + 1;
    int step = 1;
    for (int s : {2, 3, 6, 12}) {
        if (months / step > count)
            step = s;
    }
    QDate month(first.year(), (first.month() - 1) / step * step + 1, 1);
    for (; month <= last; month = month.addMonths(step))
        add(month, QStringLiteral("MM.yyyy"));
    return labels;
}

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

QList<qint64> dayStarts(QDate first, int days) {
    // Asked per day, not per session: local time costs a time-zone lookup each.
    QList<qint64> starts;
    starts.reserve(days + 1);
    for (int i = 0; i <= days; ++i)
        starts.append(first.addDays(i).startOfDay().toMSecsSinceEpoch());
    return starts;
}

namespace {

// Minutes of each day from (start, minutes) pairs, oldest first.
template <typename List, typename Start, typename Minutes>
QList<double> perDay(const List &list, QDate lastDay, int days, Start start, Minutes minutesOf) {
    const QList<qint64> starts = dayStarts(lastDay.addDays(1 - days), days);
    QList<double> minutes(days, 0.0);
    int day = 0;
    for (const auto &item : list) {
        const qint64 ms = start(item);
        if (ms < starts.first())
            continue;
        while (day < days && ms >= starts.at(day + 1))
            ++day;
        if (day == days)
            break;
        minutes[day] += minutesOf(item);
    }
    return minutes;
}

} // namespace

QList<double> minutesPerDay(const QList<Session> &sessions, QDate lastDay, int days) {
    return perDay(
        sessions, lastDay, days, [](const Session &s) { return s.startedMs; },
        [](const Session &s) { return s.readingMinutes(); });
}

QList<double> exerciseMinutesPerDay(const QList<ExerciseRecord> &exercises, QDate lastDay,
                                    int days) {
    return perDay(
        exercises, lastDay, days, [](const ExerciseRecord &r) { return r.endedMs; },
        [](const ExerciseRecord &r) { return static_cast<double>(r.timeMs) / 60000.0; });
}

MinuteBars minuteBars(const QList<Session> &sessions, QDate first, QDate last,
                      const QList<ExerciseRecord> &exercises) {
    const auto days = static_cast<int>(std::max<qint64>(1, first.daysTo(last) + 1));
    MinuteBars bars;
    bars.bucketDays = days <= 62 ? 1 : days <= 62 * 7 ? 7 : 30;
    const QList<double> reading = minutesPerDay(sessions, last, days);
    const QList<double> exercise = exerciseMinutesPerDay(exercises, last, days);
    const int count = (days + bars.bucketDays - 1) / bars.bucketDays;
    bars.minutes.fill(0.0, count);
    bars.exerciseMinutes.fill(0.0, count);
    for (int day = 0; day < days; ++day) {
        bars.minutes[day / bars.bucketDays] += reading.at(day);
        bars.exerciseMinutes[day / bars.bucketDays] += exercise.at(day);
    }
    return bars;
}

QList<QPointF> dailyMedians(const QList<ExerciseRecord> &exercises, TableChoice choice) {
    QList<QPointF> points;
    QDate day;
    QList<qint64> times;
    auto flush = [&] {
        if (!times.isEmpty())
            points.append(
                {static_cast<double>(day.startOfDay().addSecs(12 * 3600).toMSecsSinceEpoch()),
                 static_cast<double>(medianMs(times)) / 1000.0});
        times.clear();
    };
    for (const ExerciseRecord &r : exercises) {
        if (r.choice != choice)
            continue;
        const QDate date = QDateTime::fromMSecsSinceEpoch(r.endedMs).date();
        if (date != day)
            flush();
        day = date;
        times.append(r.timeMs);
    }
    flush();
    return points;
}

SpeedPoints speedPoints(const QList<Session> &sessions, SpeedUnit unit, int maxPoints) {
    SpeedPoints points;
    if (sessions.size() <= maxPoints) {
        for (const Session &s : sessions) {
            const auto x = static_cast<double>(s.startedMs);
            points.real.append({x, s.realSpeed(unit)});
            points.nominal.append({x, s.nominalSpeed(unit)});
            if (s.checked())
                points.effective.append({x, s.effectiveSpeed(unit)});
        }
        return points;
    }
    const QDate first = QDateTime::fromMSecsSinceEpoch(sessions.first().startedMs).date();
    const auto days = static_cast<int>(
        first.daysTo(QDateTime::fromMSecsSinceEpoch(sessions.last().startedMs).date()) + 1);
    int step = 1;
    points.step = SpeedPoints::Step::Day;
    if (days > maxPoints) {
        step = days / 7 > maxPoints ? 30 : 7;
        points.step = step == 7 ? SpeedPoints::Step::Week : SpeedPoints::Step::Month;
    }
    const QList<qint64> starts = dayStarts(first, days);
    qsizetype next = 0;
    for (int day = 0; day < days; day += step) {
        const qint64 end = starts.at(std::min(day + step, days));
        double x = 0, shown = 0, nominal = 0, effective = 0;
        qint64 ms = 0, checkedMs = 0;
        int count = 0;
        for (; next < sessions.size() && sessions.at(next).startedMs < end; ++next) {
            const Session &s = sessions.at(next);
            x += static_cast<double>(s.startedMs);
            shown += static_cast<double>(unit == SpeedUnit::Words ? s.words : s.signs);
            nominal += s.nominalSpeed(unit) * static_cast<double>(s.readingMs);
            ms += s.readingMs;
            if (s.checked()) {
                effective += s.effectiveSpeed(unit) * static_cast<double>(s.readingMs);
                checkedMs += s.readingMs;
            }
            ++count;
        }
        if (count == 0 || ms <= 0)
            continue;
        points.real.append({x / count, shown * 60000.0 / static_cast<double>(ms)});
        points.nominal.append({x / count, nominal / static_cast<double>(ms)});
        if (checkedMs > 0)
            points.effective.append({x / count, effective / static_cast<double>(checkedMs)});
    }
    return points;
}

SpeedChartView::SpeedChartView(QWidget *parent) : QChartView(parent) {
    QChart *chart = plainChart(QStringLiteral("Скорость чтения"));
    m_nominal = lineSeries(QStringLiteral("Номинальная скорость"), QColor(150, 150, 150), 1.5,
                           Qt::DashLine);
    m_real =
        lineSeries(QStringLiteral("Реальная скорость"), QColor(31, 101, 180), 2, Qt::SolidLine);
    m_effective =
        lineSeries(QStringLiteral("Эффективная скорость"), QColor(40, 150, 70), 2, Qt::SolidLine);
    m_trend = lineSeries(QStringLiteral("Тренд"), QColor(222, 110, 20), 2.5, Qt::SolidLine);
    m_time = new QCategoryAxis;
    m_time->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    m_speed = new QValueAxis;
    m_speed->setLabelFormat(QStringLiteral("%d"));
    chart->addAxis(m_time, Qt::AlignBottom);
    chart->addAxis(m_speed, Qt::AlignLeft);
    for (QLineSeries *series : {m_nominal, m_real, m_effective, m_trend}) {
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
    const SpeedPoints points = speedPoints(sessions, unit, MaxPoints);
    double top = 0;
    for (const QList<QPointF> *line : {&points.real, &points.nominal}) {
        for (const QPointF &p : *line)
            top = std::max(top, p.y());
    }
    // The trend follows every session, not the averages drawn.
    QList<QPointF> trend;
    QList<QPointF> each;
    each.reserve(sessions.size());
    for (const Session &s : sessions)
        each.append({static_cast<double>(s.startedMs), s.realSpeed(unit)});
    if (const std::optional<Trend> t = trendOf(each)) {
        const double first = each.first().x(), last = each.last().x();
        trend = {{first, std::max(0.0, t->at(first))}, {last, std::max(0.0, t->at(last))}};
    }
    const bool marked = points.real.size() <= MarkedPoints;
    m_real->setPointsVisible(marked);
    m_nominal->setPointsVisible(marked);
    m_effective->setPointsVisible(marked);
    m_effective->replace(points.effective);
    m_real->replace(points.real);
    m_nominal->replace(points.nominal);
    m_trend->replace(trend);

    QString title = QStringLiteral("Скорость чтения");
    switch (points.step) {
    case SpeedPoints::Step::Session:
        if (sessions.isEmpty())
            title = QStringLiteral("Скорость чтения: за этот период сеансов нет");
        break;
    case SpeedPoints::Step::Day:
        title += QStringLiteral(" (в среднем за день)");
        break;
    case SpeedPoints::Step::Week:
        title += QStringLiteral(" (в среднем за неделю)");
        break;
    case SpeedPoints::Step::Month:
        title += QStringLiteral(" (в среднем за месяц)");
        break;
    }
    chart()->setTitle(title);
    m_fromMs = std::min(fromMs, toMs - DayMs);
    m_toMs = toMs;
    m_time->setRange(static_cast<double>(m_fromMs), static_cast<double>(m_toMs));
    m_time->setStartValue(static_cast<double>(m_fromMs));
    setLabels(m_time, timeLabels(m_fromMs, m_toMs, TimeLabelCount));
    setNiceRange(m_speed, top, 1000);
    m_speed->setTitleText(perMinuteText(unit));
}

DailyChartView::DailyChartView(QWidget *parent) : QChartView(parent) {
    QChart *chart = plainChart(QStringLiteral("Минуты по дням"));
    m_minutes = new QBarSet(QStringLiteral("Чтение"));
    m_minutes->setColor(QColor(46, 139, 110));
    m_minutes->setBorderColor(QColor(46, 139, 110));
    m_exercises = new QBarSet(QStringLiteral("Упражнения"));
    m_exercises->setColor(QColor(222, 140, 40));
    m_exercises->setBorderColor(QColor(222, 140, 40));
    auto *series = new QStackedBarSeries;
    series->append(m_minutes);
    series->append(m_exercises);
    series->setBarWidth(0.75);
    m_days = new QCategoryAxis;
    m_days->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    m_axis = new QValueAxis;
    m_axis->setLabelFormat(QStringLiteral("%d"));
    m_axis->setTitleText(QStringLiteral("минут"));
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

void DailyChartView::showSessions(const QList<Session> &sessions, QDate first, QDate last,
                                  const QList<ExerciseRecord> &exercises) {
    const MinuteBars bars = minuteBars(sessions, first, last, exercises);
    const double days = static_cast<double>(first.daysTo(last) + 1);
    // Bar i is centred on i; a midnight sits on the edge between two bars, as on the speed
    // chart's axis, and the labels are the speed chart's.
    const auto at = [&](qint64 ms) {
        const QDate day = QDateTime::fromMSecsSinceEpoch(ms).date();
        return static_cast<double>(first.daysTo(day)) / bars.bucketDays - 0.5;
    };
    const qint64 fromMs = first.startOfDay().toMSecsSinceEpoch();
    const qint64 toMs = last.addDays(1).startOfDay().toMSecsSinceEpoch();
    setLabels(m_days, {});
    for (const auto &[ms, text] : timeLabels(fromMs, toMs, TimeLabelCount))
        m_days->append(text, at(ms));
    m_days->setStartValue(-0.5);
    m_days->setRange(-0.5, days / bars.bucketDays - 0.5);
    m_minutes->remove(0, m_minutes->count());
    m_minutes->append(bars.minutes);
    m_exercises->remove(0, m_exercises->count());
    m_exercises->append(bars.exerciseMinutes);
    double top = 0;
    for (qsizetype i = 0; i < bars.minutes.size(); ++i)
        top = std::max(top, bars.minutes.at(i) + bars.exerciseMinutes.at(i));
    // The colours need a legend only once there are two.
    chart()->legend()->setVisible(std::any_of(
        bars.exerciseMinutes.begin(), bars.exerciseMinutes.end(), [](double m) { return m > 0; }));
    const QString title = bars.bucketDays == 1   ? QStringLiteral("Минуты по дням")
                          : bars.bucketDays == 7 ? QStringLiteral("Минуты по неделям")
                                                 : QStringLiteral("Минуты по месяцам");
    chart()->setTitle(title);
    setNiceRange(m_axis, top, 30);
}

ExerciseChartView::ExerciseChartView(QWidget *parent) : QChartView(parent) {
    QChart *chart = plainChart(QStringLiteral("Время таблицы (медиана за день)"));
    m_time = new QCategoryAxis;
    m_time->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    m_seconds = new QValueAxis;
    m_seconds->setLabelFormat(QStringLiteral("%d"));
    m_seconds->setTitleText(QStringLiteral("секунд"));
    chart->addAxis(m_time, Qt::AlignBottom);
    chart->addAxis(m_seconds, Qt::AlignLeft);
    setChart(chart);
    setRenderHint(QPainter::Antialiasing);
    setMinimumSize(320, 200);
}

void ExerciseChartView::showExercises(const QList<ExerciseRecord> &exercises, qint64 fromMs,
                                      qint64 toMs) {
    chart()->removeAllSeries();
    QList<TableChoice> choices;
    for (const ExerciseRecord &r : exercises) {
        if (!choices.contains(r.choice))
            choices.append(r.choice);
    }
    std::sort(choices.begin(), choices.end(), [](TableChoice a, TableChoice b) {
        return std::pair(a.kind, a.size) < std::pair(b.kind, b.size);
    });
    static const QColor colours[] = {QColor(31, 101, 180), QColor(222, 110, 20),
                                     QColor(46, 139, 110), QColor(160, 50, 160),
                                     QColor(190, 40, 40),  QColor(100, 100, 100)};
    double top = 0;
    int n = 0;
    for (TableChoice choice : choices) {
        const QList<QPointF> points = dailyMedians(exercises, choice);
        auto *series =
            lineSeries(QStringLiteral("%1 %2×%2").arg(kindName(choice.kind)).arg(choice.size),
                       colours[n++ % std::size(colours)], 2, Qt::SolidLine);
        series->setPointsVisible(points.size() <= MarkedPoints);
        series->replace(points);
        for (const QPointF &p : points)
            top = std::max(top, p.y());
        chart()->addSeries(series);
        series->attachAxis(m_time);
        series->attachAxis(m_seconds);
    }
    chart()->setTitle(exercises.isEmpty() ? QStringLiteral("Упражнения: за этот период их нет")
                                          : QStringLiteral("Время таблицы (медиана за день)"));
    const qint64 from = std::min(fromMs, toMs - DayMs);
    m_time->setRange(static_cast<double>(from), static_cast<double>(toMs));
    m_time->setStartValue(static_cast<double>(from));
    setLabels(m_time, timeLabels(from, toMs, TimeLabelCount));
    setNiceRange(m_seconds, top, 60);
}

} // namespace zk
