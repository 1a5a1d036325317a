#pragma once

#include <QElapsedTimer>

namespace zk {

// Monotonic milliseconds; tests replace it to drive durations.
class Clock {
public:
    virtual ~Clock() = default;
    virtual qint64 nowMs() const = 0;
};

class SteadyClock final : public Clock {
public:
    SteadyClock() { m_timer.start(); }
    qint64 nowMs() const override { return m_timer.elapsed(); }

private:
    QElapsedTimer m_timer;
};

class ManualClock final : public Clock {
public:
    qint64 nowMs() const override { return m_now; }
    void advance(qint64 ms) { m_now += ms; }
    void set(qint64 ms) { m_now = ms; }

private:
    qint64 m_now = 0;
};

} // namespace zk
