#pragma once

#include <QByteArray>

class QTextDocument;

namespace zk {

// Reads the subset of RTF that word processors write for plain formatted prose: paragraphs,
// alignment and indents, bold/italic/underline/strike-out, font family and size, colours,
// code pages and Unicode. Tables, lists, pictures, fields and other objects are reduced to
// their text (or dropped). The parser runs in linear time without recursion, so damaged or
// hostile input is safe to hand in.
class RtfReader final {
public:
    // Replaces the content of doc with the text of rtf. Returns false, leaving doc untouched,
    // when rtf does not start with "{\rtf". Damaged RTF yields whatever could be read before
    // the damage, and true. Paragraphs become blocks (the closing \par of the last one adds no
    // empty block), \line becomes U+2028, text without \fs keeps the document's default size.
    static bool read(const QByteArray &rtf, QTextDocument *doc);

    RtfReader() = delete;
};

} // namespace zk
