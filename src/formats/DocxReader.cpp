#include "formats/DocxReader.h"
#include "formats/BookArchive.h"
#include "formats/ListNumbers.h"
#include "formats/ParagraphBuilder.h"
#include "formats/SymbolFonts.h"

#include <QDir>
#include <QHash>
#include <QXmlStreamReader>

#include <algorithm>
#include <array>
#include <climits>

namespace zk {

using namespace Qt::StringLiterals;

namespace {

using Failure = ConversionResult::Failure;

const QString kW = QStringLiteral("http://schemas.openxmlformats.org/wordprocessingml/2006/main");
const QString kWStrict = QStringLiteral("http://purl.oclc.org/ooxml/wordprocessingml/main");
const QString kMc = QStringLiteral("http://schemas.openxmlformats.org/markup-compatibility/2006");
const QString kMath = QStringLiteral("http://schemas.openxmlformats.org/officeDocument/2006/math");
const QString kMathStrict = QStringLiteral("http://purl.oclc.org/ooxml/officeDocument/math");

// Deeper elements are skipped whole: no document nests this far, and recursion stays bounded.
constexpr int kMaxDepth = 256;
constexpr int kLevels = 9;

using Font = SymbolFont;

bool isW(const QXmlStreamReader &xml) {
    return xml.namespaceUri() == kW || xml.namespaceUri() == kWStrict;
}

QStringView wAttribute(const QXmlStreamReader &xml, QStringView name) {
    const QXmlStreamAttributes attributes = xml.attributes();
    for (const QXmlStreamAttribute &a : attributes) {
        if (a.name() == name && (a.namespaceUri() == kW || a.namespaceUri() == kWStrict))
            return a.value();
    }
    return {};
}

QString formatNumber(int n, QStringView format) {
    static const QString latin = QStringLiteral("abcdefghijklmnopqrstuvwxyz");
    // Word's Russian counting skips ё, й, ъ, ы and ь.
    static const QString russian = QStringLiteral("абвгдежзиклмнопрстуфхцчшщэюя");
    if (format == u"lowerLetter")
        return letterNumber(n, latin, true);
    if (format == u"upperLetter")
        return letterNumber(n, latin, true).toUpper();
    if (format == u"russianLower")
        return letterNumber(n, russian, true);
    if (format == u"russianUpper")
        return letterNumber(n, russian, true).toUpper();
    if (format == u"lowerRoman")
        return romanNumber(n);
    if (format == u"upperRoman")
        return romanNumber(n).toUpper();
    if (format == u"decimalZero" && n >= 0 && n < 10)
        return u'0' + QString::number(n);
    return QString::number(n);
}

// The list definitions of numbering.xml and the counters of the lists as the text goes.
class Lists {
public:
    void readNumbering(const QByteArray &xml) {
        QXmlStreamReader x(xml);
        Level *level = nullptr;
        Num *num = nullptr;
        std::array<Level, kLevels> *abstract = nullptr;
        int overrideLevel = 0;
        while (!x.atEnd()) {
            if (x.readNext() != QXmlStreamReader::StartElement || !isW(x))
                continue;
            const QStringView name = x.name();
            const QStringView val = wAttribute(x, u"val");
            if (name == u"abstractNum") {
                abstract = &m_abstracts[wAttribute(x, u"abstractNumId").toString()];
                num = nullptr;
                level = nullptr;
            } else if (name == u"num") {
                num = &m_nums[wAttribute(x, u"numId").toString()];
                abstract = nullptr;
                level = nullptr;
            } else if (name == u"abstractNumId" && num) {
                num->abstract = val.toString();
            } else if (name == u"lvlOverride" && num) {
                overrideLevel = std::clamp(wAttribute(x, u"ilvl").toInt(), 0, kLevels - 1);
            } else if (name == u"startOverride" && num) {
                num->starts[overrideLevel] = val.toInt();
            } else if (name == u"lvl") {
                level =
                    abstract
                        ? &(*abstract)[std::clamp(wAttribute(x, u"ilvl").toInt(), 0, kLevels - 1)]
                        : nullptr;
            } else if (level && name == u"start") {
                level->start = val.toInt();
            } else if (level && name == u"numFmt") {
                level->format = val.toString();
            } else if (level && name == u"lvlText") {
                level->text = val.toString();
            } else if (level && name == u"rFonts") {
                level->font =
                    symbolFontNamed(wAttribute(x, u"ascii").isEmpty() ? wAttribute(x, u"hAnsi")
                                                                      : wAttribute(x, u"ascii"));
            }
        }
    }

