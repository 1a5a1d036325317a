#include "editor/text/BookReaders.h"
#include "editor/text/ParagraphBuilder.h"

#include <QXmlStreamReader>

#include <algorithm>
#include <array>
#include <string_view>

namespace zk {

namespace {

using namespace std::string_view_literals;

constexpr std::array kBlockElements = {
    u"annotation"sv,  u"cite"sv,    u"date"sv,   u"empty-line"sv, u"epigraph"sv, u"p"sv,
    u"poem"sv,        u"section"sv, u"stanza"sv, u"subtitle"sv,   u"table"sv,    u"td"sv,
    u"text-author"sv, u"th"sv,      u"title"sv,  u"tr"sv,         u"v"sv,
};

bool isBlockElement(QStringView name) {
    const std::u16string_view key(reinterpret_cast<const char16_t *>(name.utf16()),
                                  static_cast<size_t>(name.size()));
    return std::find(kBlockElements.begin(), kBlockElements.end(), key) != kBlockElements.end();
}

bool isNotesBody(const QXmlStreamReader &xml) {
    const QXmlStreamAttributes attributes = xml.attributes();
    const QStringView name = attributes.value(QLatin1StringView("name"));
    return name.compare(u"notes", Qt::CaseInsensitive) == 0 ||
           name.compare(u"comments", Qt::CaseInsensitive) == 0;
}

bool isNoteReference(const QXmlStreamReader &xml) {
    return xml.name() == u"a" && xml.attributes().value(QLatin1StringView("type")) == u"note";
}

// Reads one <body> whose start tag has just been read, up to its end tag.
void readBody(QXmlStreamReader &xml, ParagraphBuilder &out) {
    int depth = 1;
    while (depth > 0 && !xml.atEnd()) {
        switch (xml.readNext()) {
        case QXmlStreamReader::StartElement:
            if (xml.name() == u"image" || xml.name() == u"binary" || isNoteReference(xml)) {
                xml.skipCurrentElement();
                break;
            }
            ++depth;
            if (isBlockElement(xml.name()))
                out.endParagraph();
            break;
        case QXmlStreamReader::EndElement:
            --depth;
            if (isBlockElement(xml.name()))
                out.endParagraph();
            break;
        case QXmlStreamReader::Characters:
            out.append(xml.text());
            break;
        default:
            break;
        }
    }
    out.endParagraph();
}

} // namespace

std::optional<QString> readFb2(const QByteArray &bytes) {
    QXmlStreamReader xml(bytes);
    if (!xml.readNextStartElement() || xml.name() != u"FictionBook")
        return std::nullopt;

    ParagraphBuilder out;
    while (xml.readNextStartElement()) {
        if (xml.name() == u"body" && !isNotesBody(xml))
            readBody(xml, out);
        else
            xml.skipCurrentElement();
    }
    // Read to the end, so a file cut off after the text still counts as damaged.
    while (!xml.atEnd())
        xml.readNext();
    if (xml.hasError())
        return std::nullopt;
    return out.take();
}

} // namespace zk
