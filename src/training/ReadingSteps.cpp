#include "training/ReadingSteps.h"

#include "reading/Chunker.h"

namespace zk {

namespace {

bool before(LinePosition a, LinePosition b) {
    return a.line < b.line || (a.line == b.line && a.column < b.column);
}

bool isBlankLine(const QString &line) {
    return Chunker::trimmed(line).isEmpty();
}

// Word starts of a line, in order.
QList<qsizetype> wordStarts(const QString &line) {
    QList<qsizetype> starts;
    for (qsizetype i = 0; i < line.size(); ++i) {
        if (line.at(i).unicode() > 32 && (i == 0 || line.at(i - 1).unicode() <= 32))
            starts.append(i);
    }
    return starts;
}

} // namespace

LinePosition ReadingSteps::nextWord(const ChunkerHost &host, const ReadingState &state) {
    const int lines = host.lineCount();
    int line = state.CurrentLine;
    qsizetype words = state.ReadBuffer.split(QLatin1Char(' '), Qt::SkipEmptyParts).size();
    // Taking in the last line has wrapped the position to the top.
    if (line == 0 && state.EndReached && !state.ReadingFinished &&
        (words > 0 || state.TextExhausted))
        line = lines;
    if (words == 0)
        return {std::min(line, lines), 0};
    for (int l = std::min(line, lines) - 1; l >= 0; --l) {
        const QList<qsizetype> starts = wordStarts(host.line(l));
        if (starts.size() >= words)
            return {l, starts.at(starts.size() - words)};
        words -= starts.size();
    }
    return {0, 0};
}

bool ReadingSteps::startsParagraph(const ChunkerHost &host, int line) {
    const QString text = host.line(line);
    if (isBlankLine(text))
        return false;
    if (line == 0 || text.at(0).unicode() <= 32)
        return true;
    const QString previous = Chunker::trimmed(host.line(line - 1));
    if (previous.isEmpty())
        return true;
    QChar last = previous.back();
    for (qsizetype i = previous.size() - 1;
         i > 0 && (last == u'"' || last == u')' || last == u'»' || last == u'\''); --i)
        last = previous.at(i - 1);
    return SentenceSplitter::isTerminator(last);
}

std::optional<LinePosition> ReadingSteps::target(const ChunkerHost &host, LinePosition next,
                                                 ReadingStep step) {
    const int lines = host.lineCount();
    const bool back = step == ReadingStep::SentenceBack || step == ReadingStep::ParagraphBack;
    if (step == ReadingStep::ParagraphBack || step == ReadingStep::ParagraphForward) {
        if (back) {
            for (int l = std::min(next.line, lines - 1); l >= 0; --l) {
                if (startsParagraph(host, l) && before({l, 0}, next))
                    return LinePosition{l, 0};
            }
            return next;
        }
        for (int l = next.line + 1; l < lines; ++l) {
            if (startsParagraph(host, l))
                return LinePosition{l, 0};
        }
        return std::nullopt;
    }

    // Start the window at a paragraph, so its first sentence is whole.
    int first = std::max(0, next.line - Reach);
    while (first > 0 && first > next.line - 2 * Reach && !startsParagraph(host, first))
        --first;
    const int end = std::min(lines, next.line + Reach);
    QStringList window;
    window.reserve(end - first);
    for (int l = first; l < end; ++l)
        window.append(host.line(l));
    const QList<LineSentence> found = SentenceSplitter::sentences(window, 0, int(window.size()));
    auto shifted = [first](LinePosition p) { return LinePosition{p.line + first, p.column}; };
    if (back) {
        for (qsizetype i = found.size() - 1; i >= 0; --i) {
            const LinePosition begin = shifted(found.at(i).begin);
            if (before(begin, next))
                return begin;
        }
        return found.isEmpty() ? next : shifted(found.first().begin);
    }
    for (const LineSentence &s : found) {
        const LinePosition begin = shifted(s.begin);
        if (before(next, begin))
            return begin;
    }
    if (end < lines)
        return LinePosition{end, 0};
    return std::nullopt;
}

} // namespace zk
