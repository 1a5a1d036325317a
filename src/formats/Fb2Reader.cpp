#include "formats/BookReaders.h"
#include "formats/EncodingDetector.h"
#include "formats/Fb2Recovery.h"
#include "formats/ParagraphBuilder.h"

#include <QHash>
#include <QStringDecoder>
#include <QXmlStreamReader>

namespace zk {

namespace {

bool isNotesBody(const QXmlStreamReader &xml) {
    const QXmlStreamAttributes attributes = xml.attributes();
    const QStringView name = attributes.value(QLatin1StringView("name"));
    return name.compare(u"notes", Qt::CaseInsensitive) == 0 ||
           name.compare(u"comments", Qt::CaseInsensitive) == 0;
}

bool isNoteReference(const QXmlStreamReader &xml) {
    return xml.name() == u"a" && xml.attributes().value(QLatin1StringView("type")) == u"note";
}

QStringView noteHref(const QXmlStreamReader &xml) {
    for (const QXmlStreamAttribute &attribute : xml.attributes()) {
        if (attribute.name() == u"href")
            return attribute.value();
    }
    return {};
}

// The notes bodies, read before the main ones that cite them. A book that is not well-formed
// is read again tolerantly anyway, so errors are left to the main pass.
QHash<QString, QString> readNotes(const QByteArray &bytes) {
    Fb2NoteCollector notes;
    QXmlStreamReader xml(bytes);
    int notesDepth = 0; // inside a notes body when above zero
    while (!xml.atEnd()) {
        switch (xml.readNext()) {
        case QXmlStreamReader::StartElement:
            if (notesDepth > 0) {
                ++notesDepth;
                notes.startElement(xml.name(), xml.attributes().value(QLatin1StringView("id")));
            } else if (xml.name() == u"body" && isNotesBody(xml)) {
                notesDepth = 1;
            }
            break;
        case QXmlStreamReader::EndElement:
            if (notesDepth > 0 && --notesDepth > 0)
                notes.endElement(xml.name());
            break;
        case QXmlStreamReader::Characters:
            if (notesDepth > 0)
                notes.text(xml.text());
            break;
        default:
            break;
        }
    }
    return notes.take();
}

// Reads one <body> whose start tag has just been read, up to its end tag.
void readBody(QXmlStreamReader &xml, ParagraphBuilder &out, Fb2NotePlacer &notes) {
    int depth = 1;
    while (depth > 0 && !xml.atEnd()) {
        switch (xml.readNext()) {
        case QXmlStreamReader::StartElement:
            if (isNoteReference(xml))
                notes.cite(noteHref(xml));
            if (xml.name() == u"image" || xml.name() == u"binary" || isNoteReference(xml)) {
                xml.skipCurrentElement();
                break;
            }
            ++depth;
            if (isFb2BlockElement(xml.name()))
                notes.paragraphEnded(out);
            break;
        case QXmlStreamReader::EndElement:
            --depth;
            if (isFb2BlockElement(xml.name()))
                notes.paragraphEnded(out);
            break;
        case QXmlStreamReader::Characters:
            out.append(xml.text());
            break;
        default:
            break;
        }
    }
    notes.paragraphEnded(out);
}

// What the document's own entities can add to its text, counted before the reader expands
// them (it would build the whole expansion as one piece of text). Counting stops beyond `cap`.
qint64 entityExpansion(const QByteArray &bytes, const QXmlStreamReader &xml, qint64 cap) {
    // The reader refuses any one reference that expands beyond its limit, nesting included, so
    // an entity that names others counts as that limit.
    const qint64 limit = xml.entityExpansionLimit();
    QHash<QString, qint64> sizes;
    qsizetype longestName = 0;
    for (const QXmlStreamEntityDeclaration &d : xml.entityDeclarations()) {
        if (d.systemId().isEmpty() && d.publicId().isEmpty()) {
            const QStringView value = d.value();
            sizes.insert(d.name().toString(),
                         value.contains(u'&') ? limit : std::min<qint64>(value.size(), limit));
            longestName = std::max(longestName, d.name().size());
        }
    }
    if (sizes.isEmpty())
        return 0;

    // References are looked for in the decoded text, so every encoding is seen alike.
    const std::optional<QStringConverter::Encoding> bom =
        QStringConverter::encodingForData(bytes, u'<');
    QStringDecoder decoder =
        bom ? QStringDecoder(*bom) : QStringDecoder(xml.documentEncoding().toLatin1().constData());
    if (!decoder.isValid())
        decoder = QStringDecoder(QStringConverter::Utf8);
    const QString text = decoder.decode(bytes);

    qint64 total = 0;
    for (qsizetype i = text.indexOf(u'&'); i >= 0 && total <= cap; i = text.indexOf(u'&', i + 1)) {
        const QStringView name = QStringView(text).sliced(i + 1).left(longestName + 1);
        const qsizetype semicolon = name.indexOf(u';');
        if (semicolon <= 0)
            continue;
        const auto size = sizes.constFind(name.left(semicolon).toString());
        if (size != sizes.cend())
            total += *size;
    }
    return total;
}

// A declaration of a single-byte encoding over bytes that are plainly UTF-8 (a book saved
// again without its header changed) gives way to what the bytes say.
QByteArray withTruthfulDeclaration(const QByteArray &bytes) {
    const qsizetype end = bytes.indexOf("?>");
    if (!bytes.startsWith("<?xml") || end < 0 || end > 200)
        return bytes;
    const qsizetype at = bytes.indexOf("encoding=", 5);
    if (at < 0 || at > end || at + 10 >= end)
        return bytes;
    const char quote = bytes[at + 9];
    const qsizetype close = bytes.indexOf(quote, at + 10);
    if ((quote != '"' && quote != '\'') || close < 0 || close > end)
        return bytes;
    const QByteArray declared = bytes.mid(at + 10, close - at - 10);
    if (EncodingDetector::isUnicode(declared) || !EncodingDetector::isNearlyUtf8(bytes))
        return bytes;
    return QByteArray(bytes).replace(at + 10, close - at - 10, "UTF-8");
}

} // namespace

std::optional<QString> readFb2(const QByteArray &original, ReadBudget budget, bool *damaged) {
    const QByteArray bytes = withTruthfulDeclaration(original);
    QXmlStreamReader xml(bytes);
    while (!xml.atEnd() && xml.readNext() != QXmlStreamReader::StartElement) {
        if (xml.tokenType() == QXmlStreamReader::DTD &&
            entityExpansion(bytes, xml, budget.charsLeft()) > budget.charsLeft())
            return std::nullopt;
    }
    std::optional<QString> text;
    // Recovery keeps all of a book that is merely not well-formed; one cut short lost its end.
    bool cutShort = false;
    if (xml.hasError()) {
        text = recoverFb2(bytes);
        cutShort = xml.error() == QXmlStreamReader::PrematureEndOfDocumentError;
    } else if (xml.tokenType() != QXmlStreamReader::StartElement || xml.name() != u"FictionBook") {
        return std::nullopt;
    } else {
        ParagraphBuilder out;
        Fb2NotePlacer notes(readNotes(bytes));
        while (xml.readNextStartElement()) {
            if (xml.name() == u"body" && !isNotesBody(xml))
                readBody(xml, out, notes);
            else
                xml.skipCurrentElement();
        }
        // Read to the end: a book broken anywhere is read again, tolerantly.
        while (!xml.atEnd())
            xml.readNext();
        cutShort = xml.error() == QXmlStreamReader::PrematureEndOfDocumentError;
        text = xml.hasError() ? recoverFb2(bytes) : out.take();
    }
    if (!text || !budget.spendChars(text->size()))
        return std::nullopt;
    if (damaged)
        *damaged = cutShort;
    return text;
}

} // namespace zk
