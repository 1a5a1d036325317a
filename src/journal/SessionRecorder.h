#pragma once

#include "display/Clock.h"
#include "journal/Session.h"

#include <optional>

namespace zk {

// Follows one run of reading from Start to its end and turns it into a
// session. It never touches the database, so the reading tick may feed it.
class SessionRecorder final {
public:
    // Runs shorter than this are not worth a session.
    static constexpr qint64 MinimumReadingMs = 5000;

    // `clock` is the monotonic clock of the statistics, `wall` dates the session.
    SessionRecorder(const Clock &clock, WallClock wall);

    // After Start has restarted the counting.
    void start(const RunSettings &settings, int percent);
    bool running() const { return m_running; }
    const RunSettings &settings() const { return m_session.settings; }

    // Reading held while a dialog is open, the program is inactive or the
    // position jumps: that time is not reading time. Repeated calls are harmless.
    void suspend();
    void resume();

    // The statistics' counts are about to be zeroed: keep what they hold.
    void countsRestarting(int words, int signs);
    // Pieces put on the rows by one reading tick.
    void piecesShown(int pieces) { m_pieces += m_running ? pieces : 0; }

    // The run ended with the statistics' current counts. The session, unless
    // it was too short or showed nothing; the recorder is idle afterwards.
    std::optional<Session> finish(int words, int signs, int percent);

private:
    qint64 readingMs() const;

    const Clock &m_clock;
    WallClock m_wall;
    bool m_running = false;
    bool m_suspended = false;
    Session m_session;
    qint64 m_startMono = 0;
    qint64 m_suspendedSince = 0;
    qint64 m_suspendedMs = 0;
    qint64 m_words = 0;
    qint64 m_signs = 0;
    qint64 m_pieces = 0;
};

} // namespace zk
