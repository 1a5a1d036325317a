#include "editor/text/BookReaders.h"
#include "editor/text/ParagraphBuilder.h"
#include "editor/text/TextCodec.h"

#include <QRegularExpression>
#include <QStringDecoder>

#include <algorithm>
#include <array>
#include <string_view>

namespace zk {

namespace {

using namespace std::string_view_literals;

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

// Sorted, for binary search.
constexpr std::array kBlockElements = {
    u"address"sv, u"article"sv, u"aside"sv,    u"blockquote"sv, u"body"sv,   u"br"sv,
    u"caption"sv, u"center"sv,  u"dd"sv,       u"details"sv,    u"dialog"sv, u"div"sv,
    u"dl"sv,      u"dt"sv,      u"fieldset"sv, u"figcaption"sv, u"figure"sv, u"footer"sv,
    u"form"sv,    u"h1"sv,      u"h2"sv,       u"h3"sv,         u"h4"sv,     u"h5"sv,
    u"h6"sv,      u"header"sv,  u"hr"sv,       u"html"sv,       u"legend"sv, u"li"sv,
    u"main"sv,    u"nav"sv,     u"ol"sv,       u"p"sv,          u"pre"sv,    u"section"sv,
    u"summary"sv, u"table"sv,   u"tbody"sv,    u"tfoot"sv,      u"thead"sv,  u"tr"sv,
    u"ul"sv,
};

static_assert(std::is_sorted(kBlockElements.begin(), kBlockElements.end()));

// Elements whose content is never text to read.
constexpr std::array kRawElements = {u"script"sv, u"style"sv, u"template"sv, u"title"sv};

std::u16string_view view(const QString &s) {
    return {reinterpret_cast<const char16_t *>(s.utf16()), static_cast<size_t>(s.size())};
}

bool isBlockElement(const QString &name) {
    return std::binary_search(kBlockElements.begin(), kBlockElements.end(), view(name));
}

bool isRawElement(const QString &name) {
    return std::find(kRawElements.begin(), kRawElements.end(), view(name)) != kRawElements.end();
}

bool isAsciiLetter(QChar c) {
    const char16_t u = c.unicode();
    return (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z');
}

bool isNameChar(QChar c) {
    return isAsciiLetter(c) || (c.unicode() >= u'0' && c.unicode() <= u'9') ||
           c == QLatin1Char('-') || c == QLatin1Char(':') || c == QLatin1Char('_');
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
           !text[semi].isSpace())
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

QString decodeHtmlBytes(const QByteArray &bytes) {
    if (bytes.startsWith("\xEF\xBB\xBF") || bytes.startsWith("\xFF\xFE") ||
        bytes.startsWith("\xFE\xFF"))
        return TextCodec::decode(bytes);

    static const QRegularExpression declared(
        QStringLiteral(R"((?:charset|encoding)\s*=\s*["']?\s*([A-Za-z0-9_.:-]+))"),
        QRegularExpression::CaseInsensitiveOption);
    const QString head = QString::fromLatin1(bytes.left(4096));
    const QRegularExpressionMatch match = declared.match(head);
    if (match.hasMatch()) {
        const QString name = match.captured(1).toLower();
        // A page declared UTF-8 that is not valid UTF-8 is read by the plain-text rules.
        if (name != u"utf-8" && name != u"utf8") {
            QStringDecoder decoder(name.toLatin1().constData());
            if (decoder.isValid())
                return decoder.decode(bytes);
        }
    }
    return TextCodec::decode(bytes);
}

} // namespace

QString readHtml(const QByteArray &bytes) {
    const QString decoded = decodeHtmlBytes(bytes);
    const QStringView text(decoded);
    ParagraphBuilder out;
    int preDepth = 0;
    QString name;

    qsizetype i = 0;
    while (i < text.size()) {
        const QChar c = text[i];
        if (c == QLatin1Char('&')) {
            i = decodeEntity(text, i, out);
            continue;
        }
        if (c != QLatin1Char('<')) {
            if (preDepth > 0 && c == QLatin1Char('\n'))
                out.endParagraph();
            else
                out.append(c);
            ++i;
            continue;
        }

        const QStringView rest = text.sliced(i);
        if (rest.startsWith(u"<!--")) {
            i = skipPast(text, i + 4, u"-->");
            continue;
        }
        if (rest.startsWith(u"<![CDATA[")) {
            const qsizetype end = skipPast(text, i + 9, u"]]>");
            out.append(text.sliced(i + 9, std::max<qsizetype>(0, end - 3 - (i + 9))));
            i = end;
            continue;
        }
        const QChar next = rest.size() > 1 ? rest[1] : QChar();
        if (next == QLatin1Char('!') || next == QLatin1Char('?')) {
            i = tagEnd(text, i + 2);
            continue;
        }
        const bool closing = next == QLatin1Char('/');
        const qsizetype nameStart = i + (closing ? 2 : 1);
        if (nameStart >= text.size() || !isAsciiLetter(text[nameStart])) {
            out.append(c);
            ++i;
            continue;
        }
        qsizetype nameEnd = nameStart;
        while (nameEnd < text.size() && isNameChar(text[nameEnd]))
            ++nameEnd;
        name = text.sliced(nameStart, nameEnd - nameStart).toString().toLower();
        i = tagEnd(text, nameEnd);

        // XHTML writes an empty <title/> or <script src="..."/>.
        const bool selfClosing = text[i - 1] == QLatin1Char('>') && text[i - 2] == QLatin1Char('/');
        if (!closing && !selfClosing && isRawElement(name)) {
            i = skipPast(text, i, QString(QStringLiteral("</") + name));
            i = tagEnd(text, i);
            continue;
        }
        if (name == u"pre" && !selfClosing)
            preDepth = std::max(0, preDepth + (closing ? -1 : 1));
        if (isBlockElement(name))
            out.endParagraph();
        else if (name == u"td" || name == u"th")
            out.append(QLatin1Char(' '));
    }
    return out.take();
}

} // namespace zk
