#include "editor/EditorPanel.h"

#include <QAbstractTextDocumentLayout>
#include <QFontMetricsF>
#include <QMimeData>
#include <QTextBlock>
#include <QTextLayout>

#include <memory>

namespace zk {

namespace {

// Rows a paragraph wraps into at `width` pixels, as the editor would break it.
std::vector<int> breakParagraph(QStringView paragraph, const QFont &font, qreal width) {
    std::vector<int> rows;
    QTextLayout layout(paragraph.toString(), font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    for (;;) {
        QTextLine line = layout.createLine();
        if (!line.isValid())
            break;
        line.setLineWidth(width);
        rows.push_back(line.textLength());
    }
    layout.endLayout();
    return rows;
}

} // namespace

EditorPanel::EditorPanel(QWidget *parent) : QTextEdit(parent) {
    setObjectName(QStringLiteral("RichEdit1"));
    setAcceptRichText(false);
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
    // Only a real change of characters rebuilds the line model; the layout's own
    // markings of dirty ranges (relayouts) leave the text as it was.
    connect(document(), &QTextDocument::contentsChange, this, [this](int, int removed, int added) {
        if (removed != 0 || added != 0)
            m_hiddenDirty = true;
        m_shownDirty = true;
    });
    updateBreaker();
    hide();
}

void EditorPanel::updateBreaker() {
    const QFont f = document()->defaultFont();
    const QFontMetricsF metrics(f);
    // Only a paragraph that could be wider than the layout needs measuring.
    const qreal widest = std::max<qreal>(1.0, metrics.maxWidth());
    const int minLength = static_cast<int>(HiddenWidth / widest);
    // Advances of single characters, cached: their sum bounds a paragraph's width
    // (kerning and ligatures only narrow it), so most paragraphs need no layout.
    auto advances = std::make_shared<std::vector<float>>(0x10000, -1.0f);
    m_hidden.setBreaker(
        [f, metrics, advances](QStringView paragraph) -> std::vector<int> {
            qreal sum = 0;
            for (QChar c : paragraph) {
                float &a = (*advances)[c.unicode()];
                if (a < 0)
                    a = static_cast<float>(metrics.horizontalAdvance(c));
                sum += a;
                if (sum > HiddenWidth)
                    return breakParagraph(paragraph, f, HiddenWidth);
            }
            return {};
        },
        minLength);
    m_hiddenDirty = true;
}

QString EditorPanel::text() const {
    QString raw = document()->toRawText();
    for (QChar &c : raw) {
        if (c.unicode() == 0x2029 || c.unicode() == 0x2028)
            c = QLatin1Char('\n');
    }
    return raw;
}

void EditorPanel::setText(const QString &text) {
    // Replacing the whole text is not the user's caret move.
    const bool tracking = SelectionTracking;
    SelectionTracking = false;
    setPlainText(text);
    SelectionTracking = tracking;
}

bool EditorPanel::isBlank() const {
    // The line model holds the text already; a real text has a letter near its start.
    for (QChar c : hiddenLines().text()) {
        if (c.unicode() > 32 && c.unicode() != 0x2028 && c.unicode() != 0x2029)
            return false;
    }
    return true;
}

const LineModel &EditorPanel::hiddenLines() const {
    if (m_hiddenDirty) {
        m_hidden.setText(document()->toRawText());
        m_hiddenDirty = false;
    }
    return m_hidden;
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
    QTextEdit::resizeEvent(event);
    m_shownDirty = true;
}

void EditorPanel::buildShownIndex() const {
    m_shownDirty = false;
    QTextDocument *doc = document();
    // Lays the whole document out at the current width once; later queries are cheap.
    doc->documentLayout()->blockBoundingRect(doc->lastBlock());
    m_shownPrefix.clear();
    m_shownPrefix.reserve(static_cast<size_t>(doc->blockCount()) + 1);
    int total = 0;
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
        m_shownPrefix.push_back(total);
        const QTextLayout *layout = b.layout();
        total += layout ? std::max(1, layout->lineCount()) : 1;
    }
    m_shownPrefix.push_back(total);
}

int EditorPanel::shownLineCount() const {
    if (m_shownDirty)
        buildShownIndex();
    int total = m_shownPrefix.back();
    // A last line that is empty is not counted.
    if (document()->lastBlock().length() <= 1)
        --total;
    return std::max(0, total);
}

bool EditorPanel::locateShown(int index, QTextBlock *block, int *lineInBlock) const {
    if (index < 0 || index >= shownLineCount())
        return false;
    auto it = std::upper_bound(m_shownPrefix.begin(), m_shownPrefix.end() - 1, index);
    const int blockNumber = static_cast<int>(it - m_shownPrefix.begin()) - 1;
    *block = document()->findBlockByNumber(blockNumber);
    *lineInBlock = index - m_shownPrefix[static_cast<size_t>(blockNumber)];
    return block->isValid();
}

QString EditorPanel::shownLine(int index) const {
    QTextBlock block;
    int lineInBlock = 0;
    if (!locateShown(index, &block, &lineInBlock))
        return {};
    const QTextLayout *layout = block.layout();
    if (!layout || layout->lineCount() == 0)
        return block.text();
    const QTextLine l = layout->lineAt(lineInBlock);
    return block.text().mid(l.textStart(), l.textLength());
}

int EditorPanel::shownLineStart(int index) const {
    if (index <= 0)
        return 0;
    QTextBlock block;
    int lineInBlock = 0;
    if (!locateShown(index, &block, &lineInBlock))
        return document()->characterCount() - 1;
    const QTextLayout *layout = block.layout();
    const int offset =
        layout && layout->lineCount() > 0 ? layout->lineAt(lineInBlock).textStart() : 0;
    return block.position() + offset;
}

int EditorPanel::shownLineOfPosition(int pos) const {
    if (m_shownDirty)
        buildShownIndex();
    const QTextBlock block = document()->findBlock(std::max(0, pos));
    if (!block.isValid())
        return shownLineCount();
    int line = m_shownPrefix[static_cast<size_t>(block.blockNumber())];
    if (const QTextLayout *layout = block.layout(); layout && layout->lineCount() > 0) {
        const QTextLine l = layout->lineForTextPosition(pos - block.position());
        if (l.isValid())
            line += l.lineNumber();
    }
    return line;
}

bool EditorPanel::replaceTabs() {
    if (!hiddenLines().text().contains(QLatin1Char('\t')))
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
    m_shownDirty = true; // a new font lays the shown rows out anew
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
