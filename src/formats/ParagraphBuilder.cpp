#include "formats/ParagraphBuilder.h"

#include <utility>

namespace zk {

namespace {

bool isBlank(QChar c) {
    return c.unicode() <= 0x20 || c.isSpace();
}

bool isInvisible(QChar c) {
    switch (c.unicode()) {
    case 0x00AD: // soft hyphen
    case 0x200B: // zero-width space
    case 0xFEFF: // stray byte-order mark
        return true;
    default:
        return false;
    }
}

} // namespace

void ParagraphBuilder::append(QChar c) {
    if (isBlank(c)) {
        m_pendingSpace = m_inParagraph;
        return;
    }
    if (isInvisible(c))
        return;
    if (!m_inParagraph) {
        if (!m_text.isEmpty()) {
            m_lastBreak = m_text.size();
            m_text.append(QLatin1Char('\n'));
        }
        m_inParagraph = true;
    } else if (m_pendingSpace) {
        m_text.append(QLatin1Char(' '));
    }
    m_pendingSpace = false;
    m_text.append(c);
}

void ParagraphBuilder::append(QStringView text) {
    for (QChar c : text)
        append(c);
}

void ParagraphBuilder::appendCodePoint(char32_t code) {
    for (QChar c : QChar::fromUcs4(code))
        append(c);
}

void ParagraphBuilder::endParagraph() {
    m_inParagraph = false;
    m_pendingSpace = false;
}

void ParagraphBuilder::appendParagraphs(QStringView text) {
    for (QChar c : text)
        c == u'\n' ? endParagraph() : append(c);
    endParagraph();
}

QString ParagraphBuilder::take() {
    endParagraph();
    m_lastBreak = -1;
    return std::exchange(m_text, QString());
}

QString ParagraphBuilder::takeCompleted() {
    if (!m_inParagraph) {
        m_lastBreak = -1;
        return std::exchange(m_text, QString());
    }
    // The open paragraph may be long: where it began is remembered, not searched for.
    const qsizetype end = std::exchange(m_lastBreak, -1);
    if (end < 0)
        return {};
    QString done = m_text.first(end);
    m_text.remove(0, end + 1);
    return done;
}

QString ParagraphBuilder::fromLines(QStringView text) {
    ParagraphBuilder out;
    for (QChar c : text) {
        if (c == QLatin1Char('\n'))
            out.endParagraph();
        else
            out.append(c);
    }
    return out.take();
}

} // namespace zk
