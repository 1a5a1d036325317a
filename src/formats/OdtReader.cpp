#include "formats/OdtReader.h"
#include "formats/BookArchive.h"
#include "formats/ParagraphBuilder.h"

#include <QHash>
#include <QXmlStreamReader>

#include <array>

namespace zk {

namespace {

using Failure = ConversionResult::Failure;

const QString kText = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:text:1.0");
const QString kOffice = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:office:1.0");
const QString kStyle = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:style:1.0");
const QString kSvg = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0");
const QString kDraw = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:drawing:1.0");

// The Symbol font's characters, 0x20..0xFF, as Unicode (0: none). Word keeps them as
// U+F020..U+F0FF, private code points that no other font shows.
constexpr std::array<char16_t, 224> kSymbolFont = {
    // 0x20
    0x0020,
    0x0021,
    0x2200,
    0x0023,
    0x2203,
    0x0025,
    0x0026,
    0x220B,
    0x0028,
    0x0029,
    0x2217,
    0x002B,
    0x002C,
    0x2212,
    0x002E,
    0x002F,
    0x0030,
    0x0031,
    0x0032,
    0x0033,
    0x0034,
    0x0035,
    0x0036,
    0x0037,
    0x0038,
    0x0039,
    0x003A,
    0x003B,
    0x003C,
    0x003D,
    0x003E,
    0x003F,
    // 0x40
    0x2245,
    0x0391,
    0x0392,
    0x03A7,
    0x0394,
    0x0395,
    0x03A6,
    0x0393,
    0x0397,
    0x0399,
    0x03D1,
    0x039A,
    0x039B,
    0x039C,
    0x039D,
    0x039F,
    0x03A0,
    0x0398,
    0x03A1,
    0x03A3,
    0x03A4,
    0x03A5,
    0x03C2,
    0x03A9,
    0x039E,
    0x03A8,
    0x0396,
    0x005B,
    0x2234,
    0x005D,
    0x22A5,
    0x005F,
    // 0x60
    0x203E,
    0x03B1,
    0x03B2,
    0x03C7,
    0x03B4,
    0x03B5,
    0x03C6,
    0x03B3,
    0x03B7,
    0x03B9,
    0x03D5,
    0x03BA,
    0x03BB,
    0x03BC,
    0x03BD,
    0x03BF,
    0x03C0,
    0x03B8,
    0x03C1,
    0x03C3,
    0x03C4,
    0x03C5,
    0x03D6,
    0x03C9,
    0x03BE,
    0x03C8,
    0x03B6,
    0x007B,
    0x007C,
    0x007D,
    0x223C,
    0,
    // 0x80
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    // 0xA0
    0x20AC,
    0x03D2,
    0x2032,
    0x2264,
    0x2044,
    0x221E,
    0x0192,
    0x2663,
    0x2666,
    0x2665,
    0x2660,
    0x2194,
    0x2190,
    0x2191,
    0x2192,
    0x2193,
    0x00B0,
    0x00B1,
    0x2033,
    0x2265,
    0x00D7,
    0x221D,
    0x2202,
    0x2022,
    0x00F7,
    0x2260,
    0x2261,
    0x2248,
    0x2026,
    0x23D0,
    0x23AF,
    0x21B5,
    // 0xC0
    0x2135,
    0x2111,
    0x211C,
    0x2118,
    0x2297,
    0x2295,
    0x2205,
    0x2229,
    0x222A,
    0x2283,
    0x2287,
    0x2284,
    0x2282,
    0x2286,
    0x2208,
    0x2209,
    0x2220,
    0x2207,
    0x00AE,
    0x00A9,
    0x2122,
    0x220F,
    0x221A,
    0x22C5,
    0x00AC,
    0x2227,
    0x2228,
    0x21D4,
    0x21D0,
    0x21D1,
    0x21D2,
    0x21D3,
    // 0xE0
    0x25CA,
    0x2329,
    0x00AE,
    0x00A9,
    0x2122,
    0x2211,
    0x239B,
    0x239C,
    0x239D,
    0x23A1,
    0x23A2,
    0x23A3,
    0x23A7,
    0x23A8,
    0x23A9,
    0x23AA,
    0,
    0x232A,
    0x222B,
    0x2320,
    0x23AE,
    0x2321,
    0x239E,
    0x239F,
    0x23A0,
    0x23A4,
    0x23A5,
    0x23A6,
    0x23AB,
    0x23AC,
    0x23AD,
    0,
};

// The few Wingdings characters that have a Unicode twin and turn up in documents.
char16_t wingdings(char16_t code) {
    switch (code) {
    case 0x4A:
        return 0x263A; // smiling face
    case 0x4C:
        return 0x2639; // frowning face
    case 0x6F:
        return 0x25A1; // white square
    case 0x76:
        return 0x2756; // diamond
    case 0x9F:
        return 0x2022; // bullet
    case 0xA7:
        return 0x25AA; // small black square
    case 0xA8:
        return 0x25FB; // white medium square
    case 0xD8:
        return 0x27A2; // arrowhead
    case 0xFB:
        return 0x2717; // ballot x
    case 0xFC:
        return 0x2713; // check mark
    case 0xFD:
        return 0x2612; // ballot box with x
    case 0xFE:
        return 0x2611; // ballot box with check
    default:
        return 0;
    }
}

enum class Font { Plain, Symbol, Wingdings };

class OdtContent {
public:
    explicit OdtContent(const QByteArray &xml) : m_xml(xml) {}

