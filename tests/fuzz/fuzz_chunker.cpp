#include "../reading/FakeHost.h"
#include "FuzzCheck.h"
#include "reading/Chunker.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

// Input: options byte, row capacity byte, row length byte, then UTF-8 text.
//   options bits: 0 ReactOnSigns, 1 WithoutPause, 2 ShortPause, 3 LongPause, 4 SmartPause,
//                 5 DelMin, 6 ReadNonStop
namespace {

constexpr int kEndlessPieces = 5000;

// No blank in front, exactly one space at the end (a used-up buffer is that space alone).
bool bufferIsWellFormed(const QString &b) {
    if (b.isEmpty() || b.back() != QLatin1Char(' '))
        return false;
    if (b.size() == 1)
        return true;
    return b.front().unicode() > 32 && b.at(b.size() - 2).unicode() > 32;
}

// The letters a reader sees: blanks go, and so do hyphens, which cuts add and hyphen removal
// takes away.
QString letters(const QString &text) {
    QString out;
    for (QChar c : text) {
        if (c.unicode() > 32 && c != QLatin1Char('-'))
            out.append(c);
    }
    return out;
}

qsizetype nonBlanks(const QString &text) {
    return std::count_if(text.begin(), text.end(), [](QChar c) { return c.unicode() > 32; });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 3)
        return 0;
    const uint8_t flags = data[0];
    zk::ReadingOptions o;
    o.ReactOnSigns = flags & 1;
    o.WithoutPause = flags & 2;
    o.ShortPause = flags & 4;
    o.LongPause = flags & 8;
    o.SmartPause = flags & 16;
    o.DelMin = flags & 32;
    o.ReadNonStop = flags & 64;

    FakeHost host;
    host.opts = o;
    host.length = 1 + data[2] % 50;
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data + 3),
                                           static_cast<qsizetype>(size - 3));
    host.setText(text);

    zk::ReadingState state;
    state.RowCapacity = -3 + data[1] % 64;
    zk::Chunker chunker(state, host);

    // Every piece takes at least one character of the text, so a finite text runs out.
    const int limit = o.ReadNonStop ? kEndlessPieces : static_cast<int>(nonBlanks(text)) + 1;
    QString shown;
    int signs = 0;
    int built = 0;
    for (; built < limit; ++built) {
        const QString piece = chunker.BuildPiece();
        ZK_FUZZ_CHECK(bufferIsWellFormed(state.ReadBuffer));
        if (piece.isEmpty()) {
            ZK_FUZZ_CHECK(state.ReadingFinished);
            break;
        }
        ZK_FUZZ_CHECK(piece.front().unicode() > 32 && piece.back().unicode() > 32);
        // A cut never splits a surrogate pair.
        ZK_FUZZ_CHECK(!piece.front().isLowSurrogate() && !piece.back().isHighSurrogate());
        const qsizetype pieceSigns = zk::Chunker::signCount(piece);
        ZK_FUZZ_CHECK(pieceSigns <= std::max(state.RowCapacity, 3));
        signs += static_cast<int>(pieceSigns - piece.count(QLatin1Char(' ')));
        ZK_FUZZ_CHECK(state.SignCount == signs);
        shown += piece;
    }
    if (!o.ReadNonStop) {
        ZK_FUZZ_CHECK(built < limit);
        ZK_FUZZ_CHECK(letters(shown) == letters(text));
    }
    return 0;
}
