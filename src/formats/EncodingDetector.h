#pragma once

#include <QByteArray>
#include <QByteArrayView>

namespace zk {

// Which encoding a text was written in, for files that come from elsewhere: a byte-order mark
// decides; valid UTF-8 wins, and so does UTF-8 with a little damage (under one bad sequence in
// a thousand bytes); UTF-16 and UTF-32 without a mark are known by their zero bytes; otherwise
// a statistical detector chooses among the Cyrillic single-byte encodings, and Windows-1251 is
// what is left.
class EncodingDetector final {
public:
    enum class Source {
        Mark,     // a byte-order mark
        Ascii,    // nothing beyond ASCII: any ASCII-based encoding reads it alike
        Utf8,     // valid or nearly valid UTF-8
        Wide,     // UTF-16 or UTF-32 without a mark
        Detector, // the statistical detector named a Cyrillic encoding
        Fallback, // nothing else fits: Windows-1251
    };

    struct Result {
        QByteArray encoding; // a name QStringDecoder knows
        Source source = Source::Fallback;
        qsizetype markSize = 0;
    };

    static Result detect(QByteArrayView bytes);

    // The byte-order mark at the start, if any (UTF-32 before UTF-16: FF FE 00 00).
    static Result byMark(QByteArrayView bytes);

    struct Utf8Scan {
        qsizetype invalid = 0;   // bad or cut sequences
        qsizetype multibyte = 0; // good sequences of two to four bytes
    };
    // Strict UTF-8, as the decoder takes it: no overlong forms, no surrogates, nothing beyond
    // U+10FFFF. Stops counting once `stopAfterInvalid` bad sequences were seen.
    static Utf8Scan scanUtf8(QByteArrayView bytes, qsizetype stopAfterInvalid = -1);
    static bool isValidUtf8(QByteArrayView bytes) { return scanUtf8(bytes, 1).invalid == 0; }
    // UTF-8 with non-ASCII letters and at most the damage a cut or a stray byte leaves.
    static bool isNearlyUtf8(QByteArrayView bytes);

    // KOI8-R, IBM866, ISO-8859-5, IBM855, MacCyrillic, Windows-1251, by any of their names.
    static bool isCyrillicSingleByte(QByteArrayView name);
    static bool isUnicode(QByteArrayView name);
};

} // namespace zk
