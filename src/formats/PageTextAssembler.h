#pragma once

#include <QList>
#include <QRectF>
#include <QSizeF>
#include <QString>

namespace zk {

// One line of text as a page shows it; y grows downwards.
struct TextLine {
    QRectF box;
    QString text;
    // The source itself says a paragraph or a region begins here.
    bool startsBlock = false;
};

struct TextPage {
    QSizeF size;
    QList<TextLine> lines; // in reading order
    // The source marks its paragraphs (startsBlock), so they are not guessed from the layout.
    bool marksParagraphs = false;
};

// Turns the lines of laid-out pages (PDF, DjVu) into the program's text, one paragraph per
// line. Page numbers and running headers or footers that repeat over pages are left out.
// Lines of a paragraph are joined, also across pages; a new paragraph is seen at a wider gap,
// an indented first line, or after a line that ends well short of the margin. A line that ends
// in a hyphen keeps its line break, so the reader's own hyphen removal joins the word.
class PageTextAssembler final {
public:
    void addPage(TextPage page);
    qsizetype pageCount() const { return m_pages.size(); }
    // Whether any page had any line of text at all.
    bool hasText() const { return m_hasText; }

    QString take();

private:
    void dropPageFurniture();

    QList<TextPage> m_pages;
    bool m_hasText = false;
};

} // namespace zk