    void readStyles(const QByteArray &xml) {
        QXmlStreamReader x(xml);
        StyleNumbering *style = nullptr;
        while (!x.atEnd()) {
            if (x.readNext() != QXmlStreamReader::StartElement || !isW(x))
                continue;
            const QStringView name = x.name();
            if (name == u"style")
                style = &m_styles[wAttribute(x, u"styleId").toString()];
            else if (style && name == u"basedOn")
                style->basedOn = wAttribute(x, u"val").toString();
            else if (style && name == u"numId")
                style->numId = wAttribute(x, u"val").toString();
            else if (style && name == u"ilvl")
                style->level = wAttribute(x, u"val").toInt();
        }
    }

    // The label of a paragraph of the list numId at a level, counting it; empty when none.
    QString label(QString numId, int level, const QString &style) {
        QString name = style;
        for (int hops = 0; hops < 16 && !name.isEmpty(); ++hops) {
            const auto found = m_styles.constFind(name);
            if (found == m_styles.cend())
                break;
            if (numId.isEmpty())
                numId = found->numId;
            if (level < 0 && found->level >= 0)
                level = found->level;
            name = found->basedOn;
        }
        level = std::clamp(level, 0, kLevels - 1);
        const auto num = m_nums.constFind(numId);
        if (num == m_nums.cend())
            return {};
        const auto abstract = m_abstracts.constFind(num->abstract);
        if (abstract == m_abstracts.cend())
            return {};
        const auto start = [&](int l) { return num->starts.value(l, (*abstract)[l].start); };
        Counters &counts = m_counts[numId];
        counts[level] = counts[level] == kUnset ? start(level) : counts[level] + 1;
        for (int deeper = level + 1; deeper < kLevels; ++deeper)
            counts[deeper] = kUnset;

        const Level &lvl = (*abstract)[level];
        if (lvl.format == u"none")
            return {};
        QString out;
        const QString &text = lvl.text;
        for (qsizetype i = 0; i < text.size(); ++i) {
            if (text[i] == u'%' && i + 1 < text.size() && text[i + 1] >= u'1' &&
                text[i + 1] <= u'9') {
                const int l = text[++i].unicode() - u'1';
                out +=
                    formatNumber(counts[l] == kUnset ? start(l) : counts[l], (*abstract)[l].format);
            } else if (const char16_t c = mappedSymbol(text[i].unicode(), lvl.font)) {
                out += QChar(c);
            }
        }
        return out;
    }

private:
    struct Level {
        int start = 1;
        QString format;
        QString text;
        Font font = Font::Symbol;
    };
    struct Num {
        QString abstract;
        QHash<int, int> starts;
    };
    struct StyleNumbering {
        QString basedOn;
        QString numId;
        int level = -1;
    };
    static constexpr int kUnset = INT_MIN;
    struct Counters : std::array<int, kLevels> {
        Counters() { fill(kUnset); }
    };

    QHash<QString, std::array<Level, kLevels>> m_abstracts;
    QHash<QString, Num> m_nums;
    QHash<QString, StyleNumbering> m_styles;
    QHash<QString, Counters> m_counts;
};

// Walks one part (the document or a notes part) into paragraphs.
class DocxText {
public:
    DocxText(const DocxParts &parts, Lists &lists) : m_lists(lists) {
        m_footnotes = readNotes(parts.footnotes, u"footnote");
        m_endnotes = readNotes(parts.endnotes, u"endnote");
    }

