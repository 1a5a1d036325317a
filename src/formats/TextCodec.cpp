#include "formats/TextCodec.h"
#include "formats/EncodingDetector.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>
#include <array>
#include <functional>

namespace zk {

namespace {

bool hasNonAscii(QByteArrayView bytes) {
    for (char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return true;
    }
    return false;
}

bool isValidUtf8(QByteArrayView bytes) {
    return EncodingDetector::isValidUtf8(bytes);
}

// Windows-1251 both ways, as tables built once from Qt's codec.
struct Cp1251 {
    std::array<char16_t, 256> toUnicode{};
    std::array<unsigned char, 0x10000> fromUnicode{}; // 0 where nothing maps (and for U+0000)

    Cp1251() {
        QByteArray all(256, Qt::Uninitialized);
        for (int i = 0; i < 256; ++i)
            all[i] = static_cast<char>(i);
        QStringDecoder decoder("windows-1251");
        const QString chars = decoder.isValid() ? decoder.decode(all) : QString::fromLatin1(all);
        for (int i = 0; i < 256 && i < chars.size(); ++i) {
            const char16_t u = chars.at(i).unicode();
            toUnicode[static_cast<size_t>(i)] = u;
            if (u != QChar::ReplacementCharacter && fromUnicode[u] == 0)
                fromUnicode[u] = static_cast<unsigned char>(i);
        }
    }

    static const Cp1251 &instance() {
        static const Cp1251 table;
        return table;
    }
};

// Damaged UTF-16 may hold halves of surrogate pairs; no encoding can write them back.
void replaceLoneSurrogates(QString &text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            ++i;
        else if (c.isSurrogate())
            text[i] = QChar::ReplacementCharacter;
    }
}

// Control characters other than tab and line ends: a NUL in the editor ends up in the saved
// file, and the others show as boxes. Form feed and vertical tab still break the line.
bool needsTidying(char16_t c) {
    return c < 0x20 && c != u'\t' && c != u'\n';
}

// In one pass: leading byte-order marks go, CR LF and lone CR become LF, control characters
// go, and one final line break ends the last paragraph instead of opening an empty one.
// Between two looks at whether to stop.
constexpr qsizetype StopPiece = 1 << 24;

void tidy(QString &text, const std::function<bool()> &stop = {}) {
    qsizetype marks = 0;
    while (marks < text.size() && text.at(marks) == QChar::ByteOrderMark)
        ++marks;
    const char16_t *begin = reinterpret_cast<const char16_t *>(text.constData());
    const char16_t *first = std::find_if(begin + marks, begin + text.size(), needsTidying);
    if (marks == 0 && first == begin + text.size()) {
        if (text.endsWith(QLatin1Char('\n')))
            text.chop(1);
        return;
    }
    const qsizetype from = first - begin;
    char16_t *data = reinterpret_cast<char16_t *>(text.data());
    const qsizetype size = text.size();
    qsizetype out = 0;
    if (marks > 0) {
        std::copy(data + marks, data + from, data);
        out = from - marks;
    } else {
        out = from;
    }
    for (qsizetype i = from, piece = from + StopPiece; i < size; ++i) {
        if (i >= piece) {
            if (stop && stop()) {
                text.clear();
                return;
            }
            piece += StopPiece;
        }
        char16_t c = data[i];
        if (c == u'\r') {
            if (i + 1 < size && data[i + 1] == u'\n')
                ++i;
            c = u'\n';
        } else if (c == u'\f' || c == u'\v') {
            c = u'\n';
        } else if (needsTidying(c)) {
            continue;
        }
        data[out++] = c;
    }
    // Marks that only dropped control characters kept from the start are leading too: a
    // saved file's own mark would otherwise swallow them on the next reading.
    qsizetype lead = 0;
    while (lead < out && data[lead] == QChar::ByteOrderMark)
        ++lead;
    if (lead > 0) {
        std::copy(data + lead, data + out, data);
        out -= lead;
    }
    if (out > 0 && data[out - 1] == u'\n')
        --out;
    text.truncate(out);
}

} // namespace

QString TextCodec::withoutControls(QString text) {
    text = normalizeLineEnds(std::move(text));
    const auto isBreak = [](QChar c) { return c == u'\f' || c == u'\v'; };
    std::replace_if(text.begin(), text.end(), isBreak, QChar(u'\n'));
    text.removeIf([](QChar c) { return needsTidying(c.unicode()); });
    return text;
}

