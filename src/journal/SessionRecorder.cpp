#include "journal/SessionRecorder.h"

#include <utility>

namespace zk {

SessionRecorder::SessionRecorder(const Clock &clock, WallClock wall)
    : m_clock(clock), m_wall(std::move(wall)) {}

void SessionRecorder::start(const RunSettings &settings, int percent) {
    m_running = true;
    m_suspended = false;
    m_session = Session();
    m_session.startedMs = m_wall();
    m_session.settings = settings;
    m_session.percentStart = percent;
    m_startMono = m_clock.nowMs();
    m_suspendedMs = 0;
    m_words = m_signs = m_pieces = 0;
}

void SessionRecorder::suspend() {
    if (!m_running || m_suspended)
        return;
    m_suspended = true;
    m_suspendedSince = m_clock.nowMs();
}

void SessionRecorder::resume() {
    if (!m_running || !m_suspended)
        return;
    m_suspended = false;
    m_suspendedMs += m_clock.nowMs() - m_suspendedSince;
}

void SessionRecorder::countsRestarting(int words, int signs) {
    if (!m_running)
        return;
    m_words += words;
    m_signs += signs;
}

qint64 SessionRecorder::readingMs() const {
    const qint64 now = m_clock.nowMs();
    const qint64 held = m_suspendedMs + (m_suspended ? now - m_suspendedSince : 0);
    return std::max<qint64>(0, now - m_startMono - held);
}

std::optional<Session> SessionRecorder::finish(int words, int signs, int percent) {
    if (!m_running)
        return std::nullopt;
    m_running = false;
    Session s = m_session;
    s.endedMs = m_wall();
    s.readingMs = readingMs();
    s.words = m_words + words;
    s.signs = m_signs + signs;
    s.pieces = m_pieces;
    s.percentEnd = percent;
    if (s.readingMs < MinimumReadingMs || s.words <= 0)
        return std::nullopt;
    return s;
}

} // namespace zk
