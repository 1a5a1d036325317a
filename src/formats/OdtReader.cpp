#include "formats/OdtReader.h"
#include "formats/BookArchive.h"
#include "formats/ListNumbers.h"
#include "formats/ParagraphBuilder.h"
#include "formats/SymbolFonts.h"

#include <QHash>
#include <QXmlStreamReader>

#include <algorithm>
#include <array>
#include <climits>
#include <vector>

namespace zk {

namespace {

using Failure = ConversionResult::Failure;

const QString kText = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:text:1.0");
const QString kOffice = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:office:1.0");
const QString kStyle = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:style:1.0");
const QString kSvg = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0");
const QString kDraw = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:drawing:1.0");
const QString kFo = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0");

const QString kXml = QStringLiteral("http://www.w3.org/XML/1998/namespace");

// Deeper elements are skipped whole: no document nests this far, and recursion stays bounded.
constexpr int kMaxDepth = 256;
constexpr int kListLevels = 10;
constexpr int kUnset = INT_MIN;
constexpr int kMaxCount = 1'000'000'000;
// Lists another may continue by name; past this many a hostile document's names are forgotten.
constexpr qsizetype kMostNamedLists = 100000;

using Font = SymbolFont;

// One level of a list style: how its label looks.
struct ListLevel {
    enum class Kind { None, Number, Bullet };
    Kind kind = Kind::None;
    QString format; // style:num-format
    QString prefix;
    QString suffix;
    QString bullet;
    int start = 1;
    int displayLevels = 1;
    bool letterSync = false;
};

using ListStyle = std::array<ListLevel, kListLevels>;

struct Counters : std::array<int, kListLevels> {
    Counters() { fill(kUnset); }

    // Counts a paragraph at a level, from `value` when given. The deeper levels start over;
    // a level above that has not been counted stands at its start, as if it had.
    void count(const ListStyle &style, int level, int value) {
        for (int l = 0; l < level; ++l) {
            if ((*this)[l] == kUnset)
                (*this)[l] = style[l].start;
        }
        int &c = (*this)[level];
        c = value != kUnset ? value : c == kUnset ? style[level].start : std::min(c + 1, kMaxCount);
        std::fill(begin() + level + 1, end(), kUnset);
    }
};

QString formatNumber(int n, const ListLevel &level) {
    static const QString latin = QStringLiteral("abcdefghijklmnopqrstuvwxyz");
    // The Russian alphabet as LibreOffice counts in it: no ё, й, ъ or ь.
    static const QString russian = QStringLiteral("абвгдежзиклмнопрстуфхцчшщыэюя");
    const QString &format = level.format;
    if (format.isEmpty())
        return {};
    switch (format[0].unicode()) {
    case u'a':
        return letterNumber(n, latin, level.letterSync);
    case u'A':
        return letterNumber(n, latin, level.letterSync).toUpper();
    case u'i':
        return romanNumber(n);
    case u'I':
        return romanNumber(n).toUpper();
    case u'а':
    case u'А': {
        // LibreOffice names its two Russian countings "а, б, .., аа, аб, ..." and
        // "а, б, .., аа, бб, ..."; upper case capitalises the first letter only.
        const bool repeat = level.letterSync || format.contains(u"бб", Qt::CaseInsensitive);
        QString out = letterNumber(n, russian, repeat);
        if (format[0] == u'А')
            out[0] = out[0].toUpper();
        return out;
    }
    default:
        return QString::number(n);
    }
}

// The label an item shows at a level, given the counts of its list.
QString listLabel(const ListStyle &style, int level, const Counters &counts) {
    const ListLevel &own = style[level];
    if (own.kind == ListLevel::Kind::Bullet)
        return own.bullet;
    if (own.kind == ListLevel::Kind::None)
        return {};
    QString numbers;
    for (int l = std::max(0, level - own.displayLevels + 1); l <= level; ++l) {
        const QString part =
            formatNumber(counts[l] == kUnset ? style[l].start : counts[l], style[l]);
        if (part.isEmpty())
            continue;
        if (!numbers.isEmpty())
            numbers += u'.';
        numbers += part;
    }
    return own.prefix + numbers + own.suffix;
}

class OdtContent {
public:
    // Takes the fonts and styles of a part; the body, when there is one, is read as text.
    void readPart(const QByteArray &xml) {
        m_xml.clear();
        m_xml.addData(xml);
        while (!m_xml.atEnd()) {
            if (m_xml.readNext() != QXmlStreamReader::StartElement)
                continue;
            if (is(kStyle, u"font-face"))
                readFontFace();
            else if (is(kStyle, u"style"))
                readStyle();
            else if (is(kText, u"list-style") || is(kText, u"outline-style"))
                readListStyle();
            else if (is(kOffice, u"body"))
                readChildren();
        }
    }

