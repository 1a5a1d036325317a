#pragma once

#include <QString>

namespace zk {

// Program-wide reading state shared by the chunker, the reading tick, the
// position jumps and the settings.
struct ReadingState {
    QString ReadBuffer;  // pending words; no leading blank, one trailing space
    int CurrentLine = 0; // next editor line to take in
    bool TextExhausted = false;
    bool ReadingFinished = false;
    bool EndReached = false; // the last line was taken in since Start, reading non-stop or not
    bool SentenceEnded = false;
    int PauseTicks = 0;
    int WordCount = 0;
    int SignCount = 0;
    int RowCapacity = 50; // characters that fit in a row; 50 until measured
    int LineCount = 1;    // display rows in use
};

// The reading options as the chunker sees them; the menu items stay their owner.
struct ReadingOptions {
    bool ReactOnSigns = true;
    bool WithoutPause = true;
    bool ShortPause = false;
    bool LongPause = false;
    bool SmartPause = false;
    bool DelMin = false;
    bool ReadNonStop = false;
    bool LongWords = false; // extra pause ticks for long words
};

// What the chunker needs from the rest of the program.
class ChunkerHost {
public:
    virtual ~ChunkerHost() = default;
    virtual int lineCount() const = 0;
    // A line outside the text reads as empty.
    virtual QString line(int index) const = 0;
    virtual ReadingOptions options() const = 0;
    virtual int rowLength() const = 0;
    virtual void setProgress(int percent) = 0;
};

} // namespace zk
