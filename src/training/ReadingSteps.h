#pragma once

#include "reading/ReadingState.h"
#include "training/SentenceSplitter.h"

#include <optional>

namespace zk {

enum class ReadingStep { SentenceBack, SentenceForward, ParagraphBack, ParagraphForward };

// Where a step by sentence or paragraph takes the reading, found with the same
// splitter as the comprehension check.
// The sentence being read and the next one, with the last piece shown.
struct ContextText {
    QString text;
    qsizetype markStart = 0;
    qsizetype markEnd = 0;
};

class ReadingSteps final {
public:
    // Sentences are looked for this many lines around the place, so a step costs
    // the same in a book as in a page.
    static constexpr int Reach = 200;

    // Where the next word to show lies: the buffer holds the tail of the lines taken in.
    static LinePosition nextWord(const ChunkerHost &host, const ReadingState &state);
    // Back goes to the start of the sentence (paragraph) the last shown word belongs to, or
    // stays at the first; forward to the start of the next one, none past the last.
    static std::optional<LinePosition> target(const ChunkerHost &host, LinePosition next,
                                              ReadingStep step);
    // A paragraph starts after a blank line, with an indent, or after a line ending a sentence.
    static bool startsParagraph(const ChunkerHost &host, int line);
    // `shownWords`: words of the last piece shown, which end just before `next`.
    static ContextText context(const ChunkerHost &host, LinePosition next, int shownWords);

private:
    // Sentences within Reach of a line, in the host's lines.
    static QList<LineSentence> sentencesAround(const ChunkerHost &host, int line, int *end);
};

} // namespace zk
