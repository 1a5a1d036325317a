#pragma once

#include <QByteArray>
#include <QString>

#include <memory>
#include <optional>

class QTextDocument;

namespace zk {

class RtfParser;

// Reads the subset of RTF that word processors write for plain formatted prose: paragraphs,
// alignment and indents, bold/italic/underline/strike-out, font family and size, colours,
// code pages and Unicode. Tables, lists, pictures, fields and other objects are reduced to
// their text (or dropped); list items keep the label written for them. Footnotes and endnotes
// are cited as "[1]" (endnotes "[i]") and follow, as "[1] text", the paragraph citing them. The
// parser runs in linear time without recursion, so damaged or hostile input is safe to hand in.
// Paragraphs become blocks (the closing \par of the last one adds no empty block), \line
// becomes U+2028, text without \fs keeps the document's default size. Damaged RTF yields
// whatever could be read before the damage.
class RtfReader final {
public:
    // Empties doc for the text of rtf, which readMore() then reads into it. Does nothing when
    // rtf does not start with "{\rtf".
    RtfReader(const QByteArray &rtf, QTextDocument *doc);
    ~RtfReader();
    RtfReader(const RtfReader &) = delete;
    RtfReader &operator=(const RtfReader &) = delete;

    // Whether bytes start as RTF does.
    static bool isRtf(const QByteArray &bytes);
    // Reads at least `bytes` more of the input, on to the end of a paragraph, so that a long
    // document can be shown while it is still being read. False once it is complete.
    bool readMore(qsizetype bytes);

    // The whole of rtf at once; false, leaving doc untouched, when it is not RTF.
    static bool read(const QByteArray &rtf, QTextDocument *doc);

    // The text of rtf, a paragraph per line, as a document to read: list labels stay, hidden
    // text and fields' instructions go. Nullopt when it is not RTF.
    static std::optional<QString> plainText(const QByteArray &rtf);

private:
    std::unique_ptr<RtfParser> m_parser;
};

} // namespace zk
