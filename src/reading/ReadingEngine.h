#pragma once

#include "reading/Chunker.h"

#include <QStringList>

namespace zk {

// The reading state with its chunker, and the rule of one reading tick.
class ReadingEngine final {
public:
    explicit ReadingEngine(ChunkerHost &host) : m_host(host), m_chunker(m_state, host) {}

    enum class TickOutcome { Finished, Paused, Built };

    // One tick of the reading timer. When it builds, `pieces` receives one piece
    // per row in use (LineCount), or none when no window shows rows.
    TickOutcome Tick(bool rowsShown, QStringList &pieces);

    // Start clears the end-of-text flags; the buffer, position and pending pauses stay.
    void prepareStart();
    // A jump of the reading position.
    void jumpTo(int line);
    // Reading goes on from this place at the next tick, without the pending pause.
    void placeAt(int line, qsizetype column);

    ReadingState &state() { return m_state; }
    const ReadingState &state() const { return m_state; }
    Chunker &chunker() { return m_chunker; }

private:
    ReadingState m_state;
    ChunkerHost &m_host;
    Chunker m_chunker;
};

} // namespace zk
