#pragma once

#include "reading/ReadingState.h"

namespace zk {

// Turns editor lines into display pieces.
class Chunker final {
public:
    Chunker(ReadingState &state, ChunkerHost &host) : m_state(state), m_host(host) {}

    void FeedReadBuffer();
    QString TakeWord();
    QString BuildPiece();

    // Replaces every tab by a space; returns whether anything changed.
    static bool ReplaceTabs(QString &text);

    static bool isPunctuation(QChar c);
    static bool isSentenceEnd(QChar c);
    static bool isCapital(QChar c);
    // Removes leading and trailing characters with codes 32 and below.
    static QString trimmed(const QString &s);
    static int progressOf(int line, int lineCount);
    // Characters, not UTF-16 units: a surrogate pair is one sign.
    static qsizetype signCount(QStringView s);

    // Extra pause ticks a piece earns for its longest word: one from 10 letters, two from 15.
    static int longWordTicks(QStringView piece);

    static constexpr int RefillBelow = 100;
    static constexpr int FillUpTo = 400;
    static constexpr int EndCutOff = 1000;

private:
    void addPunctuationTicks(const QString &piece, const ReadingOptions &o);
    QString finished(const QString &piece, const ReadingOptions &o);
    void normalizeBuffer();
    void pushFront(const QString &word);

    ReadingState &m_state;
    ChunkerHost &m_host;
};

} // namespace zk
