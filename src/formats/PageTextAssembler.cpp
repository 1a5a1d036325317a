#include "formats/PageTextAssembler.h"
#include "formats/ParagraphBuilder.h"

#include <QHash>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>
#include <array>
#include <utility>

namespace zk {

namespace {

// How many lines at the top and at the bottom of a page may be running heads or numbers.
constexpr int kFurnitureLines = 2;
// A running head repeats on at least this many pages.
constexpr int kRepeats = 3;

double median(QList<double> values) {
    if (values.isEmpty())
        return 0;
    const auto middle = values.begin() + values.size() / 2;
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

bool isPageNumber(const QString &text) {
    static const QRegularExpression number(
        QStringLiteral(
            R"(^[\s\-–—.·|]*(?:(?:стр|с|page|p)\.?\s*)?(?:\d{1,4}|[ivxlcdm]{1,8})(?:\s*(?:из|of|/)\s*\d{1,4})?[\s\-–—.·|]*$)"),
        QRegularExpression::CaseInsensitiveOption);
    return number.match(text).hasMatch();
}

// A running head compared without its page number.
QString headKey(const QString &text) {
    QString key;
    for (QChar c : text) {
        if (!c.isDigit())
            key.append(c.toLower());
    }
    return key.simplified();
}

bool isHyphen(QChar c) {
    return c == u'-' || c == u'\u00AD' || c == u'\u2010' || c == u'\u2011';
}

// A word broken at the end of the line: a hyphen right after a letter.
bool endsInHyphen(const QString &line) {
    return line.size() >= 2 && isHyphen(line.back()) && line.at(line.size() - 2).isLetter();
}

PageMeasures measure(const TextPage &page) {
    QList<double> heights;
    QList<double> lefts;
    QList<double> rights;
    for (const TextLine &line : page.lines) {
        heights.append(line.box.height());
        lefts.append(line.box.left());
        rights.append(line.box.right());
    }
    PageMeasures m;
    m.lineHeight = median(heights);
    // The text's margins: its leftmost and rightmost reach.
    m.left = lefts.isEmpty() ? 0 : *std::min_element(lefts.cbegin(), lefts.cend());
    m.right = rights.isEmpty() ? 0 : *std::max_element(rights.cbegin(), rights.cend());
    QList<double> steps;
    for (qsizetype i = 1; i < page.lines.size(); ++i) {
        const double step = page.lines[i].box.top() - page.lines[i - 1].box.top();
        if (step > 0 && step < 3 * m.lineHeight)
            steps.append(step);
    }
    m.lineStep = steps.isEmpty() ? m.lineHeight * 1.2 : median(steps);
    return m;
}

} // namespace

void PageTextAssembler::addPage(TextPage page) {
    page.lines.removeIf([](const TextLine &line) { return line.text.trimmed().isEmpty(); });
    m_hasText = m_hasText || !page.lines.isEmpty();
    m_heads.append(headsOf(page));
    for (const QString &key : std::as_const(m_heads.last()))
        ++m_repeats[key];
    ++m_added;
    m_waiting.append(std::move(page));
    if (m_waiting.size() > LookAhead)
        settleNext();
}

// Running heads: the same text, numbers aside, at the top or the bottom of pages near each
// other. A short line that happens to stand there on pages far apart is text.
QSet<QString> PageTextAssembler::headsOf(const TextPage &page) {
    QSet<QString> keys;
    const qsizetype n = page.lines.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (i < kFurnitureLines || i >= n - kFurnitureLines)
            keys.insert(headKey(page.lines[i].text));
    }
    return keys;
}

void PageTextAssembler::settleNext() {
    TextPage page = m_waiting.takeFirst();
    // The heads counted are those of the pages within LookAhead of this one, either side.
    while (m_heads.size() > LookAhead + 1 + m_waiting.size()) {
        for (const QString &key : std::as_const(m_heads.first())) {
            if (--m_repeats[key] == 0)
                m_repeats.remove(key);
        }
        m_heads.removeFirst();
    }
    dropPageFurniture(page);
    appendPage(page);
}

void PageTextAssembler::dropPageFurniture(TextPage &page) const {
    const PageMeasures m = measure(page);
    // A running head repeats; a page number stands clear of the text next to it or sits
    // near the page's edge.
    const auto isFurniture = [&](qsizetype i, qsizetype neighbour) {
        const TextLine &line = page.lines[i];
        const QString key = headKey(line.text);
        if (!key.isEmpty() && m_repeats.value(key) >= kRepeats)
            return true;
        if (!isPageNumber(line.text))
            return false;
        const bool apart =
            neighbour < 0 || neighbour >= page.lines.size() ||
            std::abs(page.lines[neighbour].box.top() - line.box.top()) > 1.5 * m.lineStep;
        const bool nearEdge =
            page.size.height() > 0 && (line.box.bottom() < page.size.height() * 0.12 ||
                                       line.box.top() > page.size.height() * 0.88);
        return nearEdge || apart;
    };
    for (int k = 0; k < kFurnitureLines && !page.lines.isEmpty(); ++k) {
        if (!isFurniture(0, 1))
            break;
        page.lines.removeFirst();
    }
    for (int k = 0; k < kFurnitureLines && !page.lines.isEmpty(); ++k) {
        const qsizetype last = page.lines.size() - 1;
        if (!isFurniture(last, last - 1))
            break;
        page.lines.removeLast();
    }
}

namespace {

// Typeset ligatures (ﬀ ﬁ ﬂ ﬃ ﬄ ﬅ ﬆ) as the letters they join, so words are found and counted.
void appendUnligated(ParagraphBuilder &out, QStringView text) {
    static constexpr std::array<const char16_t *, 7> letters = {u"ff",  u"fi", u"fl", u"ffi",
                                                                u"ffl", u"st", u"st"};
    for (QChar c : text) {
        if (c.unicode() >= 0xFB00 && c.unicode() <= 0xFB06)
            out.append(QStringView(letters[c.unicode() - 0xFB00]));
        else
            out.append(c);
    }
}

} // namespace

void PageTextAssembler::appendPage(const TextPage &page) {
    const PageMeasures m = measure(page);
    bool samePage = false;
    for (const TextLine &line : page.lines) {
        bool starts = true;
        const TextLine *previous = m_previous ? &*m_previous : nullptr;
        if (previous && page.marksParagraphs) {
            starts = line.startsBlock;
        } else if (previous) {
            const PageMeasures &pm = samePage ? m : m_previousMeasures;
            const bool previousShort =
                previous->box.right() < pm.right - 0.2 * std::max(0.0, pm.right - pm.left);
            const double indent = 0.6 * m.lineHeight;
            const bool indented = line.box.left() > m.left + indent &&
                                  line.box.left() > previous->box.left() + indent;
            // A line above the previous one opens a new column: only the line ends tell.
            const bool wideGap =
                samePage && line.box.top() - previous->box.top() > 1.4 * m.lineStep;
            starts = line.startsBlock || previousShort || indented || wideGap;
        }
        if (previous && endsInHyphen(previous->text)) {
            // The hyphen ends a line of its own, for the reader's hyphen removal.
            m_out.append(u'-');
            m_out.endParagraph();
        } else if (starts) {
            m_out.endParagraph();
        } else {
            m_out.append(u' ');
        }
        const QStringView text(line.text);
        appendUnligated(m_out, endsInHyphen(line.text) ? text.chopped(1) : text);
        m_previous = line;
        samePage = true;
    }
    if (!page.lines.isEmpty())
        m_previousMeasures = m;
}

ConversionResult
joinPieces(const std::function<ConversionResult::Failure(const PieceSink &)> &readInPieces) {
    QString text;
    const ConversionResult::Failure failure = readInPieces([&text](QString piece) {
        if (piece.isEmpty())
            return;
        if (!text.isEmpty())
            text += u'\n';
        text += piece;
    });
    if (failure != ConversionResult::Failure::None)
        return ConversionResult::failure(failure);
    return ConversionResult::success(std::move(text));
}

QString PageTextAssembler::take() {
    while (!m_waiting.isEmpty())
        settleNext();
    if (m_previous && endsInHyphen(m_previous->text))
        m_out.append(u'-');
    m_previous.reset();
    return m_out.take();
}

} // namespace zk