    ConversionResult read(const QByteArray &document) {
        QXmlStreamReader xml(document);
        m_xml = &xml;
        bool body = false;
        while (!xml.atEnd()) {
            if (xml.readNext() == QXmlStreamReader::StartElement && isW(xml) &&
                xml.name() == u"body") {
                body = true;
                readChildren(1);
            }
        }
        QString text = m_main.take();
        if (!body || (xml.hasError() && text.isEmpty()))
            return ConversionResult::failure(Failure::Damaged);
        return ConversionResult::success(std::move(text), xml.hasError());
    }

private:
    QHash<QString, QString> readNotes(const QByteArray &part, QStringView element) {
        QHash<QString, QString> notes;
        if (part.isEmpty())
            return notes;
        QXmlStreamReader xml(part);
        m_xml = &xml;
        while (!xml.atEnd()) {
            if (xml.readNext() != QXmlStreamReader::StartElement || !isW(xml) ||
                xml.name() != element)
                continue;
            const QStringView type = wAttribute(xml, u"type");
            if (!type.isEmpty() && type != u"normal") {
                xml.skipCurrentElement(); // the separator lines
                continue;
            }
            const QString id = wAttribute(xml, u"id").toString();
            ParagraphBuilder body;
            m_out = &body;
            readChildren(1);
            m_out = &m_main;
            notes.insert(id, body.take());
        }
        m_xml = nullptr;
        return notes;
    }

    void readChildren(int depth) {
        while (!m_xml->atEnd()) {
            const auto token = m_xml->readNext();
            if (token == QXmlStreamReader::EndElement)
                return;
            if (token == QXmlStreamReader::StartElement)
                readElement(depth + 1);
        }
    }

    void readElement(int depth) {
        QXmlStreamReader &xml = *m_xml;
        if (depth > kMaxDepth) {
            xml.skipCurrentElement();
            return;
        }
        const QStringView name = xml.name();
        if (!isW(xml)) {
            if (xml.namespaceUri() == kMc) {
                if (name == u"AlternateContent")
                    readAlternatives(depth);
                else
                    readChildren(depth);
            } else if ((xml.namespaceUri() == kMath || xml.namespaceUri() == kMathStrict) &&
                       name == u"t") {
                appendText(xml.readElementText(QXmlStreamReader::SkipChildElements));
            } else {
                readChildren(depth); // drawings, shapes and their text boxes
            }
            return;
        }
        if (name == u"p") {
            readParagraph(depth);
        } else if (name == u"r") {
            const Font outer = m_font;
            m_font = Font::Symbol;
            readChildren(depth);
            m_font = outer;
        } else if (name == u"t") {
            appendText(xml.readElementText(QXmlStreamReader::SkipChildElements));
        } else if (name == u"tab" || name == u"ptab") {
            if (!hidden())
                m_out->append(u' ');
            xml.skipCurrentElement();
        } else if (name == u"br" || name == u"cr") {
            if (!hidden())
                m_out->endParagraph();
            xml.skipCurrentElement();
        } else if (name == u"noBreakHyphen") {
            appendText(u"-");
            xml.skipCurrentElement();
        } else if (name == u"sym") {
            readSymbol();
        } else if (name == u"fldChar") {
            fieldChar(wAttribute(xml, u"fldCharType"));
            xml.skipCurrentElement();
        } else if (name == u"footnoteReference" || name == u"endnoteReference") {
            readNoteReference(name == u"footnoteReference");
        } else if (name == u"pPr") {
            readParagraphProperties();
        } else if (name == u"rPr") {
            readRunProperties();
        } else if (name == u"del" || name == u"moveFrom" || name == u"instrText" ||
                   name == u"delText" || name == u"delInstrText" || name == u"sectPr" ||
                   name == u"sdtPr" || name == u"sdtEndPr" || name == u"footnoteRef" ||
                   name == u"endnoteRef" || name == u"annotationRef" ||
                   name == u"commentReference" || name == u"customXmlPr" || name == u"smartTagPr" ||
                   name == u"tblPr" || name == u"trPr" || name == u"tcPr" || name == u"tblGrid") {
            xml.skipCurrentElement();
        } else {
            readChildren(depth); // insertions, moved-to text, tables, hyperlinks, fields …
        }
    }

    // One branch of alternative markup: the first choice, else the fallback.
    void readAlternatives(int depth) {
        bool taken = false;
        while (m_xml->readNextStartElement()) {
            if (!taken && m_xml->namespaceUri() == kMc &&
                (m_xml->name() == u"Choice" || m_xml->name() == u"Fallback")) {
                taken = true;
                readChildren(depth + 1);
            } else {
                m_xml->skipCurrentElement();
            }
        }
    }