    ConversionResult read(const QByteArray &content) {
        readPart(content);
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
        // The automatic styles of styles.xml and of content.xml are named alike (P1, T1): the
        // later one replaces the earlier whole.
        m_styleFonts.remove(name);
        m_styleLists.remove(name);
        const QStringView list = attribute(kStyle, QStringLiteral("list-style-name"));
        if (!list.isEmpty())
            m_styleLists.insert(name, list.toString());
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
            if (font != m_styleFonts.cend())
                return symbolFontNamed(m_fontFamilies.value(*font, *font));
            name = m_styleParents.value(name);
        }
        return m_font;
    }

    // The list style a paragraph style names, itself or through its parents.
    QString listStyleOf(QStringView style) const {
        QString name = style.toString();
        for (int hops = 0; hops < 8 && !name.isEmpty(); ++hops) {
            const auto list = m_styleLists.constFind(name);
            if (list != m_styleLists.cend())
                return *list;
            name = m_styleParents.value(name);
        }
        return {};
    }

    void readListStyle() {
        const bool outline = m_xml.name() == u"outline-style";
        const QString name = attribute(kStyle, QStringLiteral("name")).toString();
        ListStyle style;
        while (m_xml.readNextStartElement()) {
            const int level = attribute(kText, QStringLiteral("level")).toInt();
            if (m_xml.namespaceUri() == kText && level >= 1 && level <= kListLevels &&
                m_xml.name().startsWith(outline ? u"outline-level-style" : u"list-level-style-"))
                readListLevel(style[level - 1]);
            else
                m_xml.skipCurrentElement();
        }
        if (outline)
            m_outline = style;
        else
            m_listStyles.insert(name, style);
    }

    void readListLevel(ListLevel &level) {
        const QStringView name = m_xml.name();
        const auto text = [this](const char16_t *attr) {
            return attribute(kText, QString::fromUtf16(attr));
        };
        const auto style = [this](const char16_t *attr) {
            return attribute(kStyle, QString::fromUtf16(attr));
        };
        if (name.endsWith(u"-bullet")) {
            level.kind = ListLevel::Kind::Bullet;
            level.bullet = text(u"bullet-char").toString();
        } else if (name.endsWith(u"-image")) {
            level.kind = ListLevel::Kind::Bullet;
            level.bullet = QStringLiteral("•");
        } else {
            level.kind = ListLevel::Kind::Number;
            level.format = style(u"num-format").toString();
            level.prefix = style(u"num-prefix").toString();
            level.suffix = style(u"num-suffix").toString();
            bool ok = false;
            const int start = text(u"start-value").toInt(&ok);
            level.start = ok ? std::clamp(start, 0, kMaxCount) : 1;
            level.displayLevels = std::clamp(text(u"display-levels").toInt(), 1, kListLevels);
            level.letterSync = style(u"num-letter-sync") == u"true";
        }
        Font font = Font::Symbol;
        while (m_xml.readNextStartElement()) {
            if (is(kStyle, u"text-properties")) {
                QString family = attribute(kStyle, QStringLiteral("font-name")).toString();
                family = family.isEmpty() ? attribute(kFo, QStringLiteral("font-family")).toString()
                                          : m_fontFamilies.value(family, family);
                font = symbolFontNamed(family.remove(u'\'').remove(u'"'));
            }
            m_xml.skipCurrentElement();
        }
        if (level.kind != ListLevel::Kind::Bullet)
            return;
        QString bullet;
        for (QChar c : std::as_const(level.bullet)) {
            const char16_t u = mappedSymbol(c.unicode(), font);
            // A private character of a font without a map (StarBats, OpenSymbol) is a bullet
            // all the same.
            if (u >= 0xE000 && u <= 0xF8FF)
                bullet += u'•';
            else if (u != 0)
                bullet += QChar(u);
        }
        level.bullet = bullet.isEmpty() ? QStringLiteral("•") : bullet;
    }

