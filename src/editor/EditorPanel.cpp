#include "editor/EditorPanel.h"

#include <QFontMetricsF>
#include <QTextBlock>
#include <QTextLayout>

namespace zk {

namespace {

// Rows a paragraph wraps into at `width` pixels, as the editor would break it.
std::vector<int> breakParagraph(QStringView paragraph, const QFont &font, qreal width)
{
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

EditorPanel::EditorPanel(QWidget *parent) : QTextEdit(parent)
{
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
    connect(document(), &QTextDocument::contentsChanged, this, [this] { m_hiddenDirty = true; });
    updateBreaker();
    hide();
}

void EditorPanel::updateBreaker()
{
    const QFont f = document()->defaultFont();
    const QFontMetricsF metrics(f);
    // Only a paragraph that could be wider than the layout needs measuring.
    const qreal widest = std::max<qreal>(1.0, metrics.maxWidth());
    const int minLength = static_cast<int>(HiddenWidth / widest);
    m_hidden.setBreaker(
        [f](QStringView paragraph) { return breakParagraph(paragraph, f, HiddenWidth); },
        minLength);
    m_hiddenDirty = true;
}

QString EditorPanel::text() const
{
    QString raw = document()->toRawText();
    for (QChar &c : raw) {
        if (c.unicode() == 0x2029 || c.unicode() == 0x2028)
            c = QLatin1Char('\n');
    }
    return raw;
}

void EditorPanel::setText(const QString &text)
{
    setPlainText(text);
}

bool EditorPanel::isBlank() const
{
    // The line model holds the text already; a real text has a letter near its start.
    for (QChar c : hiddenLines().text()) {
        if (c.unicode() > 32 && c.unicode() != 0x2028 && c.unicode() != 0x2029)
            return false;
    }
    return true;
}

const LineModel &EditorPanel::hiddenLines() const
{
    if (m_hiddenDirty) {
        m_hidden.setText(document()->toRawText());
        m_hiddenDirty = false;
    }
    return m_hidden;
}

int EditorPanel::lineCount() const
{
    return hiddenLines().lineCount();
}

QString EditorPanel::line(int index) const
{
    return hiddenLines().line(index);
}

int EditorPanel::lineOfPosition(int pos) const
{
    return hiddenLines().lineOfPosition(pos);
}

void EditorPanel::applyFontToAll(const QFont &font, const QColor &color)
{
    document()->setDefaultFont(font);
    QPalette p = palette();
    p.setColor(QPalette::Text, color);
    setPalette(p);
    updateBreaker();
}

void EditorPanel::setBackgroundColor(const QColor &color)
{
    QPalette p = palette();
    p.setColor(QPalette::Base, color);
    setPalette(p);
}

void EditorPanel::setCaret(int pos)
{
    QTextCursor c = textCursor();
    c.setPosition(std::clamp(pos, 0, document()->characterCount() - 1));
    setTextCursor(c);
}

void EditorPanel::setCaretUntracked(int pos)
{
    SelectionTracking = false;
    setCaret(pos);
    SelectionTracking = true;
}

int EditorPanel::caret() const
{
    return textCursor().position();
}

} // namespace zk