    void readParagraph(int depth) {
        const bool outermost = ++m_paragraphDepth == 1 && m_out == &m_main;
        m_out->endParagraph();
        readChildren(depth);
        m_out->endParagraph();
        --m_paragraphDepth;
        if (outermost && !m_notes.isEmpty()) {
            for (const QString &note : std::as_const(m_notes))
                m_main.appendParagraphs(note);
            m_notes.clear();
        }
    }

    void readParagraphProperties() {
        QXmlStreamReader &xml = *m_xml;
        QString style;
        QString numId;
        int level = -1;
        bool numbered = false;
        while (xml.readNextStartElement()) {
            if (isW(xml) && xml.name() == u"pStyle") {
                style = wAttribute(xml, u"val").toString();
            } else if (isW(xml) && xml.name() == u"numPr") {
                numbered = true;
                while (xml.readNextStartElement()) {
                    if (isW(xml) && xml.name() == u"numId")
                        numId = wAttribute(xml, u"val").toString();
                    else if (isW(xml) && xml.name() == u"ilvl")
                        level = wAttribute(xml, u"val").toInt();
                    xml.skipCurrentElement();
                }
                continue;
            }
            xml.skipCurrentElement();
        }
        // A paragraph's own numId 0 takes it out of its style's list.
        if ((numbered && numId.isEmpty() && level < 0) || numId == u"0")
            return;
        const QString label = m_lists.label(numId, level, style);
        if (!label.isEmpty()) {
            m_out->append(QStringView(label));
            m_out->append(u' ');
        }
    }

    void readRunProperties() {
        QXmlStreamReader &xml = *m_xml;
        while (xml.readNextStartElement()) {
            if (isW(xml) && xml.name() == u"rFonts") {
                QStringView family = wAttribute(xml, u"ascii");
                if (family.isEmpty())
                    family = wAttribute(xml, u"hAnsi");
                m_font = symbolFontNamed(family);
            }
            xml.skipCurrentElement();
        }
    }

    void readSymbol() {
        const Font font = symbolFontNamed(wAttribute(*m_xml, u"font"));
        bool ok = false;
        const uint code = wAttribute(*m_xml, u"char").toUInt(&ok, 16);
        m_xml->skipCurrentElement();
        if (!ok || code > 0xFFFF)
            return;
        const char16_t u = code < 0xF000 ? static_cast<char16_t>(code) : code - 0xF000;
        if (u < 0x20)
            return;
        const char16_t c = font == Font::Plain ? u : mappedSymbol(u + 0xF000, font);
        if (c != 0 && !hidden())
            m_out->append(QChar(c));
    }

    // A field shows its result, between "separate" and "end", never its instruction.
    void fieldChar(QStringView type) {
        if (type == u"begin") {
            m_fields.append(false);
            ++m_hiddenFields;
        } else if (type == u"separate") {
            if (!m_fields.isEmpty() && !m_fields.last()) {
                m_fields.last() = true;
                --m_hiddenFields;
            }
        } else if (type == u"end" && !m_fields.isEmpty()) {
            if (!m_fields.takeLast())
                --m_hiddenFields;
        }
    }

    bool hidden() const { return m_hiddenFields > 0; }

    void readNoteReference(bool footnote) {
        const QString id = wAttribute(*m_xml, u"id").toString();
        m_xml->skipCurrentElement();
        if (hidden())
            return;
        const QString mark =
            u'[' + (footnote ? QString::number(++m_footnoteCount) : romanNumber(++m_endnoteCount)) +
            u']';
        m_out->append(QStringView(mark));
        const QString text = (footnote ? m_footnotes : m_endnotes).value(id);
        if (text.isEmpty())
            return;
        if (m_out == &m_main && m_paragraphDepth > 0)
            m_notes.append(mark + u' ' + text);
        else
            m_out->append(QString(u' ' + text));
    }

    void appendText(QStringView text) {
        if (hidden())
            return;
        for (QChar c : text) {
            if (const char16_t u = mappedSymbol(c.unicode(), m_font))
                m_out->append(QChar(u));
        }
    }

