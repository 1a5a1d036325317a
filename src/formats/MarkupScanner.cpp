#include "formats/MarkupScanner.h"
#include "formats/EncodingDetector.h"
#include "formats/ParagraphBuilder.h"
#include "formats/TextCodec.h"

#include <QRegularExpression>
#include <QStringDecoder>

#include <algorithm>
#include <array>
#include <string_view>

namespace zk {

namespace {

struct NamedEntity {
    std::u16string_view name;
    char16_t value;
};

constexpr std::array kEntities = {
    NamedEntity{u"amp", u'&'},         NamedEntity{u"lt", u'<'},
    NamedEntity{u"gt", u'>'},          NamedEntity{u"quot", u'"'},
    NamedEntity{u"apos", u'\''},       NamedEntity{u"nbsp", u'\u00A0'},
    NamedEntity{u"shy", u'\u00AD'},    NamedEntity{u"mdash", u'\u2014'},
    NamedEntity{u"ndash", u'\u2013'},  NamedEntity{u"minus", u'\u2212'},
    NamedEntity{u"laquo", u'\u00AB'},  NamedEntity{u"raquo", u'\u00BB'},
    NamedEntity{u"lsquo", u'\u2018'},  NamedEntity{u"rsquo", u'\u2019'},
    NamedEntity{u"sbquo", u'\u201A'},  NamedEntity{u"ldquo", u'\u201C'},
    NamedEntity{u"rdquo", u'\u201D'},  NamedEntity{u"bdquo", u'\u201E'},
    NamedEntity{u"hellip", u'\u2026'}, NamedEntity{u"bull", u'\u2022'},
    NamedEntity{u"middot", u'\u00B7'}, NamedEntity{u"copy", u'\u00A9'},
    NamedEntity{u"reg", u'\u00AE'},    NamedEntity{u"trade", u'\u2122'},
    NamedEntity{u"deg", u'\u00B0'},    NamedEntity{u"plusmn", u'\u00B1'},
    NamedEntity{u"times", u'\u00D7'},  NamedEntity{u"divide", u'\u00F7'},
    NamedEntity{u"sect", u'\u00A7'},   NamedEntity{u"para", u'\u00B6'},
    NamedEntity{u"euro", u'\u20AC'},   NamedEntity{u"numero", u'\u2116'},
    NamedEntity{u"thinsp", u'\u2009'}, NamedEntity{u"ensp", u'\u2002'},
    NamedEntity{u"emsp", u'\u2003'},   NamedEntity{u"prime", u'\u2032'},
    NamedEntity{u"Prime", u'\u2033'},  NamedEntity{u"larr", u'\u2190'},
    NamedEntity{u"rarr", u'\u2192'},   NamedEntity{u"frac12", u'\u00BD'},
    NamedEntity{u"frac14", u'\u00BC'}, NamedEntity{u"frac34", u'\u00BE'},
    NamedEntity{u"iexcl", u'\u00A1'},  NamedEntity{u"iquest", u'\u00BF'},
    NamedEntity{u"acute", u'\u00B4'},  NamedEntity{u"cent", u'\u00A2'},
    NamedEntity{u"pound", u'\u00A3'},  NamedEntity{u"yen", u'\u00A5'},
    NamedEntity{u"zwnj", u'\u200C'},   NamedEntity{u"zwj", u'\u200D'},
};

// Numeric references 128..159 mean Windows-1252 characters in real pages
// (&#151; for a dash was common on Russian sites).
constexpr std::array<char16_t, 32> kWindows1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

bool isAsciiLetter(QChar c) {
    const char16_t u = c.unicode();
    return (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z');
}

bool isNameChar(QChar c) {
    return isAsciiLetter(c) || (c.unicode() >= u'0' && c.unicode() <= u'9') ||
           c == QLatin1Char('-') || c == QLatin1Char(':') || c == QLatin1Char('_') ||
           c == QLatin1Char('.');
}

char32_t numericValue(QStringView digits, int base) {
    bool ok = false;
    const qulonglong value = digits.size() <= 8 ? digits.toULongLong(&ok, base) : 0;
    if (!ok || value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return 0xFFFD;
    if (value >= 0x80 && value <= 0x9F)
        return kWindows1252High[value - 0x80];
    return static_cast<char32_t>(value);
}

// Decodes the reference at text[pos] == '&'. Returns the position after it, or
// pos + 1 with a literal '&' when it is not a reference we know.
qsizetype decodeEntity(QStringView text, qsizetype pos, ParagraphBuilder &out) {
    constexpr qsizetype kLongestName = 32;
    const qsizetype end = std::min(text.size(), pos + kLongestName);
    qsizetype semi = pos + 1;
    while (semi < end && text[semi] != QLatin1Char(';') && text[semi] != QLatin1Char('&') &&
           text[semi] != QLatin1Char('<') && !text[semi].isSpace())
        ++semi;
    if (semi >= end || text[semi] != QLatin1Char(';') || semi == pos + 1) {
        out.append(QLatin1Char('&'));
        return pos + 1;
    }
    const QStringView name = text.sliced(pos + 1, semi - pos - 1);
    if (name.front() == QLatin1Char('#')) {
        const bool hex =
            name.size() > 1 && (name[1] == QLatin1Char('x') || name[1] == QLatin1Char('X'));
        const QStringView digits = name.sliced(hex ? 2 : 1);
        out.appendCodePoint(numericValue(digits, hex ? 16 : 10));
        return semi + 1;
    }
    const std::u16string_view key(reinterpret_cast<const char16_t *>(name.utf16()),
                                  static_cast<size_t>(name.size()));
    for (const NamedEntity &e : kEntities) {
        if (e.name == key) {
            out.append(QChar(e.value));
            return semi + 1;
        }
    }
    out.append(QLatin1Char('&'));
    return pos + 1;
}

// Position after the '>' that closes the tag starting at pos, skipping quoted
// attribute values; text.size() when the tag never closes.
qsizetype tagEnd(QStringView text, qsizetype pos) {
    QChar quote;
    for (qsizetype i = pos; i < text.size(); ++i) {
        const QChar c = text[i];
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
        } else if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
            quote = c;
        } else if (c == QLatin1Char('>')) {
            return i + 1;
        }
    }
    return text.size();
}

qsizetype skipPast(QStringView text, qsizetype from, QStringView marker) {
    const qsizetype at = text.indexOf(marker, from, Qt::CaseInsensitive);
    return at < 0 ? text.size() : at + marker.size();
}

QString declaredCharset(const QByteArray &bytes) {
    static const QRegularExpression declared(
        QStringLiteral(R"((?:charset|encoding)\s*=\s*["']?\s*([A-Za-z0-9_.:-]+))"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = declared.match(QString::fromLatin1(bytes.left(4096)));
    return match.hasMatch() ? match.captured(1).toLower() : QString();
}

} // namespace

QStringView MarkupTag::attribute(QStringView attributeName) const {
    // Attributes follow the name; a value may be quoted or bare.
    qsizetype i = 1 + (closing ? 1 : 0) + name.size();
    while (i < source.size()) {
        while (i < source.size() && !isNameChar(source[i]))
            ++i;
        const qsizetype start = i;
        while (i < source.size() && isNameChar(source[i]))
            ++i;
        const QStringView key = source.sliced(start, i - start);
        while (i < source.size() && source[i].isSpace())
            ++i;
        QStringView value;
        if (i < source.size() && source[i] == u'=') {
            ++i;
            while (i < source.size() && source[i].isSpace())
                ++i;
            if (i < source.size() && (source[i] == u'"' || source[i] == u'\'')) {
                const QChar quote = source[i++];
                const qsizetype end = source.indexOf(quote, i);
                const qsizetype stop = end < 0 ? source.size() : end;
                value = source.sliced(i, stop - i);
                i = stop + 1;
            } else {
                const qsizetype from = i;
                while (i < source.size() && !source[i].isSpace() && source[i] != u'>')
                    ++i;
                value = source.sliced(from, i - from);
            }
        }
        if (!key.isEmpty() && key.compare(attributeName, Qt::CaseInsensitive) == 0)
            return value;
        if (key.isEmpty())
            ++i;
    }
    return {};
}

void readMarkup(QStringView text, ParagraphBuilder &out, MarkupHandler &handler) {
    MarkupTag tag;
    qsizetype i = 0;
    while (i < text.size()) {
        const QChar c = text[i];
        if (c != QLatin1Char('<')) {
            // A run of text up to the next tag.
            const qsizetype next = text.indexOf(QLatin1Char('<'), i);
            const qsizetype end = next < 0 ? text.size() : next;
            if (!handler.readsText()) {
                i = end;
                continue;
            }
            const bool keepsLines = handler.keepsLines();
            while (i < end) {
                const QChar d = text[i];
                if (d == QLatin1Char('&')) {
                    i = decodeEntity(text.first(end), i, out);
                    continue;
                }
                if (keepsLines && d == QLatin1Char('\n'))
                    out.endParagraph();
                else
                    out.append(d);
                ++i;
            }
            continue;
        }

        const QStringView rest = text.sliced(i);
        if (rest.startsWith(u"<!--")) {
            i = skipPast(text, i + 4, u"-->");
            continue;
        }
        if (rest.startsWith(u"<![CDATA[")) {
            const qsizetype end = skipPast(text, i + 9, u"]]>");
            if (handler.readsText())
                out.append(text.sliced(i + 9, std::max<qsizetype>(0, end - 3 - (i + 9))));
            i = end;
            continue;
        }
        const QChar next = rest.size() > 1 ? rest[1] : QChar();
        if (next == QLatin1Char('!') || next == QLatin1Char('?')) {
            i = tagEnd(text, i + 2);
            continue;
        }
        tag.closing = next == QLatin1Char('/');
        const qsizetype nameStart = i + (tag.closing ? 2 : 1);
        if (nameStart >= text.size() || !isAsciiLetter(text[nameStart])) {
            if (handler.readsText())
                out.append(c);
            ++i;
            continue;
        }
        qsizetype nameEnd = nameStart;
        while (nameEnd < text.size() && isNameChar(text[nameEnd]))
            ++nameEnd;
        tag.name = text.sliced(nameStart, nameEnd - nameStart).toString().toLower();
        const qsizetype end = tagEnd(text, nameEnd);
        tag.source = text.sliced(i, end - i);
        tag.selfClosing = tag.source.endsWith(u"/>");
        i = end;

        if (!tag.closing && !tag.selfClosing && handler.skipsContent(tag.name)) {
            i = tagEnd(text, skipPast(text, i, QString(QStringLiteral("</") + tag.name)));
            continue;
        }
        handler.tag(tag, out);
    }
}

QString decodeMarkup(const QByteArray &bytes, bool utf8Default) {
    if (EncodingDetector::byMark(bytes).source == EncodingDetector::Source::Mark)
        return TextCodec::decodeUserFile(bytes);
    if (EncodingDetector::isNearlyUtf8(bytes))
        return TextCodec::decodeAs(bytes, "UTF-8");

    const QString declared = declaredCharset(bytes);
    const QByteArray name = declared.toLatin1();
    if (!declared.isEmpty() && !EncodingDetector::isUnicode(name) &&
        QStringDecoder(name.constData()).isValid()) {
        if (EncodingDetector::isCyrillicSingleByte(name))
            return TextCodec::decodeAs(bytes, name);
        const EncodingDetector::Result found = EncodingDetector::detect(bytes);
        if (found.source == EncodingDetector::Source::Detector)
            return TextCodec::decodeAs(bytes, found.encoding);
        return TextCodec::decodeAs(bytes, name);
    }
    if (utf8Default)
        return QString::fromUtf8(bytes);
    return TextCodec::decodeUserFile(bytes);
}

} // namespace zk
