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

bool isNotesKind(QStringView kind) {
    return kind.compare(u"notes", Qt::CaseInsensitive) == 0 ||
           kind.compare(u"comments", Qt::CaseInsensitive) == 0;
}

// The first pass: the notes, which follow the main body but are placed inside it.
QStringView noteHref(const MarkupTag &tag) {
    for (QStringView name : {u"l:href", u"xlink:href", u"href"}) {
        const QStringView href = tag.attribute(name);
        if (!href.isEmpty())
            return href;
    }
    return {};
}

class Fb2NotesHandler final : public MarkupHandler {
public:
    QHash<QString, QString> take() { return std::move(m_notes); }

    void tag(const MarkupTag &tag, ParagraphBuilder &out) override {
        const QStringView name = localName(tag.name);
        if (name == u"body") {
            m_inNotes = !tag.closing && isNotesKind(tag.attribute(u"name"));
            return;
        }
        if (!m_inNotes || tag.selfClosing)
            return;
        if (name == u"section") {
            if (!tag.closing) {
                const QStringView id = tag.attribute(u"id");
                if (m_id.isEmpty() && !id.isEmpty()) {
                    m_id = id.toString();
                    m_nested = 0;
                    out.take();
                } else if (!m_id.isEmpty()) {
                    ++m_nested;
                }
            } else if (!m_id.isEmpty() && m_nested-- == 0) {
                m_notes.insert(m_id, out.take().replace(u'\n', u' ').trimmed());
                m_id.clear();
            }
        } else if (name == u"title" && !tag.closing) {
            m_beforeTitle = out.take();
        } else if (name == u"title") {
            out.take();
            out.append(m_beforeTitle.replace(u'\n', u' '));
        }
        if (isFb2BlockElement(name))
            out.append(u' ');
    }

    bool readsText() const override { return m_inNotes; }

    bool skipsContent(const QString &name) const override { return localName(name) == u"binary"; }

private:
    QHash<QString, QString> m_notes;
    QString m_id;
    QString m_beforeTitle;
    int m_nested = 0;
    bool m_inNotes = false;
};

class Fb2Handler final : public MarkupHandler {
public:
    explicit Fb2Handler(QHash<QString, QString> notes) : m_notes(std::move(notes)) {}

    bool sawBook() const { return m_sawBook; }

    void tag(const MarkupTag &tag, ParagraphBuilder &out) override {
        const QStringView name = localName(tag.name);
        if (name == u"fictionbook") {
            m_sawBook = true;
        } else if (name == u"body") {
            const QStringView kind = tag.attribute(u"name");
            if (!tag.closing)
                m_inMainBody = !isNotesKind(kind);
            m_inBody = !tag.closing && m_inMainBody;
        } else if (!m_inBody && m_inMainBody && isFb2BlockElement(name)) {
            // A stray end tag of the main body: the book goes on until another body begins.
            m_inBody = true;
        } else if (name == u"a") {
            // A note's mark gives way to the note after the paragraph.
            if (tag.closing) {
                m_inNoteReference = false;
            } else if (tag.attribute(u"type") == u"note") {
                m_inNoteReference = !tag.selfClosing;
                if (m_inBody)
                    m_notes.cite(noteHref(tag));
            }
        }
        if (isFb2BlockElement(name))
            m_notes.paragraphEnded(out);
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
    Fb2NotePlacer m_notes;
};

} // namespace

bool isFb2BlockElement(QStringView name) {
    const std::u16string_view key(reinterpret_cast<const char16_t *>(name.utf16()),
                                  static_cast<size_t>(name.size()));
    return std::find(kBlockElements.begin(), kBlockElements.end(), key) != kBlockElements.end();
}

void Fb2NoteCollector::startElement(QStringView name, QStringView id) {
    if (name == u"section") {
        if (m_id.isEmpty() && !id.isEmpty()) {
            m_id = id.toString();
            m_nested = 0;
            m_title = 0;
        } else if (!m_id.isEmpty()) {
            ++m_nested;
        }
    } else if (!m_id.isEmpty() && name == u"title") {
        ++m_title;
    }
    if (!m_id.isEmpty() && isFb2BlockElement(name))
        m_text.append(u' ');
}

void Fb2NoteCollector::endElement(QStringView name) {
    if (m_id.isEmpty())
        return;
    if (name == u"title")
        m_title = std::max(0, m_title - 1);
    if (isFb2BlockElement(name))
        m_text.append(u' ');
    if (name == u"section" && m_nested-- == 0) {
        m_notes.insert(m_id, ParagraphBuilder::fromLines(m_text.replace(u'\n', u' ')).trimmed());
        m_id.clear();
        m_text.clear();
    }
}

void Fb2NoteCollector::text(QStringView text) {
    if (!m_id.isEmpty() && m_title == 0)
        m_text.append(text);
}

void Fb2NotePlacer::cite(QStringView href) {
    const QString id = (href.startsWith(u'#') ? href.sliced(1) : href).toString();
    const QString note = m_notes.value(id);
    if (!note.isEmpty())
        m_pending.append(QStringLiteral("[%1] %2").arg(m_count + 1).arg(note));
    ++m_count;
}

void Fb2NotePlacer::paragraphEnded(ParagraphBuilder &out) {
    out.endParagraph();
    for (const QString &note : std::as_const(m_pending)) {
        out.append(note);
        out.endParagraph();
    }
    m_pending.clear();
}

std::optional<QString> recoverFb2(const QByteArray &bytes) {
    const QString text = decodeMarkup(bytes);
    ParagraphBuilder out;
    Fb2NotesHandler notes;
    readMarkup(text, out, notes);
    out.take();
    Fb2Handler handler(notes.take());
    readMarkup(text, out, handler);
    QString result = out.take();
    if (!handler.sawBook() || result.isEmpty())
        return std::nullopt;
    return result;
}

} // namespace zk
