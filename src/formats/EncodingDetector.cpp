#include "formats/EncodingDetector.h"

#include <uchardet.h>

#include <QStringDecoder>

#include <array>
#include <cstring>
#include <memory>

namespace zk {

namespace {

constexpr QByteArrayView kWindows1251 = "windows-1251";

bool hasNonAscii(QByteArrayView bytes) {
    const char *p = bytes.data();
    const char *end = p + bytes.size();
    for (; end - p >= 8; p += 8) {
        quint64 word;
        std::memcpy(&word, p, 8);
        if (word & 0x8080808080808080ULL)
            return true;
    }
    for (; p < end; ++p) {
        if (static_cast<unsigned char>(*p) >= 0x80)
            return true;
    }
    return false;
}

// Characters of ordinary text in the scripts a Russian reader meets.
bool isTextLike(char32_t c) {
    return c == u'\t' || c == u'\n' || c == u'\r' || (c >= 0x20 && c < 0x7F) ||
           (c >= 0xA0 && c < 0x530) || (c >= 0x2000 && c < 0x2070) || (c >= 0x20A0 && c < 0x20D0) ||
           (c >= 0x2100 && c < 0x2200);
}

// UTF-16 in scripts beyond those a Russian reader meets (Hebrew, Georgian, CJK, polytonic
// Greek), known by where its zero bytes fall: the spaces, digits and Latin letters of any
// text have a zero byte on one side of the character and seldom on the other, which
// no single-byte text and hardly any binary file does. What it decodes to must be text.
QByteArray utf16ByZeroSide(QByteArrayView sample) {
    const auto *p = reinterpret_cast<const unsigned char *>(sample.data());
    const qsizetype units = sample.size() / 2;
    qsizetype zeroSecond = 0; // little-endian ASCII
    qsizetype zeroFirst = 0;  // big-endian ASCII
    for (qsizetype i = 0; i < units; ++i) {
        zeroSecond += p[2 * i] != 0 && p[2 * i + 1] == 0;
        zeroFirst += p[2 * i] == 0 && p[2 * i + 1] != 0;
    }
    const bool little = zeroSecond > zeroFirst;
    const qsizetype most = std::max(zeroSecond, zeroFirst);
    const qsizetype least = std::min(zeroSecond, zeroFirst);
    // A few zero bytes prove nothing; a CJK or polytonic Greek letter may end in one.
    if (most < 16 || most * 20 < units || least * 4 > most)
        return {};
    qsizetype bad = 0;
    bool highSurrogate = false;
    for (qsizetype i = 0; i < units; ++i) {
        const char16_t code = little ? char16_t(p[2 * i] | p[2 * i + 1] << 8)
                                     : char16_t(p[2 * i] << 8 | p[2 * i + 1]);
        const bool isHigh = code >= 0xD800 && code < 0xDC00;
        const bool isLow = code >= 0xDC00 && code < 0xE000;
        bad += (code < 0x20 && code != u'\t' && code != u'\n' && code != u'\r') || code >= 0xFFFE ||
               (isLow && !highSurrogate) || (highSurrogate && !isLow);
        highSurrogate = isHigh;
    }
    if (bad * 100 > units)
        return {};
    return little ? "UTF-16LE" : "UTF-16BE";
}

// UTF-16 or UTF-32 without a mark. Single-byte text never holds zero bytes, while wide text
// has them in every ASCII character; of the four readings the one that gives ordinary text
// wins.
QByteArray wideEncoding(QByteArrayView bytes) {
    const QByteArrayView sample = bytes.first(std::min<qsizetype>(bytes.size(), 64 * 1024) & ~3);
    if (sample.size() < 4 || !sample.contains('\0'))
        return {};
    struct Candidate {
        const char *name;
        int unit;
        bool little;
    };
    constexpr std::array candidates = {
        Candidate{"UTF-32LE", 4, true},
        Candidate{"UTF-32BE", 4, false},
        Candidate{"UTF-16LE", 2, true},
        Candidate{"UTF-16BE", 2, false},
    };
    const auto *p = reinterpret_cast<const unsigned char *>(sample.data());
    for (const Candidate &c : candidates) {
        qsizetype good = 0;
        qsizetype total = 0;
        for (qsizetype i = 0; i + c.unit <= sample.size(); i += c.unit) {
            char32_t code = 0;
            for (int b = 0; b < c.unit; ++b)
                code |= char32_t(p[i + (c.little ? b : c.unit - 1 - b)]) << (8 * b);
            if (c.unit == 2 && code >= 0xD800 && code < 0xE000) {
                // A surrogate pair counts as one character of text; only its half is read here.
                good += code < 0xDC00;
                total += code < 0xDC00;
                continue;
            }
            good += isTextLike(code);
            ++total;
        }
        if (total > 0 && good * 100 >= total * 95)
            return c.name;
    }
    return utf16ByZeroSide(sample);
}

// The statistical detector is slow (about 150 ms a megabyte), and a few tens of kilobytes
// decide as well: it reads four pieces spread over the text.
QByteArray askDetector(QByteArrayView bytes) {
    constexpr qsizetype kPiece = 16 * 1024;
    const std::unique_ptr<std::remove_pointer_t<uchardet_t>, void (*)(uchardet_t)> detector(
        uchardet_new(), uchardet_delete);
    if (!detector)
        return {};
    if (bytes.size() <= 4 * kPiece) {
        uchardet_handle_data(detector.get(), bytes.data(), static_cast<size_t>(bytes.size()));
    } else {
        for (int i = 0; i < 4; ++i) {
            qsizetype at = bytes.size() / 4 * i;
            // Start on a line, so no piece begins inside a character of a multi-byte encoding.
            const qsizetype line = bytes.indexOf('\n', at);
            if (line >= 0 && line - at < kPiece)
                at = line + 1;
            const QByteArrayView piece = bytes.sliced(at, std::min(kPiece, bytes.size() - at));
            uchardet_handle_data(detector.get(), piece.data(), static_cast<size_t>(piece.size()));
        }
    }
    uchardet_data_end(detector.get());
    return QByteArray(uchardet_get_charset(detector.get()));
}

// MacCyrillic and Windows-1251 share their lower-case letters, and on text with few capitals
// the detector cannot tell them apart. The frequent "я" can: 0xDF in MacCyrillic, 0xFF in
// Windows-1251, where 0xDF is the rare capital "Я".
bool looksLikeMacCyrillic(QByteArrayView bytes) {
    qsizetype macYa = 0;
    qsizetype windowsYa = 0;
    for (char c : bytes) {
        macYa += c == '\xDF';
        windowsYa += c == '\xFF';
    }
    return macYa > windowsYa;
}

} // namespace

EncodingDetector::Result EncodingDetector::byMark(QByteArrayView bytes) {
    if (bytes.startsWith(QByteArrayView("\xFF\xFE\x00\x00", 4)))
        return {"UTF-32LE", Source::Mark, 4};
    if (bytes.startsWith(QByteArrayView("\x00\x00\xFE\xFF", 4)))
        return {"UTF-32BE", Source::Mark, 4};
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return {"UTF-8", Source::Mark, 3};
    if (bytes.startsWith("\xFF\xFE"))
        return {"UTF-16LE", Source::Mark, 2};
    if (bytes.startsWith("\xFE\xFF"))
        return {"UTF-16BE", Source::Mark, 2};
    return {};
}

EncodingDetector::Utf8Scan EncodingDetector::scanUtf8(QByteArrayView bytes,
                                                      qsizetype stopAfterInvalid) {
    Utf8Scan scan;
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.data());
    const auto *end = p + bytes.size();
    while (p < end) {
        if (end - p >= 8) {
            quint64 word;
            std::memcpy(&word, p, 8);
            if (!(word & 0x8080808080808080ULL)) {
                p += 8;
                continue;
            }
        }
        const unsigned char c = *p;
        if (c < 0x80) {
            ++p;
            continue;
        }
        int more = 0;
        unsigned char low = 0x80;
        unsigned char high = 0xBF;
        if (c >= 0xC2 && c <= 0xDF) {
            more = 1;
        } else if (c >= 0xE0 && c <= 0xEF) {
            more = 2;
            if (c == 0xE0)
                low = 0xA0;
            else if (c == 0xED)
                high = 0x9F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            more = 3;
            if (c == 0xF0)
                low = 0x90;
            else if (c == 0xF4)
                high = 0x8F;
        }
        // A bad sequence is its longest good beginning, or one byte, as the decoder replaces it.
        int good = 0;
        if (more > 0 && end - p > 1 && p[1] >= low && p[1] <= high) {
            good = 1;
            while (good < more && end - p > good + 1 && (p[good + 1] & 0xC0) == 0x80)
                ++good;
        }
        if (more > 0 && good == more) {
            ++scan.multibyte;
            p += more + 1;
            continue;
        }
        ++scan.invalid;
        if (stopAfterInvalid >= 0 && scan.invalid >= stopAfterInvalid)
            break;
        p += good + 1;
    }
    return scan;
}