    void appendText(QStringView text) {
        for (QChar c : text) {
            if (const char16_t u = mappedSymbol(c.unicode(), m_font))
                m_out->append(QChar(u));
        }
    }

    // Reads the content of the element just started, up to its end.
    void readChildren() {
        if (m_depth >= kMaxDepth) {
            m_xml.skipCurrentElement();
            return;
        }
        ++m_depth;
        while (!m_xml.atEnd()) {
            const auto token = m_xml.readNext();
            if (token == QXmlStreamReader::EndElement)
                break;
            if (token == QXmlStreamReader::Characters)
                appendText(m_xml.text());
            else if (token == QXmlStreamReader::StartElement)
                readElement();
        }
        --m_depth;
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
            if (name == u"list") {
                readList();
                return;
            }
            if (name == u"list-item" || name == u"list-header") {
                readListItem(name == u"list-header");
                return;
            }
            // The label a list item or heading had when saved: the counted one replaces it.
            if (name == u"number" && (m_paragraphDepth == 0 || m_labelled)) {
                m_xml.skipCurrentElement();
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

    void readList() {
        const QString own = attribute(kText, QStringLiteral("style-name")).toString();
        OpenList list;
        if (m_openLists.isEmpty()) {
            list.style = own;
            const QStringView continued = attribute(kText, QStringLiteral("continue-list"));
            if (!continued.isEmpty())
                list.chain = m_chainIds.value(continued.toString(), -1);
            else if (attribute(kText, QStringLiteral("continue-numbering")) == u"true" &&
                     m_lastList >= 0 && m_lastListStyle == own)
                list.chain = m_lastList;
            if (list.chain < 0)
                list.chain = newChain();
            const QStringView id = attribute(kXml, QStringLiteral("id"));
            if (!id.isEmpty() && m_chainIds.size() < kMostNamedLists) {
                m_chainIds.insert(id.toString(), list.chain);
                m_named[size_t(list.chain)] = true;
            }
        } else {
            // A nested list goes on counting with its outer one, in its own style if it has one.
            list.chain = m_openLists.last().chain;
            list.style = own.isEmpty() ? m_openLists.last().style : own;
        }
        m_openLists.append(list);
        readChildren();
        m_openLists.removeLast();
        if (m_openLists.isEmpty()) {
            // Counts no list can continue any more are given to the lists to come, so that
            // millions of lists cost no more than a few.
            const int previous = std::exchange(m_lastList, list.chain);
            if (previous >= 0 && previous != list.chain && !m_named[size_t(previous)])
                m_free.push_back(previous);
            m_lastListStyle = list.style;
        }
    }

    int newChain() {
        if (!m_free.empty()) {
            const int chain = m_free.back();
            m_free.pop_back();
            m_chains[size_t(chain)] = Counters();
            return chain;
        }
        m_chains.emplace_back();
        m_named.push_back(false);
        return static_cast<int>(m_chains.size()) - 1;
    }

    // The first paragraph of an item is counted and shows the label; an item holding only a
    // deeper list counts nothing at its own level. A header is not counted and shows no label.
    void readListItem(bool header) {
        m_pending = {};
        if (!header && !m_openLists.isEmpty()) {
            const OpenList &list = m_openLists.last();
            bool given = false;
            const int value = attribute(kText, QStringLiteral("start-value")).toInt(&given);
            m_pending = {list.chain,
                         static_cast<int>(std::min<qsizetype>(m_openLists.size(), kListLevels)) - 1,
                         given ? std::clamp(value, 0, kMaxCount) : kUnset, list.style};
        }
        readChildren();
        m_pending = {};
    }

    // The label of the list item whose first paragraph starts.
    QString takeListLabel(const QString &paragraphStyle) {
        if (m_pending.chain < 0)
            return {};
        const PendingLabel item = std::exchange(m_pending, {});
        // A list without a style of its own takes the one its paragraph's style names.
        const auto found =
            m_listStyles.constFind(item.style.isEmpty() ? listStyleOf(paragraphStyle) : item.style);
        static const ListStyle unstyled;
        const ListStyle &style = found == m_listStyles.cend() ? unstyled : *found;
        Counters &counts = m_chains[size_t(item.chain)];
        counts.count(style, item.level, item.value);
        return listLabel(style, item.level, counts);
    }

    // The number a heading takes from the document's outline numbering.
    QString takeOutlineLabel() {
        bool ok = false;
        const int level = attribute(kText, QStringLiteral("outline-level")).toInt(&ok);
        if (!ok || level < 1 || level > kListLevels ||
            attribute(kText, QStringLiteral("is-list-header")) == u"true")
            return {};
        bool given = false;
        const int value = attribute(kText, QStringLiteral("start-value")).toInt(&given);
        given = given && attribute(kText, QStringLiteral("restart-numbering")) == u"true";
        m_outlineCounts.count(m_outline, level - 1,
                              given ? std::clamp(value, 0, kMaxCount) : kUnset);
        return listLabel(m_outline, level - 1, m_outlineCounts);
    }

    void readParagraph() {
        const bool outermost = ++m_paragraphDepth == 1 && m_out == &m_main;
        m_out->endParagraph();
        const QString style = attribute(kText, QStringLiteral("style-name")).toString();
        QString label = takeListLabel(style);
        if (label.isEmpty() && m_openLists.isEmpty() && m_xml.name() == u"h")
            label = takeOutlineLabel();
        const bool outerLabelled = std::exchange(m_labelled, !label.isEmpty());
        if (m_labelled) {
            m_out->append(QStringView(label));
            m_out->append(u' ');
        }
        withFont(style, [this] { readChildren(); });
        m_labelled = outerLabelled;
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
                // Lists in the note are lists of their own.
                const QList<OpenList> outerLists = std::exchange(m_openLists, {});
                const PendingLabel outerPending = std::exchange(m_pending, {});
                readChildren();
                m_openLists = outerLists;
                m_pending = outerPending;
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

    struct OpenList {
        int chain = -1; // index in m_chains
        QString style;
    };
    struct PendingLabel {
        int chain = -1;
        int level = 0;
        int value = kUnset; // the number the item asks for
        QString style;
    };

    QXmlStreamReader m_xml;
    int m_depth = 0;
    ParagraphBuilder m_main;
    ParagraphBuilder *m_out = &m_main;
    QStringList m_notes; // cited in the paragraph being read
    int m_paragraphDepth = 0;
    Font m_font = Font::Symbol; // a private character in an unknown font is most likely Symbol
    QHash<QString, QString> m_fontFamilies;
    QHash<QString, QString> m_styleFonts;
    QHash<QString, QString> m_styleParents;
    QHash<QString, QString> m_styleLists; // paragraph style: the list style it names

    QHash<QString, ListStyle> m_listStyles;
    ListStyle m_outline;
    Counters m_outlineCounts;
    std::vector<Counters> m_chains; // the counts of each list and of those continuing it
    std::vector<bool> m_named;      // whether a chain is known by an xml:id
    std::vector<int> m_free;        // chains no list can continue
    QHash<QString, int> m_chainIds; // a list's xml:id: its chain
    QList<OpenList> m_openLists;    // outermost first
    int m_lastList = -1;            // the chain of the last outermost list, and its style
    QString m_lastListStyle;
    PendingLabel m_pending;
    bool m_labelled = false; // the paragraph being read has its label already
};

} // namespace

ConversionResult readOdtContent(const QByteArray &contentXml, const QByteArray &stylesXml) {
    OdtContent content;
    if (!stylesXml.isEmpty())
        content.readPart(stylesXml);
    return content.read(contentXml);
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
    // The styles of the document's lists and headings; the text reads without them.
    QByteArray styles;
    if (archive->find(QStringLiteral("styles.xml"))) {
        if (const auto bytes = archive->read(QStringLiteral("styles.xml"), budget))
            styles = *bytes;
        else if (budget.bytesLeft() == 0)
            return ConversionResult::failure(Failure::TooLarge);
    }
    if (!progress.proceed(50))
        return ConversionResult::failure(Failure::Cancelled);
    ConversionResult result = readOdtContent(*content, styles);
    if (result && !budget.spendChars(result.text().size()))
        return ConversionResult::failure(Failure::TooLarge);
    return result;
}

} // namespace zk
