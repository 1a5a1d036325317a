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

    int end = 0;
    const QList<LineSentence> found = sentencesAround(host, next.line, &end);
    if (back) {
        for (qsizetype i = found.size() - 1; i >= 0; --i) {
            const LinePosition begin = found.at(i).begin;
            if (before(begin, next))
                return begin;
        }
        return found.isEmpty() ? next : found.first().begin;
    }
    for (const LineSentence &s : found) {
        const LinePosition begin = s.begin;
        if (before(next, begin))
            return begin;
    }
    if (end < lines)
        return LinePosition{end, 0};
    return std::nullopt;
}

QList<LineSentence> ReadingSteps::sentencesAround(const ChunkerHost &host, int line, int *end) {
    // Start the window at a paragraph, so its first sentence is whole.
    int first = std::max(0, line - Reach);
    while (first > 0 && first > line - 2 * Reach && !startsParagraph(host, first))
        --first;
    *end = std::min(host.lineCount(), line + Reach);
    QStringList window;
    window.reserve(*end - first);
    for (int l = first; l < *end; ++l)
        window.append(host.line(l));
    QList<LineSentence> found = SentenceSplitter::sentences(window, 0, int(window.size()));
    for (LineSentence &s : found) {
        s.begin.line += first;
        s.end.line += first;
    }
    return found;
}

ContextText ReadingSteps::context(const ChunkerHost &host, LinePosition next, int shownWords) {
    int end = 0;
    const QList<LineSentence> found = sentencesAround(host, next.line, &end);
    qsizetype k = -1;
    for (qsizetype i = 0; i < found.size(); ++i) {
        const bool holds = shownWords > 0
                               ? before(found.at(i).begin, next)
                               : !before(found.at(i).begin, next) || before(next, found.at(i).end);
        if (holds)
            k = i;
        if (shownWords <= 0 && holds)
            break;
    }
    if (k < 0)
        return {};
    const LinePosition from = found.at(k).begin;
    const LinePosition to = found.at(std::min(k + 1, found.size() - 1)).end;
    ContextText out;
    qsizetype nextAt = -1;
    for (int l = from.line; l <= to.line; ++l) {
        const QString text = host.line(l);
        const qsizetype a = l == from.line ? from.column : 0;
        const qsizetype b = l == to.line ? to.column : text.size();
        if (!out.text.isEmpty() && !out.text.endsWith(u' '))
            out.text += u' ';
        if (l == next.line && next.column >= a)
            nextAt = out.text.size() + (next.column - a);
        out.text += text.mid(a, b - a).trimmed();
    }
    if (nextAt < 0 || shownWords <= 0)
        return out;
    // Back over the shown words, from just before the next one.
    qsizetype start = std::min(nextAt, out.text.size());
    while (start > 0 && out.text.at(start - 1).unicode() <= 32)
        --start;
    out.markEnd = start;
    for (int w = 0; w < shownWords && start > 0; ++w) {
        while (start > 0 && out.text.at(start - 1).unicode() <= 32)
            --start;
        while (start > 0 && out.text.at(start - 1).unicode() > 32)
            --start;
    }
    out.markStart = start;
    return out;
}

} // namespace zk