bool EncodingDetector::isNearlyUtf8(QByteArrayView bytes) {
    const qsizetype allowed = bytes.size() / 1000;
    const Utf8Scan scan = scanUtf8(bytes, allowed + 1);
    // Single-byte Cyrillic text almost never forms a valid sequence; damaged UTF-8 is mostly
    // good ones.
    return scan.multibyte > 0 && scan.invalid <= allowed && scan.multibyte >= 8 * scan.invalid;
}

bool EncodingDetector::isCyrillicSingleByte(QByteArrayView name) {
    QStringDecoder decoder(name.toByteArray().constData());
    if (!decoder.isValid())
        return false;
    const QByteArrayView known(decoder.name());
    for (const char *cyrillic :
         {"KOI8-R", "IBM866", "ISO-8859-5", "IBM855", "x-mac-cyrillic", "windows-1251"}) {
        if (known.compare(cyrillic, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

bool EncodingDetector::isUnicode(QByteArrayView name) {
    const QByteArray lower = name.toByteArray().toLower();
    return lower.startsWith("utf") || lower.startsWith("ucs") || lower == "unicode";
}

EncodingDetector::Result EncodingDetector::detect(QByteArrayView bytes) {
    if (Result marked = byMark(bytes); marked.source == Source::Mark)
        return marked;
    if (const QByteArray wide = wideEncoding(bytes); !wide.isEmpty())
        return {wide, Source::Wide, 0};
    if (!hasNonAscii(bytes))
        return {"UTF-8", Source::Ascii, 0};
    if (isNearlyUtf8(bytes))
        return {"UTF-8", Source::Utf8, 0};
    const QByteArray named = askDetector(bytes);
    // A megabyte holds thousands of "я".
    if (named == "MAC-CYRILLIC" &&
        !looksLikeMacCyrillic(bytes.first(std::min<qsizetype>(bytes.size(), 1 << 20))))
        return {kWindows1251.toByteArray(), Source::Detector, 0};
    if (isCyrillicSingleByte(named))
        return {named, Source::Detector, 0};
    return {kWindows1251.toByteArray(), Source::Fallback, 0};
}

} // namespace zk
