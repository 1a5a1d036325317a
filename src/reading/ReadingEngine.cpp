#include "reading/ReadingEngine.h"

namespace zk {

ReadingEngine::TickOutcome ReadingEngine::Tick(bool rowsShown, QStringList &pieces) {
    pieces.clear();
    if (m_state.ReadingFinished)
        return TickOutcome::Finished;
    if (m_state.PauseTicks > 0) {
        --m_state.PauseTicks;
        return TickOutcome::Paused;
    }
    if (rowsShown) {
        for (int i = 0; i < m_state.LineCount; ++i)
            pieces.append(m_chunker.BuildPiece());
    }
    const int lines = m_host.lineCount();
    if (lines > 0)
        m_host.setProgress(Chunker::progressOf(m_state.CurrentLine, lines));
    return TickOutcome::Built;
}

void ReadingEngine::prepareStart() {
    m_state.TextExhausted = false;
    m_state.ReadingFinished = false;
    m_state.EndReached = false;
}

void ReadingEngine::jumpTo(int line) {
    m_state.ReadBuffer.clear();
    m_state.CurrentLine = line;
}

} // namespace zk
