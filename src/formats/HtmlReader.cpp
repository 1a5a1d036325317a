#include "formats/BookReaders.h"
#include "formats/MarkupScanner.h"
#include "formats/ParagraphBuilder.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace zk {

namespace {

using namespace std::string_view_literals;

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

class HtmlHandler final : public MarkupHandler {
public:
    void tag(const MarkupTag &tag, ParagraphBuilder &out) override {
        if (tag.name == u"pre" && !tag.selfClosing)
            m_preDepth = std::max(0, m_preDepth + (tag.closing ? -1 : 1));
        if (std::binary_search(kBlockElements.begin(), kBlockElements.end(), view(tag.name)))
            out.endParagraph();
        else if (tag.name == u"td" || tag.name == u"th")
            out.append(QLatin1Char(' '));
    }

    bool keepsLines() const override { return m_preDepth > 0; }

    bool skipsContent(const QString &name) const override {
        return std::find(kRawElements.begin(), kRawElements.end(), view(name)) !=
               kRawElements.end();
    }

private:
    int m_preDepth = 0;
};

} // namespace

QString readHtml(const QByteArray &bytes, bool xhtml) {
    const QString decoded = decodeMarkup(bytes, xhtml);
    ParagraphBuilder out;
    HtmlHandler handler;
    readMarkup(decoded, out, handler);
    return out.take();
}

} // namespace zk
