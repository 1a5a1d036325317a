#include "editor/EditorPanel.h"

#include <QAbstractTextDocumentLayout>
#include <QFontMetricsF>
#include <QMimeData>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextLayout>
#include <malloc.h>

#include <memory>

namespace zk {

namespace {

// Qt's plain-text layout, except that a paragraph of a size where laying it out takes
// seconds is not laid out on every change or caret move, only when it is shown.
class EditorLayout final : public QPlainTextDocumentLayout {
public:
    static constexpr int Huge = 1 << 16;

    EditorLayout(QTextDocument *document, const QWidget *editor)
        : QPlainTextDocumentLayout(document), m_editor(editor) {}

    QRectF blockBoundingRect(const QTextBlock &block) const override {
        if (block.isValid() && block.length() > Huge && !m_editor->isVisible() &&
            block.layout()->lineCount() == 0)
            return QRectF(0, 0, 1, QFontMetricsF(document()->defaultFont()).lineSpacing());
        return QPlainTextDocumentLayout::blockBoundingRect(block);
    }

protected:
    void documentChanged(int from, int removed, int added) override {
        // A change inside one block lays that block out at once; reaching past the end
        // makes Qt only mark the blocks for layout instead.
        const QTextBlock block = document()->findBlock(from);
        if (block.isValid() && block.length() > Huge)
            added = std::max(added, document()->characterCount() - from + 1);
        QPlainTextDocumentLayout::documentChanged(from, removed, added);
    }

private:
    const QWidget *m_editor;
};

} // namespace

EditorPanel::EditorPanel(QWidget *parent) : QPlainTextEdit(parent) {
    setObjectName(QStringLiteral("RichEdit1"));
    auto *doc = new QTextDocument(this);
    doc->setDocumentLayout(new EditorLayout(doc, this));
    setDocument(doc);
    setTabChangesFocus(true);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QFont f(QStringLiteral("MS Sans Serif"));
    f.setPointSize(12);
    setFont(f);
    document()->setDefaultFont(f);
    QPalette p = palette();
    p.setColor(QPalette::Base, QColor(192, 192, 192));
    p.setColor(QPalette::Text, Qt::black);
    setPalette(p);
    QTextOption option = document()->defaultTextOption();
    option.setAlignment(Qt::AlignHCenter);
    document()->setDefaultTextOption(option);
    connect(document(), &QTextDocument::contentsChange, this, &EditorPanel::onContentsChanged);
    connect(&m_shownRows, &ShownRowIndex::completed, this, &EditorPanel::shownLinesCounted);
    m_countLater.setSingleShot(true);
    m_countLater.setInterval(100);
    connect(&m_countLater, &QTimer::timeout, this, [this] { m_shownRows.start(hiddenText()); });
    m_shownRows.reset(document()->blockCount());
    updateBreaker();
    hide();
}

void EditorPanel::updateBreaker() {
    ShownLayout hidden;
    hidden.font = document()->defaultFont();
    hidden.option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    hidden.lineWidth = HiddenWidth;
    // The same font again (told apart by what it draws, not how it was set) keeps
    // the lines found.
    if (hidden.font.key() == m_hiddenFont)
        return;
    m_hiddenFont = hidden.font.key();
    const QFontMetricsF metrics(hidden.font);
    // Only a paragraph that could be wider than the layout needs measuring.
    const qreal widest = std::max<qreal>(1.0, metrics.maxWidth());
    const int minLength = static_cast<int>(HiddenWidth / widest);
    // Advances of single characters, cached: their sum bounds a paragraph's width
    // (kerning and ligatures only narrow it), so most paragraphs need no breaking.
    auto advances = std::make_shared<std::vector<float>>(0x10000, -1.0f);
    auto breaker = std::make_shared<RowBreaker>(hidden);
    settleHiddenLines();
    m_hidden.setBreaker(
        [metrics, advances, breaker](QStringView paragraph) -> std::vector<int> {
            qreal sum = 0;
            for (QChar c : paragraph) {
                float &a = (*advances)[c.unicode()];
                if (a < 0)
                    a = static_cast<float>(metrics.horizontalAdvance(c));
                sum += a;
                if (sum > HiddenWidth) {
                    std::vector<int> rows = breaker->rowStarts(paragraph);
                    for (size_t i = 0; i < rows.size(); ++i)
                        rows[i] = (i + 1 < rows.size() ? rows[i + 1]
                                                       : static_cast<int>(paragraph.size())) -
                                  rows[i];
                    return rows;
                }
            }
            return {};
        },
        minLength);
    buildHiddenLinesAside();
}

void EditorPanel::buildHiddenLinesAside() {
    // A book's lines are found while the program goes on: a paragraph of a hundred
    // megabytes takes a few tenths of a second to break into rows.
    if (!m_hiddenDirty && m_hidden.text().size() > BuildAsideFrom)
        m_hiddenBuild = std::async(std::launch::async, [this] { m_hidden.lineCount(); });
}

QString EditorPanel::text() const {
    QString raw = document()->toRawText();
    for (QChar &c : raw) {
        if (c.unicode() == 0x2029 || c.unicode() == 0x2028)
            c = QLatin1Char('\n');
    }
    return raw;
}

bool EditorPanel::setText(const QString &text, const std::function<bool()> &stop) {
    // Replacing the whole text is not the user's caret move.
    const bool tracking = SelectionTracking;
    SelectionTracking = false;
    bool stopped = false;
    if (text.size() <= EditorLayout::Huge || isVisible()) {
        setPlainText(text);
    } else {
        // Qt places the caret of a new text by asking where it is shown, which lays out
        // (itemizes) its whole paragraph: seconds for a book without a line break, and
        // a copy of it kept. The text goes in behind a placeholder the caret stays before
        // instead, and nothing asks; a book goes in by pieces, so that it can be given up.
        constexpr qsizetype Piece = 1 << 23;
        setPlainText(QStringLiteral(" "));
        // One edit block: a cursor edited outside one asks where it is shown, too.
        QTextDocument *doc = document();
        const bool undo = doc->isUndoRedoEnabled();
        doc->setUndoRedoEnabled(false);
        QTextCursor edit(doc);
        edit.beginEditBlock();
        edit.setPosition(1);
        for (qsizetype at = 0, end = 0; at < text.size() && !stopped; at = end) {
            end = std::min(text.size(), at + Piece);
            // Not between CR and LF, which would make two paragraphs, nor inside a pair.
            if (end < text.size() && (text.at(end).isLowSurrogate() ||
                                      (text.at(end) == u'\n' && text.at(end - 1) == u'\r')))
                ++end;
            stopped = stop && stop();
            if (!stopped)
                edit.insertText(at == 0 && end == text.size() ? text : text.mid(at, end - at));
        }
        edit.setPosition(0);
        edit.setPosition(1, QTextCursor::KeepAnchor);
        edit.removeSelectedText();
        edit.endEditBlock();
        if (stopped)
            setPlainText(QString());
        doc->setUndoRedoEnabled(undo);
        doc->setModified(false);
    }
    SelectionTracking = tracking;
    if (stopped)
        return false;
    // The document splits paragraphs at "\n" and U+2029 and keeps every other character,
    // so the line model can share the text instead of copying it back out; a text with
    // characters the document turns into breaks is read back from it.
    const bool kept = std::none_of(text.cbegin(), text.cend(), [](QChar c) {
        return c == QLatin1Char('\r') || c.unicode() == 0xFDD0 || c.unicode() == 0xFDD1;
    });
    if (kept) {
        settleHiddenLines();
        m_hidden.setText(text);
        m_hiddenDirty = false;
        buildHiddenLinesAside();
    }
    return true;
}

void EditorPanel::appendParagraphs(const QString &paragraphs) {
    if (paragraphs.isEmpty())
        return;
    const bool tracking = SelectionTracking;
    SelectionTracking = false;
    const int anchor = textCursor().anchor();
    const int position = textCursor().position();
    settleHiddenLines();
    const bool modelKept = !m_hiddenDirty;
    QTextDocument *doc = document();
    const QString added = doc->isEmpty() ? paragraphs : u'\n' + paragraphs;
    const bool undo = doc->isUndoRedoEnabled();
    const bool modified = doc->isModified();
    // Undoing must never take a part of the book away again.
    doc->setUndoRedoEnabled(false);
    QTextCursor end(doc);
    end.movePosition(QTextCursor::End);
    end.insertText(added);
    doc->setUndoRedoEnabled(undo);
    doc->setModified(modified);
    // A caret at the very end would be pushed along by the text.
    if (textCursor().position() != position || textCursor().anchor() != anchor) {
        QTextCursor kept(doc);
        kept.setPosition(anchor);
        kept.setPosition(position, QTextCursor::KeepAnchor);
        setTextCursor(kept);
    }
    if (modelKept) {
        m_hidden.append(added);
        m_hiddenDirty = false;
    }
    SelectionTracking = tracking;
}

void EditorPanel::appendingEnded() {
    settleHiddenLines();
    m_hidden.squeeze();
    // The pieces passed through left the heap full of holes between the book's blocks: they
    // go back to the system, so a book read in pieces costs no more than one read whole.
    ::malloc_trim(0);
}

bool EditorPanel::isBlank() const {
    // The line model holds the text already; a real text has a letter near its start.
    for (QChar c : hiddenText()) {
        if (c.unicode() > 32 && c.unicode() != 0x2028 && c.unicode() != 0x2029)
            return false;
    }
    return true;
}

const LineModel &EditorPanel::hiddenLines() const {
    hiddenText();
    settleHiddenLines();
    return m_hidden;
}

const QString &EditorPanel::hiddenText() const {
    // The text is only read by a build going on, so it is there without waiting.
    if (m_hiddenDirty) {
        settleHiddenLines();
        m_hidden.setText(document()->toRawText());
        m_hiddenDirty = false;
    }
    return m_hidden.text();
}

void EditorPanel::settleHiddenLines() const {
    if (m_hiddenBuild.valid())
        m_hiddenBuild.get();
}

int EditorPanel::lineCount() const {
    return isVisible() ? shownLineCount() : hiddenLines().lineCount();
}

QString EditorPanel::line(int index) const {
    return isVisible() ? shownLine(index) : hiddenLines().line(index);
}

int EditorPanel::lineOfPosition(int pos) const {
    return isVisible() ? shownLineOfPosition(pos) : hiddenLines().lineOfPosition(pos);
}

int EditorPanel::lineStart(int index) const {
    return isVisible() ? shownLineStart(index) : hiddenLines().lineStart(index);
}

void EditorPanel::resizeEvent(QResizeEvent *event) {
    QPlainTextEdit::resizeEvent(event);
    updateShownLayout();
}

void EditorPanel::setShownWidth(int width) {
    m_shownWidth = width;
    updateShownLayout();
}

void EditorPanel::updateShownLayout() {
    // The viewport is what the document is laid out in; while hidden, the frame and
    // the scroll bar, which is always on, take the same share of the shown width.
    int viewportWidth = viewport()->width();
    if (!isVisible()) {
        if (m_shownWidth < 0)
            return;
        viewportWidth = m_shownWidth - 2 * frameWidth() - verticalScrollBar()->sizeHint().width();
    }
    ShownLayout g;
    g.font = document()->defaultFont();
    g.option = document()->defaultTextOption();
    g.lineWidth = std::max<qreal>(0, viewportWidth - 2 * document()->documentMargin());
    if (g.sameAs(m_shownRows.geometry()))
        return;
    m_shownRows.setGeometry(g);
    m_startsBlock = -1;
    m_countLater.start();
}

void EditorPanel::onContentsChanged(int position, int removed, int added) {
    // Only a real change of characters rebuilds the line model; the layout's own
    // markings of dirty ranges (relayouts) leave the text as it was.
    if (removed == 0 && added == 0)
        return;
    m_hiddenDirty = true;
    m_startsBlock = -1;
    QTextDocument *doc = document();
    const int first = doc->findBlock(position).blockNumber();
    const int last = doc->findBlock(position + added).blockNumber();
    const int blocks = doc->blockCount();
    const int lastBefore = last - (blocks - m_shownRows.paragraphCount());
    if (first < 0 || last < first || lastBefore < first - 1) {
        m_shownRows.reset(blocks);
    } else {
        m_shownRows.splice(first, lastBefore - first + 1, last - first + 1);
        // Typing and small pastes are counted at once; larger changes in the background.
        if (added < 20'000) {
            for (QTextBlock b = doc->findBlockByNumber(first);
                 b.isValid() && b.blockNumber() <= last; b = b.next())
                m_shownRows.setRows(b.blockNumber(), shownBreaker().rowCount(b.text()));
        }
    }
    if (!m_shownRows.isComplete())
        m_countLater.start();
}

bool EditorPanel::shownLinesReady() {
    if (m_shownRows.isComplete())
        return true;
    const qsizetype rest = static_cast<qsizetype>(document()->characterCount()) *
                           m_shownRows.unknownCount() / std::max(1, m_shownRows.paragraphCount());
    if (rest <= m_countAtOnce) {
        countShownLines();
        return true;
    }
    m_countLater.stop();
    m_shownRows.start(hiddenText());
    return false;
}

void EditorPanel::countShownLines() const {
    if (!m_shownRows.isComplete()) {
        m_countLater.stop();
        m_shownRows.finish(hiddenText());
    }
}

int EditorPanel::shownLineCount() const {
    countShownLines();
    int total = m_shownRows.totalRows();
    // A last line that is empty is not counted.
    if (document()->lastBlock().length() <= 1)
        --total;
    return std::max(0, total);
}

RowBreaker &EditorPanel::shownBreaker() const {
    if (!m_shownBreaker || !m_shownBreaker->layout().sameAs(m_shownRows.geometry()))
        m_shownBreaker = std::make_unique<RowBreaker>(m_shownRows.geometry());
    return *m_shownBreaker;
}

const std::vector<int> &EditorPanel::shownRowStarts(const QTextBlock &block) const {
    if (m_startsBlock != block.blockNumber()) {
        m_starts = shownBreaker().rowStarts(block.text());
        m_startsBlock = block.blockNumber();
    }
    return m_starts;
}

bool EditorPanel::locateShown(int index, QTextBlock *block, int *lineInBlock) const {
    if (index < 0 || index >= shownLineCount())
        return false;
    const int blockNumber = m_shownRows.paragraphOfRow(index);
    *block = document()->findBlockByNumber(blockNumber);
    *lineInBlock = index - m_shownRows.rowsBefore(blockNumber);
    return block->isValid();
}

QString EditorPanel::shownLine(int index) const {
    QTextBlock block;
    int lineInBlock = 0;
    if (!locateShown(index, &block, &lineInBlock))
        return {};
    const std::vector<int> &starts = shownRowStarts(block);
    const QString text = block.text();
    const size_t row = std::min(static_cast<size_t>(lineInBlock), starts.size() - 1);
    const int begin = starts[row];
    const int end = row + 1 < starts.size() ? starts[row + 1] : static_cast<int>(text.size());
    return text.mid(begin, end - begin);
}

int EditorPanel::shownLineStart(int index) const {
    if (index <= 0)
        return 0;
    QTextBlock block;
    int lineInBlock = 0;
    if (!locateShown(index, &block, &lineInBlock))
        return document()->characterCount() - 1;
    const std::vector<int> &starts = shownRowStarts(block);
    return block.position() + starts[std::min(static_cast<size_t>(lineInBlock), starts.size() - 1)];
}

int EditorPanel::shownLineOfPosition(int pos) const {
    countShownLines();
    const QTextBlock block = document()->findBlock(std::max(0, pos));
    if (!block.isValid())
        return shownLineCount();
    const std::vector<int> &starts = shownRowStarts(block);
    const auto row = std::upper_bound(starts.begin(), starts.end(), pos - block.position());
    return m_shownRows.rowsBefore(block.blockNumber()) +
           std::max(0, static_cast<int>(row - starts.begin()) - 1);
}

bool EditorPanel::replaceTabs() {
    if (!hiddenText().contains(QLatin1Char('\t')))
        return false;
    const bool tracking = SelectionTracking;
    SelectionTracking = false;
    QTextCursor found(document());
    QTextCursor edit(document());
    edit.beginEditBlock();
    while (!(found = document()->find(QStringLiteral("\t"), found)).isNull())
        found.insertText(QStringLiteral(" "));
    edit.endEditBlock();
    SelectionTracking = tracking;
    return true;
}

void EditorPanel::insertPlain(const QString &text) {
    QTextCursor c = textCursor();
    c.insertText(text);
    setTextCursor(c);
}

bool EditorPanel::canInsertFromMimeData(const QMimeData *source) const {
    return source->hasText();
}

void EditorPanel::insertFromMimeData(const QMimeData *source) {
    // Rich text from outside is taken as plain text, through the paste command.
    if (!source->hasText())
        return;
    if (pasteCommand)
        pasteCommand(source->text());
    else
        insertPlain(source->text());
}

void EditorPanel::applyFontToAll(const QFont &font, const QColor &color) {
    document()->setDefaultFont(font);
    QPalette p = palette();
    p.setColor(QPalette::Text, color);
    setPalette(p);
    updateBreaker();
    updateShownLayout(); // a new font lays the shown rows out anew
}

void EditorPanel::setBackgroundColor(const QColor &color) {
    QPalette p = palette();
    p.setColor(QPalette::Base, color);
    setPalette(p);
}

void EditorPanel::setCaret(int pos) {
    QTextCursor c = textCursor();
    c.setPosition(std::clamp(pos, 0, document()->characterCount() - 1));
    setTextCursor(c);
}

void EditorPanel::setCaretUntracked(int pos) {
    SelectionTracking = false;
    setCaret(pos);
    SelectionTracking = true;
}

int EditorPanel::caret() const {
    return textCursor().position();
}

} // namespace zk
