#include "training/SpeedLadder.h"

#include "reading/DelaySteps.h"

#include <QList>

#include <algorithm>

namespace zk {

namespace {

const QList<int> &walk() {
    static const QList<int> values = [] {
        QList<int> w;
        for (int v = DelaySteps::Minimum; v <= DelaySteps::Maximum;
             v = DelaySteps::snap(v + DelaySteps::stepFor(v)))
            w.append(v);
        return w;
    }();
    return values;
}

} // namespace

int SpeedLadder::shorter(int delayMs) {
    const QList<int> &w = walk();
    const auto it = std::lower_bound(w.cbegin(), w.cend(), delayMs);
    return it == w.cbegin() ? w.first() : *(it - 1);
}

int SpeedLadder::longer(int delayMs) {
    const QList<int> &w = walk();
    const auto it = std::upper_bound(w.cbegin(), w.cend(), delayMs);
    return it == w.cend() ? w.last() : *it;
}

SpeedLadder::Step SpeedLadder::next(int delayMs, const CheckScore &score) {
    Step s{delayMs, delayMs, {}};
    const int percent = score.percent();
    if (percent >= FasterFromPercent)
        s.to = shorter(delayMs);
    else if (percent <= SlowerUpToPercent)
        s.to = longer(delayMs);
    const QString understood = QStringLiteral("понято %1 из %2").arg(score.right).arg(score.asked);
    s.message =
        s.to != s.from
            ? QStringLiteral("Задержка %1 → %2 мс: %3").arg(s.from).arg(s.to).arg(understood)
            : QStringLiteral("Задержка %1 мс без изменений: %2").arg(s.from).arg(understood);
    return s;
}

} // namespace zk
