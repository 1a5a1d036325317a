#include "formats/OdtReader.h"
#include "formats/BookArchive.h"
#include "formats/ParagraphBuilder.h"
#include "formats/SymbolFonts.h"

#include <QHash>
#include <QXmlStreamReader>

namespace zk {

namespace {

using Failure = ConversionResult::Failure;

const QString kText = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:text:1.0");
const QString kOffice = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:office:1.0");
const QString kStyle = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:style:1.0");
const QString kSvg = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0");
const QString kDraw = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:drawing:1.0");

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
                        m_font == Font::Wingdings ? wingdingsChar(code) : symbolFontChar(code);
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
            for (const QString &note : std::as_const(m_notes))
                m_main.appendParagraphs(note);
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
