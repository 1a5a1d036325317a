#include "formats/Fb2Recovery.h"
#include "formats/MarkupScanner.h"
#include "formats/ParagraphBuilder.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace zk {

namespace {

using namespace std::string_view_literals;

constexpr std::array kBlockElements = {
    u"annotation"sv,  u"cite"sv,    u"date"sv,   u"empty-line"sv, u"epigraph"sv, u"p"sv,
    u"poem"sv,        u"section"sv, u"stanza"sv, u"subtitle"sv,   u"table"sv,    u"td"sv,
    u"text-author"sv, u"th"sv,      u"title"sv,  u"tr"sv,         u"v"sv,        u"body"sv,
};

// Tags may carry a namespace prefix ("fb:p").
QStringView localName(const QString &name) {
    const qsizetype colon = name.lastIndexOf(u':');
    return colon < 0 ? QStringView(name) : QStringView(name).sliced(colon + 1);
}

class Fb2Handler final : public MarkupHandler {
public:
    bool sawBook() const { return m_sawBook; }

    void tag(const MarkupTag &tag, ParagraphBuilder &out) override {
        const QStringView name = localName(tag.name);
        if (name == u"fictionbook") {
            m_sawBook = true;
        } else if (name == u"body") {
            const QStringView kind = tag.attribute(u"name");
            if (!tag.closing)
                m_inMainBody = kind.compare(u"notes", Qt::CaseInsensitive) != 0 &&
                               kind.compare(u"comments", Qt::CaseInsensitive) != 0;
            m_inBody = !tag.closing && m_inMainBody;
        } else if (!m_inBody && m_inMainBody && isFb2BlockElement(name)) {
            // A stray end tag of the main body: the book goes on until another body begins.
            m_inBody = true;
        } else if (name == u"a") {
            // Note references are left out, as in a well-formed book.
            if (tag.closing)
                m_inNoteReference = false;
            else if (!tag.selfClosing && tag.attribute(u"type") == u"note")
                m_inNoteReference = true;
        }
        if (isFb2BlockElement(name))
            out.endParagraph();
    }

    bool readsText() const override { return m_inBody && !m_inNoteReference; }

    bool skipsContent(const QString &name) const override {
        const QStringView local = localName(name);
        // An image has no content: one written without its "/" must not swallow the book.
        return local == u"description" || local == u"binary";
    }

private:
    bool m_sawBook = false;
    bool m_inBody = false;
    bool m_inMainBody = false; // the last body begun is a main one
    bool m_inNoteReference = false;
};

} // namespace

bool isFb2BlockElement(QStringView name) {
    const std::u16string_view key(reinterpret_cast<const char16_t *>(name.utf16()),
                                  static_cast<size_t>(name.size()));
    return std::find(kBlockElements.begin(), kBlockElements.end(), key) != kBlockElements.end();
}

std::optional<QString> recoverFb2(const QByteArray &bytes) {
    const QString text = decodeMarkup(bytes);
    ParagraphBuilder out;
    Fb2Handler handler;
    readMarkup(text, out, handler);
    QString result = out.take();
    if (!handler.sawBook() || result.isEmpty())
        return std::nullopt;
    return result;
}

} // namespace zk
