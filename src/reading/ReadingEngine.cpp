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

void ReadingEngine::placeAt(int line, qsizetype column) {
    const QString rest = Chunker::trimmed(m_host.line(line).mid(column));
    m_state.ReadBuffer = rest.isEmpty() ? QString() : rest + QLatin1Char(' ');
    // Past the last line the next refill wraps or ends the text, as reading there would.
    m_state.CurrentLine = line + 1;
    m_state.PauseTicks = 0;
    m_state.SentenceEnded = false;
    m_state.ReadingFinished = false;
    m_state.TextExhausted = false;
}

} // namespace zk
