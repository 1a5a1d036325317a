#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace zk {

// Where a sentence lies in a text: [start, end), without surrounding spaces.
struct SentenceBounds {
    qsizetype start = 0;
    qsizetype end = 0;
    // Ends with . ! ? or …; a heading or a cut-off tail does not.
    bool terminated = false;
    bool operator==(const SentenceBounds &) const = default;
};

// A place in a list of lines.
struct LinePosition {
    int line = 0;
    qsizetype column = 0;
    bool operator==(const LinePosition &) const = default;
};

struct LineSentence {
    LinePosition begin;
    LinePosition end; // one past the last character
    bool terminated = false;
};

// Splits text into sentences: at . ! ? … (with any closing quotes or brackets)
// followed by a space and a capital letter, a dash or an opening quote, unless the
// point ends a common abbreviation (т. е., т. д., т. п., г., гг., им., стр., рис.,
// см.) or an initial. A blank line always ends a sentence.
class SentenceSplitter final {
public:
    static QList<SentenceBounds> sentences(QStringView text);
    // Lines are joined by a space; a line break before a capital or a dash also ends
    // a sentence (a heading is a sentence of its own, unterminated).
    static QList<LineSentence> sentences(const QStringList &lines, int first, int end);

    static bool isTerminator(QChar c);
    // Whether the point at `dot` ends an abbreviation or an initial.
    static bool isAbbreviationPoint(QStringView text, qsizetype dot);
};

} // namespace zk