QString TextCodec::normalizeLineEnds(QString text) {
    if (!text.contains(QLatin1Char('\r')))
        return text;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

QString TextCodec::fromWindows1251(QByteArrayView bytes) {
    const Cp1251 &table = Cp1251::instance();
    QString text(bytes.size(), Qt::Uninitialized);
    char16_t *out = reinterpret_cast<char16_t *>(text.data());
    for (char c : bytes)
        *out++ = table.toUnicode[static_cast<unsigned char>(c)];
    return text;
}

QByteArray TextCodec::toWindows1251(const QString &text) {
    QStringEncoder encoder("windows-1251");
    return encoder.encode(text);
}

bool TextCodec::fitsWindows1251(const QString &text) {
    const Cp1251 &table = Cp1251::instance();
    for (QChar c : text) {
        if (c.unicode() != 0 && table.fromUnicode[c.unicode()] == 0)
            return false;
    }
    return true;
}

QString TextCodec::decode(const QByteArray &bytes) {
    return decode(bytes, {});
}

QString TextCodec::decode(const QByteArray &bytes, const std::function<bool()> &stop) {
    // In pieces, each cut before a byte that starts a character, so that a book can be given up.
    const auto fromUtf8 = [&stop](QByteArrayView utf8) {
        if (!stop)
            return QString::fromUtf8(utf8);
        QString text;
        text.reserve(utf8.size());
        for (qsizetype at = 0, end = 0; at < utf8.size(); at = end) {
            if (stop())
                return QString();
            end = std::min(utf8.size(), at + StopPiece);
            for (int back = 0; back < 3 && end < utf8.size() && (utf8[end] & 0xC0) == 0x80; ++back)
                ++end;
            text.append(QString::fromUtf8(utf8.sliced(at, end - at)));
        }
        text.squeeze();
        return text;
    };
    QString text;
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        text = fromUtf8(QByteArrayView(bytes).sliced(3));
    } else if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        QStringDecoder decoder(bytes.startsWith("\xFF\xFE") ? QStringDecoder::Utf16LE
                                                            : QStringDecoder::Utf16BE);
        text = decoder.decode(QByteArrayView(bytes).sliced(2));
        replaceLoneSurrogates(text);
    } else if (hasNonAscii(bytes) && isValidUtf8(bytes)) {
        text = fromUtf8(bytes);
    } else if (!stop) {
        text = fromWindows1251(bytes);
    } else {
        text = QString(bytes.size(), Qt::Uninitialized);
        const Cp1251 &table = Cp1251::instance();
        char16_t *out = reinterpret_cast<char16_t *>(text.data());
        for (qsizetype at = 0; at < bytes.size(); at += StopPiece) {
            if (stop())
                return {};
            const qsizetype end = std::min(bytes.size(), at + StopPiece);
            for (qsizetype i = at; i < end; ++i)
                *out++ = table.toUnicode[static_cast<unsigned char>(bytes[i])];
        }
    }
    if (stop && stop())
        return {};
    // Repeated byte-order marks carry no text, and a leading one would not survive a save.
    tidy(text, stop);
    return text;
}

QString TextCodec::decodeAs(QByteArrayView bytes, const QByteArray &encoding) {
    QString text;
    QStringDecoder decoder(encoding.constData());
    if (!decoder.isValid() || QByteArrayView(decoder.name()) == "windows-1251") {
        text = fromWindows1251(bytes);
    } else if (encoding.compare("UTF-8", Qt::CaseInsensitive) == 0) {
        text = QString::fromUtf8(bytes);
    } else {
        text = decoder.decode(bytes);
        replaceLoneSurrogates(text);
    }
    tidy(text);
    return text;
}

QString TextCodec::decodeUserFile(const QByteArray &bytes) {
    const EncodingDetector::Result found = EncodingDetector::detect(bytes);
    return decodeAs(QByteArrayView(bytes).sliced(found.markSize), found.encoding);
}

