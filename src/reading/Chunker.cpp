#include "reading/Chunker.h"

namespace zk {

bool Chunker::isPunctuation(QChar c) {
    switch (c.unicode()) {
    case '!':
    case '"':
    case '\'':
    case ')':
    case ',':
    case '.':
    case ':':
    case ';':
    case '?':
        return true;
    default:
        return false;
    }
}

bool Chunker::isSentenceEnd(QChar c) {
    return c == QLatin1Char('.') || c == QLatin1Char('!') || c == QLatin1Char('?');
}

bool Chunker::isCapital(QChar c) {
    const char16_t u = c.unicode();
    return (u >= u'A' && u <= u'Z') || (u >= 0x0410 && u <= 0x042F);
}

QString Chunker::trimmed(const QString &s) {
    qsizetype begin = 0;
    qsizetype end = s.size();
    while (begin < end && s.at(begin).unicode() <= 32)
        ++begin;
    while (end > begin && s.at(end - 1).unicode() <= 32)
        --end;
    if (begin == 0 && end == s.size())
        return s;
    return s.mid(begin, end - begin);
}

int Chunker::progressOf(int line, int lineCount) {
    if (lineCount <= 0)
        return 0;
    return static_cast<int>(static_cast<qint64>(line) * 100 / lineCount);
}

qsizetype Chunker::signCount(QStringView s) {
    qsizetype pairs = 0;
    for (qsizetype i = 1; i < s.size(); ++i) {
        if (s[i].isLowSurrogate() && s[i - 1].isHighSurrogate()) {
            ++pairs;
            ++i;
        }
    }
    return s.size() - pairs;
}

namespace {

// Where the first `signs` characters of s end, in UTF-16 units.
qsizetype unitsOfSigns(QStringView s, qsizetype signs) {
    qsizetype i = 0;
    for (; signs > 0 && i < s.size(); --signs)
        i += s[i].isHighSurrogate() && i + 1 < s.size() && s[i + 1].isLowSurrogate() ? 2 : 1;
    return i;
}

} // namespace

bool Chunker::ReplaceTabs(QString &text) {
    if (!text.contains(QLatin1Char('\t')))
        return false;
    text.replace(QLatin1Char('\t'), QLatin1Char(' '));
    return true;
}

void Chunker::normalizeBuffer() {
    m_state.ReadBuffer = trimmed(m_state.ReadBuffer) + QLatin1Char(' ');
}

void Chunker::pushFront(const QString &word) {
    // A used-up buffer is a lone space; keep exactly one space at the end.
    if (m_state.ReadBuffer.size() <= 1)
        m_state.ReadBuffer = word + QLatin1Char(' ');
    else
        m_state.ReadBuffer = word + QLatin1Char(' ') + m_state.ReadBuffer;
}

void Chunker::FeedReadBuffer() {
    const ReadingOptions o = m_host.options();
    const int lines = m_host.lineCount();
    if (lines <= 0) {
        // Nothing to take in: the text is used up.
        m_state.TextExhausted = true;
        normalizeBuffer();
        return;
    }
    bool join = false;
    // A whole cycle over the text that leaves the buffer no longer means the
    // text adds nothing (blank lines, lone hyphens): stop instead of looping.
    int linesWithoutGrowth = 0;
    qsizetype longest = trimmed(m_state.ReadBuffer).size();

    while (join || (m_state.ReadBuffer.size() < FillUpTo && !m_state.TextExhausted)) {
        const QString line = trimmed(m_host.line(m_state.CurrentLine));
        QString buffer = trimmed(m_state.ReadBuffer);
        if (join) {
            buffer += line;
            join = false;
        } else {
            buffer += QLatin1Char(' ');
            buffer += line;
        }
        m_state.ReadBuffer = buffer;
        ++m_state.CurrentLine;

        bool lastLine = false;
        if (m_state.CurrentLine >= lines) {
            m_state.CurrentLine = 0;
            m_state.EndReached = true;
            lastLine = true;
            if (m_state.ReadBuffer.size() > EndCutOff) {
                normalizeBuffer();
                m_state.TextExhausted = true;
                return;
            }
            if (!o.ReadNonStop)
                m_state.TextExhausted = true;
        }

        m_host.setProgress(progressOf(m_state.CurrentLine, lines));

        const qsizetype length = trimmed(m_state.ReadBuffer).size();
        if (length > longest) {
            longest = length;
            linesWithoutGrowth = 0;
        } else if (++linesWithoutGrowth >= lines) {
            m_state.TextExhausted = true;
            normalizeBuffer();
            return;
        }

        // A hyphen at the end of the very last line has nothing to join with; it stays.
        const bool canJoin = !(lastLine && m_state.TextExhausted);
        if (o.DelMin && canJoin && m_state.ReadBuffer.endsWith(QLatin1Char('-'))) {
            m_state.ReadBuffer.chop(1);
            join = true;
            continue;
        }
        normalizeBuffer();
    }
    if (!m_state.ReadBuffer.endsWith(QLatin1Char(' ')) ||
        m_state.ReadBuffer.startsWith(QLatin1Char(' ')))
        normalizeBuffer();
}

QString Chunker::TakeWord() {
    if (m_state.ReadBuffer.size() < RefillBelow)
        FeedReadBuffer();

    QString word;
    const qsizetype space = m_state.ReadBuffer.indexOf(QLatin1Char(' '));
    if (space >= 0) {
        word = m_state.ReadBuffer.left(space + 1);
        m_state.ReadBuffer.remove(0, space + 1);
    }
    normalizeBuffer();
    word = trimmed(word);

    const ReadingOptions o = m_host.options();
    if (o.SmartPause && o.ReactOnSigns && !m_state.SentenceEnded && !word.isEmpty() &&
        isCapital(word.at(0)))
        m_state.PauseTicks += 2;
    m_state.SentenceEnded = false;

    // Below 3 the cut would hold no letter, and a cut part put back by BuildPiece would be cut
    // again into a stray "-": cut as if the capacity were 3.
    const int capacity = std::max(m_state.RowCapacity, 3);
    if (signCount(word) <= capacity)
        return word;

    QString rest = word;
    const qsizetype hyphenAt = word.indexOf(QLatin1Char('-'));
    // 1-based, in signs; 0 if none.
    const qsizetype hyphen = hyphenAt < 0 ? 0 : signCount(QStringView(word).left(hyphenAt)) + 1;
    if (hyphen < capacity && hyphen > 2) {
        word.truncate(hyphenAt + 1);
        rest.remove(0, hyphenAt + 1);
    } else {
        const qsizetype keep = unitsOfSigns(word, capacity - 2);
        word.truncate(keep);
        word += QLatin1Char('-');
        rest.remove(0, keep);
    }
    pushFront(rest);
    --m_state.WordCount;
    return word;
}

void Chunker::addPunctuationTicks(const QString &piece, const ReadingOptions &o) {
    if (o.ShortPause)
        m_state.PauseTicks += 1;
    if (o.LongPause)
        m_state.PauseTicks += 2;
    if (o.SmartPause) {
        m_state.PauseTicks += 1;
        if (isSentenceEnd(piece.back())) {
            m_state.SentenceEnded = true;
            m_state.PauseTicks += 1;
        }
    }
}

int Chunker::longWordTicks(QStringView piece) {
    int longest = 0;
    int letters = 0;
    for (const QChar c : piece) {
        letters = c.isLetter() ? letters + 1 : c == QLatin1Char(' ') ? 0 : letters;
        longest = std::max(longest, letters);
    }
    return longest >= 15 ? 2 : longest >= 10 ? 1 : 0;
}

QString Chunker::finished(const QString &piece, const ReadingOptions &o) {
    if (o.LongWords && o.ReactOnSigns)
        m_state.PauseTicks += longWordTicks(piece);
    return piece;
}

QString Chunker::BuildPiece() {
    QString piece = TakeWord();
    if (piece.isEmpty()) {
        m_state.ReadingFinished = true;
        return piece;
    }
    ++m_state.WordCount;
    qsizetype signs = signCount(piece);
    m_state.SignCount += static_cast<int>(signs);

    ReadingOptions o = m_host.options();
    if (o.ReactOnSigns && isPunctuation(piece.back())) {
        addPunctuationTicks(piece, o);
        return finished(piece, o);
    }
    for (;;) {
        const QString next = TakeWord();
        if (next.isEmpty())
            return finished(piece, o);
        const qsizetype nextSigns = signCount(next);
        const qsizetype candidate = signs + 1 + nextSigns;
        if (candidate < m_state.RowCapacity && candidate < m_host.rowLength()) {
            piece += QLatin1Char(' ') + next;
            signs = candidate;
            ++m_state.WordCount;
            m_state.SignCount += static_cast<int>(nextSigns);
            o = m_host.options();
            if (o.ReactOnSigns && isPunctuation(piece.back())) {
                addPunctuationTicks(piece, o);
                return finished(piece, o);
            }
        } else {
            pushFront(next);
            return finished(piece, o);
        }
    }
}

} // namespace zk