    Lists &m_lists;
    QXmlStreamReader *m_xml = nullptr;
    ParagraphBuilder m_main;
    ParagraphBuilder *m_out = &m_main;
    QHash<QString, QString> m_footnotes;
    QHash<QString, QString> m_endnotes;
    QStringList m_notes; // cited in the paragraph being read
    int m_paragraphDepth = 0;
    int m_footnoteCount = 0;
    int m_endnoteCount = 0;
    QList<bool> m_fields; // open fields: whether each has reached its result
    int m_hiddenFields = 0;
    Font m_font = Font::Symbol; // a private character in an unknown font is most likely Symbol
};

struct Relationship {
    QString type;
    QString target;
};

QList<Relationship> relationships(const QByteArray &xml) {
    QList<Relationship> out;
    QXmlStreamReader x(xml);
    while (!x.atEnd()) {
        if (x.readNext() != QXmlStreamReader::StartElement || x.name() != u"Relationship")
            continue;
        const QXmlStreamAttributes a = x.attributes();
        if (a.value(QStringLiteral("TargetMode")) != u"External")
            out.append({a.value(QStringLiteral("Type")).toString(),
                        a.value(QStringLiteral("Target")).toString()});
    }
    return out;
}

// A part name as the zip holds it: relative to `base` unless it starts at the root.
QString partName(const QString &base, const QString &target) {
    if (target.startsWith(u'/'))
        return target.mid(1);
    return QDir::cleanPath(base + target);
}

// The main document: named by the package's relationships, else by its content types.
QString mainPart(BookArchive &archive, ReadBudget &budget) {
    if (const auto rels = archive.read(QStringLiteral("_rels/.rels"), budget)) {
        for (const Relationship &r : relationships(*rels)) {
            if (r.type.endsWith(u"/officeDocument") && archive.find(partName({}, r.target)))
                return partName({}, r.target);
        }
    }
    if (const auto types = archive.read(QStringLiteral("[Content_Types].xml"), budget)) {
        QXmlStreamReader x(*types);
        while (!x.atEnd()) {
            if (x.readNext() != QXmlStreamReader::StartElement || x.name() != u"Override")
                continue;
            const QXmlStreamAttributes a = x.attributes();
            const QString part = partName({}, a.value(QStringLiteral("PartName")).toString());
            if (a.value(QStringLiteral("ContentType")).endsWith(u".main+xml") && archive.find(part))
                return part;
        }
    }
    return QStringLiteral("word/document.xml");
}

} // namespace

ConversionResult readDocxParts(const DocxParts &parts) {
    Lists lists;
    lists.readNumbering(parts.numbering);
    lists.readStyles(parts.styles);
    return DocxText(parts, lists).read(parts.document);
}

ConversionResult readDocx(const QString &path, ReadBudget budget,
                          const ConversionProgress &progress) {
    const std::unique_ptr<BookArchive> archive = BookArchive::open(path, budget);
    if (!archive)
        return ConversionResult::failure(Failure::Damaged);
    const auto refused = [&budget] {
        return ConversionResult::failure(budget.bytesLeft() > 0 ? Failure::Damaged
                                                                : Failure::TooLarge);
    };
    const QString main = mainPart(*archive, budget);
    DocxParts parts;
    if (const auto document = archive->read(main, budget))
        parts.document = *document;
    else
        return refused();

    const qsizetype slash = main.lastIndexOf(u'/');
    const QString dir = main.left(slash + 1);
    QHash<QString, QString> related; // the last word of a relationship's type: part name
    if (const auto rels =
            archive->read(dir + u"_rels/"_s + main.mid(slash + 1) + u".rels"_s, budget)) {
        for (const Relationship &r : relationships(*rels))
            related.insert(r.type.mid(r.type.lastIndexOf(u'/') + 1), partName(dir, r.target));
    }
    const auto part = [&](const QString &type, QByteArray &into) {
        const QString name = related.value(type, dir + type + u".xml"_s);
        if (archive->find(name)) {
            if (const auto bytes = archive->read(name, budget))
                into = *bytes;
        }
    };
    part(QStringLiteral("footnotes"), parts.footnotes);
    part(QStringLiteral("endnotes"), parts.endnotes);
    part(QStringLiteral("numbering"), parts.numbering);
    part(QStringLiteral("styles"), parts.styles);
    if (budget.bytesLeft() == 0)
        return ConversionResult::failure(Failure::TooLarge);
    if (!progress.proceed(50))
        return ConversionResult::failure(Failure::Cancelled);

    ConversionResult result = readDocxParts(parts);
    if (result && !budget.spendChars(result.text().size()))
        return ConversionResult::failure(Failure::TooLarge);
    return result;
}

} // namespace zk