    ConversionResult read() {
        while (!m_xml.atEnd()) {
            if (m_xml.readNext() != QXmlStreamReader::StartElement)
                continue;
            if (is(kStyle, u"font-face"))
                readFontFace();
            else if (is(kStyle, u"style"))
                readStyle();
            else if (is(kOffice, u"body"))
                readChildren();
        }
        QString text = m_main.take();
        // A cut document keeps what was read before the cut.
        if (m_xml.hasError() && text.isEmpty())
            return ConversionResult::failure(Failure::Damaged);
        return ConversionResult::success(std::move(text));
    }

private:
    bool is(const QString &ns, QStringView name) const {
        return m_xml.name() == name && m_xml.namespaceUri() == ns;
    }

    QStringView attribute(const QString &ns, const QString &name) const {
        return m_xml.attributes().value(ns, name);
    }

    void readFontFace() {
        QString family = attribute(kSvg, QStringLiteral("font-family")).toString();
        family.remove(u'\'').remove(u'"');
        m_fontFamilies.insert(attribute(kStyle, QStringLiteral("name")).toString(), family);
    }

    void readStyle() {
        const QString name = attribute(kStyle, QStringLiteral("name")).toString();
        m_styleParents.insert(name,
                              attribute(kStyle, QStringLiteral("parent-style-name")).toString());
        while (m_xml.readNextStartElement()) {
            if (is(kStyle, u"text-properties")) {
                const QStringView font = attribute(kStyle, QStringLiteral("font-name"));
                if (!font.isEmpty())
                    m_styleFonts.insert(name, font.toString());
            }
            m_xml.skipCurrentElement();
        }
    }

    Font fontOfStyle(QStringView style) const {
        QString name = style.toString();
        for (int hops = 0; hops < 8 && !name.isEmpty(); ++hops) {
            const auto font = m_styleFonts.constFind(name);
            if (font != m_styleFonts.cend()) {
                const QString family = m_fontFamilies.value(*font, *font);
                if (family.startsWith(u"Symbol", Qt::CaseInsensitive))
                    return Font::Symbol;
                if (family.startsWith(u"Wingdings", Qt::CaseInsensitive) ||
                    family.startsWith(u"Webdings", Qt::CaseInsensitive))
                    return Font::Wingdings;
                return Font::Plain;
            }
            name = m_styleParents.value(name);
        }
        return m_font;
    }

    void appendText(QStringView text) {
        for (QChar c : text) {
            const char16_t u = c.unicode();
            if (u >= 0xF020 && u <= 0xF0FF) {
                const char16_t code = u - 0xF000;
                if (m_font != Font::Plain) {
                    const char16_t mapped =
                        m_font == Font::Wingdings ? wingdings(code) : kSymbolFont[code - 0x20];
                    if (mapped != 0)
                        m_out->append(QChar(mapped));
                    continue;
                }
            }
            m_out->append(c);
        }
    }

    // Reads the content of the element just started, up to its end.
    void readChildren() {
        while (!m_xml.atEnd()) {
            switch (m_xml.readNext()) {
            case QXmlStreamReader::EndElement:
                return;
            case QXmlStreamReader::Characters:
                appendText(m_xml.text());
                break;
            case QXmlStreamReader::StartElement:
                readElement();
                break;
            default:
                break;
            }
        }
    }

