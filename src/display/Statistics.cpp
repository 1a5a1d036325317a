#include "display/Statistics.h"

#include <cmath>

namespace zk {

void Statistics::BeginToCount() {
    m_countStart = m_clock.nowMs();
    m_speedPhase = -6;
}

bool Statistics::advancePhase() {
    ++m_speedPhase;
    if (m_speedPhase == 4)
        m_speedPhase = 0;
    return m_speedPhase == 3;
}

int Statistics::timeToSeconds(qint64 ms) {
    if (ms < 0)
        ms = 0;
    return static_cast<int>((ms / 1000) % 86400);
}

Statistics::Speeds Statistics::speedsFor(int wordCount, int signCount, int seconds) {
    Speeds s;
    if (seconds <= 0)
        return s;
    const qint64 w = static_cast<qint64>(wordCount) * 60 / seconds;
    s.words = static_cast<int>(w / 10 * 10);
    const qint64 c = static_cast<qint64>(signCount) * 60 / seconds;
    s.signs = static_cast<int>(std::trunc(static_cast<double>(c) / 100.0)) * 100;
    s.shown = s.signs != 0;
    return s;
}

Statistics::Speeds Statistics::computeSpeeds(int wordCount, int signCount) const {
    return speedsFor(wordCount, signCount, timeToSeconds(m_clock.nowMs() - m_countStart));
}

void Statistics::startReading() {
    m_readingStart = m_clock.nowMs();
}

void Statistics::stopReading() {
    m_readingAccumulated += m_clock.nowMs() - m_readingStart;
}

void Statistics::resetReadingTime() {
    m_readingAccumulated = 0;
    m_readingStart = m_clock.nowMs();
}

void Statistics::resetWorkTime() {
    m_workStart = m_clock.nowMs();
}

qint64 Statistics::readingElapsedMs() const {
    return m_clock.nowMs() + m_readingAccumulated - m_readingStart;
}

qint64 Statistics::workElapsedMs() const {
    return m_clock.nowMs() - m_workStart;
}

QString Statistics::timeText(qint64 ms) {
    const int total = timeToSeconds(ms);
    return QStringLiteral("%1:%2:%3")
        .arg(total / 3600)
        .arg(total / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(total % 60, 2, 10, QLatin1Char('0'));
}

} // namespace zk
