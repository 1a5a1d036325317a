#pragma once

#include "reading/ReadingState.h"
#include "training/SentenceSplitter.h"

#include <optional>

namespace zk {

enum class ReadingStep { SentenceBack, SentenceForward, ParagraphBack, ParagraphForward };

// Where a step by sentence or paragraph takes the reading, found with the same
// splitter as the comprehension check.
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
};

} // namespace zk