    void readElement() {
        if (m_xml.namespaceUri() == kText) {
            const QStringView name = m_xml.name();
            if (name == u"p" || name == u"h") {
                readParagraph();
                return;
            }
            if (name == u"note") {
                readNote();
                return;
            }
            if (name == u"s" || name == u"tab") {
                m_out->append(u' ');
                m_xml.skipCurrentElement();
                return;
            }
            if (name == u"line-break") {
                m_out->endParagraph();
                m_xml.skipCurrentElement();
                return;
            }
            // Deleted text of tracked changes, declarations, templates of indexes.
            if (name == u"tracked-changes" || name.endsWith(u"-decls") ||
                name.endsWith(u"-source") || name == u"note-citation") {
                m_xml.skipCurrentElement();
                return;
            }
        } else if (is(kOffice, u"annotation") || is(kOffice, u"forms") ||
                   m_xml.namespaceUri() == kSvg) {
            m_xml.skipCurrentElement(); // comments, form controls, titles of pictures
            return;
        } else if (is(kDraw, u"image") || is(kDraw, u"object")) {
            m_xml.skipCurrentElement();
            return;
        }
        withFont(m_xml.attributes().value(kText, QStringLiteral("style-name")),
                 [this] { readChildren(); });
    }

    template <typename Read> void withFont(QStringView style, Read read) {
        const Font saved = m_font;
        if (!style.isEmpty())
            m_font = fontOfStyle(style);
        read();
        m_font = saved;
    }

    void readParagraph() {
        const bool outermost = ++m_paragraphDepth == 1 && m_out == &m_main;
        m_out->endParagraph();
        withFont(m_xml.attributes().value(kText, QStringLiteral("style-name")),
                 [this] { readChildren(); });
        m_out->endParagraph();
        --m_paragraphDepth;
        if (outermost && !m_notes.isEmpty()) {
            for (const QString &note : std::as_const(m_notes)) {
                for (QChar c : note)
                    c == u'\n' ? m_main.endParagraph() : m_main.append(c);
                m_main.endParagraph();
            }
            m_notes.clear();
        }
    }

    void readNote() {
        QString citation;
        ParagraphBuilder body;
        ParagraphBuilder *outer = m_out;
        const int outerDepth = m_paragraphDepth;
        while (m_xml.readNextStartElement()) {
            if (is(kText, u"note-citation")) {
                citation = m_xml.readElementText(QXmlStreamReader::IncludeChildElements).trimmed();
            } else if (is(kText, u"note-body")) {
                m_out = &body;
                m_paragraphDepth = 0;
                readChildren();
                m_out = outer;
                m_paragraphDepth = outerDepth;
            } else {
                m_xml.skipCurrentElement();
            }
        }
        const QString mark = u'[' + (citation.isEmpty() ? QStringLiteral("*") : citation) + u']';
        m_out->append(QStringView(mark));
        const QString text = body.take();
        if (text.isEmpty())
            return;
        if (m_out == &m_main && m_paragraphDepth > 0)
            m_notes.append(mark + u' ' + text);
        else
            m_out->append(QString(u' ' + text)); // outside a paragraph, or a note in a note
    }

    QXmlStreamReader m_xml;
    ParagraphBuilder m_main;
    ParagraphBuilder *m_out = &m_main;
    QStringList m_notes; // cited in the paragraph being read
    int m_paragraphDepth = 0;
    Font m_font = Font::Symbol; // a private character in an unknown font is most likely Symbol
    QHash<QString, QString> m_fontFamilies;
    QHash<QString, QString> m_styleFonts;
    QHash<QString, QString> m_styleParents;
};

} // namespace

ConversionResult readOdtContent(const QByteArray &contentXml) {
    return OdtContent(contentXml).read();
}

ConversionResult readOdt(const QString &path, ReadBudget budget,
                         const ConversionProgress &progress) {
    const std::unique_ptr<BookArchive> archive = BookArchive::open(path, budget);
    if (!archive)
        return ConversionResult::failure(Failure::Damaged);
    const std::optional<QByteArray> content = archive->read(QStringLiteral("content.xml"), budget);
    if (!content)
        return ConversionResult::failure(budget.bytesLeft() > 0 ? Failure::Damaged
                                                                : Failure::TooLarge);
    if (!progress.proceed(50))
        return ConversionResult::failure(Failure::Cancelled);
    ConversionResult result = readOdtContent(*content);
    if (result && !budget.spendChars(result.text().size()))
        return ConversionResult::failure(Failure::TooLarge);
    return result;
}

} // namespace zk