namespace {

// UTF-8 validity of bytes given one at a time, by EncodingDetector's rules.
class Utf8Check final {
public:
    void feed(unsigned char c) {
        if (m_more > 0) {
            m_valid = c >= m_low && c <= m_high;
            m_low = 0x80;
            m_high = 0xBF;
            --m_more;
            return;
        }
        if (c < 0x80)
            return;
        m_nonAscii = true;
        if (c >= 0xC2 && c <= 0xDF) {
            m_more = 1;
        } else if (c >= 0xE0 && c <= 0xEF) {
            m_more = 2;
            m_low = c == 0xE0 ? 0xA0 : 0x80;
            m_high = c == 0xED ? 0x9F : 0xBF;
        } else if (c >= 0xF0 && c <= 0xF4) {
            m_more = 3;
            m_low = c == 0xF0 ? 0x90 : 0x80;
            m_high = c == 0xF4 ? 0x8F : 0xBF;
        } else {
            m_valid = false;
        }
    }
    bool invalid() const { return !m_valid; }
    // Valid UTF-8 holding non-ASCII bytes: what decode() would take for UTF-8.
    bool looksLikeUtf8() const { return m_valid && m_more == 0 && m_nonAscii; }

private:
    int m_more = 0;
    unsigned char m_low = 0x80;
    unsigned char m_high = 0xBF;
    bool m_valid = true;
    bool m_nonAscii = false;
};

// A line end: CR LF, LF, lone CR, and, for the editor's text, its own line and paragraph breaks.
bool isLineEnd(char16_t c, bool editorBreaks) {
    return c == u'\r' || c == u'\n' || (editorBreaks && (c == 0x2028 || c == 0x2029));
}

// Windows-1251 when every character fits and the bytes read back as such: they may look like
// a byte-order mark ("яю") or like UTF-8 ("Её" is C5 B8, UTF-8 for "Ÿ"). Looks at the text
// only, so nothing is encoded twice.
bool encodesAsWindows1251(QStringView text, bool editorBreaks) {
    const Cp1251 &table = Cp1251::instance();
    const char16_t *data = text.utf16();
    const qsizetype size = text.size();
    Utf8Check utf8;
    char first[3] = {};
    qsizetype out = 0;
    const auto put = [&](unsigned char b) {
        if (out < 3)
            first[out] = static_cast<char>(b);
        ++out;
        if (!utf8.invalid())
            utf8.feed(b);
    };
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t c = data[i];
        if (isLineEnd(c, editorBreaks)) {
            if (c == u'\r' && i + 1 < size && data[i + 1] == u'\n')
                ++i;
            put('\r');
            put('\n');
        } else if (const unsigned char b = table.fromUnicode[c]; b != 0 || c == 0) {
            put(b);
        } else {
            return false;
        }
    }
    if (size > 0) {
        put('\r');
        put('\n');
    }
    const QByteArrayView start(first, std::min<qsizetype>(out, 3));
    const bool looksLikeMark = start.startsWith("\xEF\xBB\xBF") || start.startsWith("\xFF\xFE") ||
                               start.startsWith("\xFE\xFF");
    return !looksLikeMark && !utf8.looksLikeUtf8();
}

bool encodeInPieces(QStringView text, bool editorBreaks,
                    const std::function<bool(QByteArrayView)> &put) {
    // Every paragraph, the last one too, ends in CR LF; an empty text is an empty file.
    constexpr qsizetype Piece = 1 << 20;
    const char16_t *data = text.utf16();
    const qsizetype size = text.size();
    const bool windows1251 = encodesAsWindows1251(text, editorBreaks);
    // One buffer for every piece; a character takes at most four bytes.
    QByteArray buffer(Piece + 8, Qt::Uninitialized);
    char *const begin = buffer.data();
    char *p = begin;
    const auto flush = [&] {
        const bool taken = p == begin || put(QByteArrayView(begin, p - begin));
        p = begin;
        return taken;
    };
    if (!windows1251 && size > 0) {
        *p++ = '\xEF';
        *p++ = '\xBB';
        *p++ = '\xBF';
    }
    const Cp1251 &table = Cp1251::instance();
    for (qsizetype i = 0; i < size; ++i) {
        if (p - begin >= Piece && !flush())
            return false;
        char32_t c = data[i];
        if (isLineEnd(static_cast<char16_t>(c), editorBreaks)) {
            if (c == u'\r' && i + 1 < size && data[i + 1] == u'\n')
                ++i;
            *p++ = '\r';
            *p++ = '\n';
            continue;
        }
        if (windows1251) {
            *p++ = static_cast<char>(table.fromUnicode[c]);
            continue;
        }
        if (QChar::isHighSurrogate(c) && i + 1 < size && QChar::isLowSurrogate(data[i + 1]))
            c = QChar::surrogateToUcs4(static_cast<char16_t>(c), data[++i]);
        else if (QChar::isSurrogate(c))
            c = QChar::ReplacementCharacter;
        if (c < 0x80) {
            *p++ = static_cast<char>(c);
        } else if (c < 0x800) {
            *p++ = static_cast<char>(0xC0 | (c >> 6));
            *p++ = static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            *p++ = static_cast<char>(0xE0 | (c >> 12));
            *p++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            *p++ = static_cast<char>(0x80 | (c & 0x3F));
        } else {
            *p++ = static_cast<char>(0xF0 | (c >> 18));
            *p++ = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            *p++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            *p++ = static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    if (size > 0) {
        *p++ = '\r';
        *p++ = '\n';
    }
    return flush();
}

} // namespace

QByteArray TextCodec::encode(const QString &text) {
    QByteArray bytes;
    encodeInPieces(text, false, [&bytes](QByteArrayView piece) {
        bytes.append(piece);
        return true;
    });
    return bytes;
}

bool TextCodec::encodeEditorText(QStringView text, const std::function<bool(QByteArrayView)> &put) {
    return encodeInPieces(text, true, put);
}

} // namespace zk
