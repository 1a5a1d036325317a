#pragma once

#include "formats/DocumentConverter.h"
#include "formats/ParagraphBuilder.h"

#include <QHash>
#include <QList>
#include <QRectF>
#include <QSet>
#include <QSizeF>
#include <QString>

#include <functional>
#include <optional>

namespace zk {

// One line of text as a page shows it; y grows downwards.
struct TextLine {
    QRectF box;
    QString text;
    // The source itself says a paragraph or a region begins here.
    bool startsBlock = false;
};

// A page's own measures: how its lines are spaced and where its margins are.
struct PageMeasures {
    double lineHeight = 0;
    double lineStep = 0; // top to top of two lines of one paragraph
    double left = 0;
    double right = 0;
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
//
// A running head is one that repeats on pages near each other. A long book is given out as it
// is read: a page is settled once the pages after it that may show its running head are in, so
// the text comes out the same however it is taken.
class PageTextAssembler final {
public:
    // A running head is known by the pages up to this many before and after its own.
    static constexpr int LookAhead = 8;

    void addPage(TextPage page);
    qsizetype pageCount() const { return m_added; }
    // Whether any page had any line of text at all.
    bool hasText() const { return m_hasText; }

    // The paragraphs settled so far; the pieces taken one after another and the rest that
    // take() gives, joined with "\n", make the whole text.
    QString takeReady() { return m_out.takeCompleted(); }
    // The rest of the text, every page settled.
    QString take();

private:
    static QSet<QString> headsOf(const TextPage &page);
    void settleNext();
    void dropPageFurniture(TextPage &page) const;
    void appendPage(const TextPage &page);

    QList<TextPage> m_waiting; // added, not settled yet
    qsizetype m_added = 0;
    bool m_hasText = false;
    QList<QSet<QString>> m_heads;  // of the pages near the next one to settle
    QHash<QString, int> m_repeats; // pages of m_heads each head stands on
    ParagraphBuilder m_out;
    std::optional<TextLine> m_previous;
    PageMeasures m_previousMeasures;
};

// Takes the settled paragraphs of a book while it is read; the pieces, joined with "\n", are
// the whole text.
using PieceSink = std::function<void(QString piece)>;

// The whole text of a reader that gives it in pieces: the pieces joined, or the reader's failure.
ConversionResult
joinPieces(const std::function<ConversionResult::Failure(const PieceSink &)> &readInPieces);

} // namespace zk
