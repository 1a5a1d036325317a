#pragma once

#include "display/Clock.h"

#include <QString>

namespace zk {

// Reading time, working time and speed counting.
class Statistics final {
public:
    explicit Statistics(const Clock &clock) : m_clock(clock) {}

    struct Speeds {
        bool shown = false; // speeds are shown only when the signs speed is not 0
        int words = 0;
        int signs = 0;
    };

    // Restart of speed counting: the phase starts again at -6.
    void BeginToCount();
    // One T2 tick: advances the phase; true when the speeds are due.
    bool advancePhase();
    Speeds computeSpeeds(int wordCount, int signCount) const;

    void setReadingClockOn() { m_readingClockOn = true; }
    void startReading();             // Start
    void stopReading();              // Stop
    void resetReadingTime();         // double-click on the reading time
    void resetWorkTime();            // double-click on the working time
    qint64 readingElapsedMs() const; // accumulated + current run
    qint64 workElapsedMs() const;

    bool readingClockOn() const { return m_readingClockOn; }
    int speedPhase() const { return m_speedPhase; }

    // Whole seconds, hours wrapped at 24: "H:MM:SS".
    static QString timeText(qint64 ms);
    static int timeToSeconds(qint64 ms);
    static Speeds speedsFor(int wordCount, int signCount, int seconds);

private:
    const Clock &m_clock;
    qint64 m_workStart = 0;
    qint64 m_readingStart = 0;
    qint64 m_readingAccumulated = 0;
    qint64 m_countStart = 0;
    int m_speedPhase = 0;
    bool m_readingClockOn = false;
};

} // namespace zk
