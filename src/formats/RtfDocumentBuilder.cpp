// Batches formatted RTF text into runs and blocks of a QTextDocument.
#include "formats/RtfDocumentBuilder.h"

#include <QTextBlockFormat>
#include <QTextDocument>

#include <utility>

namespace zk::rtf {

namespace {

constexpr int kLongestWord = 256;
constexpr int kLongestParagraph = 16384;
constexpr int kMostEmptyParagraphs = 100;

// Where Qt may end a line within a paragraph.
bool isLineBreakPlace(QChar c) {
    return c == u' ' || c == u'\t' || c == u'-' || c == QChar::LineSeparator || c == u'\u200B';
}

} // namespace

DocumentBuilder::DocumentBuilder(QTextDocument *doc, const Tables &tables)
    : m_doc(doc), m_undo(doc->isUndoRedoEnabled()), m_tables(tables) {
    doc->setUndoRedoEnabled(false);
    doc->clear();
    m_cursor = QTextCursor(doc);
}

DocumentBuilder::~DocumentBuilder() {
    if (m_doc)
        m_doc->setUndoRedoEnabled(m_undo);
}

void DocumentBuilder::text(QStringView text, const CharProps &chr, const ParaProps &para) {
    openPendingBlock(chr, para);
    if (!m_text.isEmpty() && m_textProps != chr)
        flush();
    m_textProps = chr;
    appendBreakable(text, para);
}

// Qt's layout looks for a break in the whole of a word for every line it wraps off it, so a
// word of a million letters takes an hour to show; a zero-width space now and then lets it
// wrap there instead.
void DocumentBuilder::appendBreakable(QStringView text, const ParaProps &para) {
    for (QChar c : text) {
        if (isLineBreakPlace(c)) {
            m_text.append(c);
            m_wordLength = 0;
            if (++m_blockLength >= kLongestParagraph)
                splitParagraph(para);
            continue;
        }
        if (m_wordLength >= kLongestWord) {
            if (m_blockLength >= kLongestParagraph) {
                splitParagraph(para);
            } else {
                m_text.append(QChar(0x200B));
                m_wordLength = 0;
            }
        }
        m_text.append(c);
        ++m_wordLength;
        ++m_blockLength;
    }
}

void DocumentBuilder::flush() {
    if (m_text.isEmpty())
        return;
    m_cursor.insertText(m_text, charFormat(m_textProps));
    m_text.clear();
}

// The paragraph mark closes its paragraph; the next block opens only when something follows,
// so the document's last \par does not leave an empty paragraph behind.
void DocumentBuilder::endParagraph(const CharProps &chr, const ParaProps &para) {
    // Blank lines beyond a few screens show nothing more, and millions of them would cost
    // a second and hundreds of bytes each.
    if (m_blockLength == 0) {
        if (m_emptyParagraphs >= kMostEmptyParagraphs)
            return;
        ++m_emptyParagraphs;
    } else {
        m_emptyParagraphs = 0;
    }
    flush();
    openPendingBlock(chr, para);
    m_cursor.setBlockFormat(blockFormat(para));
    m_blockPending = true;
    blockEnded();
}

bool DocumentBuilder::takeBlockEnded() {
    return std::exchange(m_blockEnded, false);
}

void DocumentBuilder::blockEnded() {
    m_wordLength = 0;
    m_blockLength = 0;
    m_blockEnded = true;
}

// A paragraph of endless length would be laid out again whole at every step; it is cut
// into blocks at places where its lines may break anyway.
void DocumentBuilder::splitParagraph(const ParaProps &para) {
    flush();
    m_cursor.insertBlock(blockFormat(para), charFormat(m_textProps));
    blockEnded();
}

void DocumentBuilder::openPendingBlock(const CharProps &chr, const ParaProps &para) {
    if (!m_blockPending)
        return;
    m_blockPending = false;
    m_cursor.insertBlock(blockFormat(para), charFormat(chr));
}

void DocumentBuilder::finish(const ParaProps &para) {
    flush();
    if (!m_blockPending)
        m_cursor.setBlockFormat(blockFormat(para));
}

QColor DocumentBuilder::color(int index) const {
    const std::vector<QColor> &colors = m_tables.colors;
    return index >= 0 && index < int(colors.size()) ? colors[size_t(index)] : QColor();
}

QTextCharFormat DocumentBuilder::charFormat(const CharProps &p) const {
    QTextCharFormat f;
    if (p.bold)
        f.setFontWeight(QFont::Bold);
    if (p.italic)
        f.setFontItalic(true);
    if (p.underline)
        f.setFontUnderline(true);
    if (p.strike)
        f.setFontStrikeOut(true);
    if (p.vertical != QTextCharFormat::AlignNormal)
        f.setVerticalAlignment(QTextCharFormat::VerticalAlignment(p.vertical));
    if (p.halfPoints > 0)
        f.setFontPointSize(p.halfPoints / 2.0);
    const auto font = m_tables.fonts.constFind(p.font >= 0 ? p.font : m_tables.defaultFont);
    if (font != m_tables.fonts.cend() && !font->name.isEmpty())
        f.setFontFamilies(QStringList{font->name});
    if (const QColor c = color(p.foreground); c.isValid())
        f.setForeground(c);
    if (const QColor c = color(p.background); c.isValid())
        f.setBackground(c);
    return f;
}

QTextBlockFormat DocumentBuilder::blockFormat(const ParaProps &p) {
    QTextBlockFormat f;
    switch (p.align) {
    case Align::Left:
        f.setAlignment(Qt::AlignLeft);
        break;
    case Align::Center:
        f.setAlignment(Qt::AlignHCenter);
        break;
    case Align::Right:
        f.setAlignment(Qt::AlignRight);
        break;
    case Align::Justify:
        f.setAlignment(Qt::AlignJustify);
        break;
    }
    // Twips to pixels at 96 dpi.
    constexpr double kTwipsPerPixel = 15.0;
    if (p.left != 0)
        f.setLeftMargin(p.left / kTwipsPerPixel);
    if (p.right != 0)
        f.setRightMargin(p.right / kTwipsPerPixel);
    if (p.first != 0)
        f.setTextIndent(p.first / kTwipsPerPixel);
    if (p.before != 0)
        f.setTopMargin(p.before / kTwipsPerPixel);
    if (p.after != 0)
        f.setBottomMargin(p.after / kTwipsPerPixel);
    return f;
}

} // namespace zk::rtf
