#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

namespace zk {

class ParagraphBuilder;

// One tag of HTML or XML as written, whatever its nesting.
struct MarkupTag {
    QString name; // in lower case, prefix kept ("l:href" stays)
    bool closing = false;
    bool selfClosing = false;
    QStringView source; // the whole tag, "<" to ">"

    // The value of an attribute, entities left as written; empty when absent.
    QStringView attribute(QStringView attributeName) const;
};

// What the text between tags becomes, decided by the kind of document.
class MarkupHandler {
public:
    virtual ~MarkupHandler() = default;
    virtual void tag(const MarkupTag &tag, ParagraphBuilder &out) = 0;
    // Whether text at this point is read at all.
    virtual bool readsText() const { return true; }
    // Line breaks in the text end paragraphs (inside <pre>).
    virtual bool keepsLines() const { return false; }
    // An element whose content is no text at all (script, style): skipped up to its end tag.
    virtual bool skipsContent(const QString &name) const = 0;
};

// Reads markup tolerantly, the way browsers read broken pages: tags need not nest or close, a
// bare "&" and an unknown entity stay as written, comments and declarations vanish, and the
// text of a file cut short is kept up to the cut.
void readMarkup(QStringView text, ParagraphBuilder &out, MarkupHandler &handler);

// The characters of an HTML, XHTML or XML file. A byte-order mark decides; a declared
// character set (a meta charset, an XML declaration) is believed when the bytes agree with it:
// UTF-8 that is valid or nearly so wins over any declaration, a declaration of UTF-8 or UTF-16
// that the bytes deny is ignored, and a declared non-Cyrillic character set gives way when the
// bytes are plainly in a Cyrillic one. Otherwise the bytes are read as a user's text file, or,
// with `utf8Default` (XML, where UTF-8 is the rule), as UTF-8 with stray bytes as U+FFFD.
QString decodeMarkup(const QByteArray &bytes, bool utf8Default = false);

} // namespace zk
