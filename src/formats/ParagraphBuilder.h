#pragma once

#include <QString>
#include <QStringView>

namespace zk {

// Collects running text into lines, one per paragraph: any run of white space
// becomes one space, soft hyphens and zero-width marks vanish, lines carry no
// blanks at either end, and paragraphs without text are dropped.
class ParagraphBuilder final {
public:
    void append(QChar c);
    void append(QStringView text);
    void appendCodePoint(char32_t code);
    void endParagraph();
    // Text whose lines are paragraphs of their own, such as a note placed after the
    // paragraph that cites it.
    void appendParagraphs(QStringView text);

    // Lines as collected so far; the builder is left empty.
    QString take();
    // The paragraphs that are complete; one still open stays to be continued. The pieces taken
    // one after another, joined with "\n", make the text take() would have given.
    QString takeCompleted();

    // The same rules applied to text whose lines are its paragraphs.
    static QString fromLines(QStringView text);

private:
    QString m_text;
    bool m_inParagraph = false;
    bool m_pendingSpace = false;
    qsizetype m_lastBreak = -1; // the "\n" before the paragraph being collected
};

} // namespace zk
