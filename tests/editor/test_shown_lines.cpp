#include "editor/EditorPanel.h"
#include "editor/RowBreaker.h"

#include <QAbstractTextDocumentLayout>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextLayout>

using namespace zk;
using namespace Qt::StringLiterals;

class TestShownLines final : public QObject {
    Q_OBJECT

private slots:
    void counts_matchTheEditorsOwnLayout_data();
    void counts_matchTheEditorsOwnLayout();
    void edits_keepTheCountsExact();
    void largeText_isCountedInTheBackground();
    void hugeParagraph_loadsAsANewText();
    void bookLine_isBrokenAsideWithTheLatestFont();
    void breaker_matchesQtsLayout_data();
    void breaker_matchesQtsLayout();
};

namespace {

// Long and short paragraphs of Cyrillic and Latin words, hyphens, dashes, quotes,
// numbers, a word longer than any row, empty paragraphs and a line separator.
QString mixedText(int paragraphs, quint32 seed) {
    static const QStringList words = {u"чтение"_s,
                                      u"Москва"_s,
                                      u"северо-западный"_s,
                                      u"—"_s,
                                      u"«цитата»"_s,
                                      u"и"_s,
                                      u"reading"_s,
                                      u"WAVE"_s,
                                      u"AV"_s,
                                      u"fi"_s,
                                      u"1 234,5"_s,
                                      u"слово,"_s,
                                      u"конец."_s,
                                      u"(скобка)"_s,
                                      u"что-то!"_s,
                                      u"ёлка"_s,
                                      u"ЁЖ"_s,
                                      u"x/y"_s,
                                      u"рентгеноэлектрокардиографического"_s};
    QRandomGenerator rng(seed);
    QStringList out;
    for (int p = 0; p < paragraphs; ++p) {
        const int kind = rng.bounded(10);
        QString text;
        const int count = kind == 0 ? 0 : kind < 4 ? rng.bounded(1, 6) : rng.bounded(20, 160);
        for (int i = 0; i < count; ++i) {
            if (i > 0)
                text += rng.bounded(30) == 0 ? u"  "_s : u" "_s;
            text += words[rng.bounded(words.size())];
        }
        if (kind == 9)
            text += u"\u2028после разрыва строки"_s + u"ж"_s.repeated(300);
        out << text;
    }
    return out.join(u'\n');
}

struct Shown {
    QWidget window;
    EditorPanel *editor = new EditorPanel(&window);

    Shown(const QString &text, const QFont &font, int width) {
        window.resize(width + 20, 400);
        editor->setText(text);
        editor->applyFontToAll(font, Qt::black);
        // Counted while hidden for the width it is shown at, as the window does.
        editor->setShownWidth(width);
        editor->shownLinesReady();
        editor->show();
        editor->resize(width, 300);
        window.show();
    }

    // Qt's own layout of every block, as the editor shows it.
    void compareWithEditorLayout() {
        QTextDocument *doc = editor->document();
        // Everything laid out anew: after edits Qt's lazy layout may leave blocks undone.
        doc->markContentsDirty(0, doc->characterCount());
        int line = 0;
        for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
            doc->documentLayout()->blockBoundingRect(b);
            const QTextLayout *layout = b.layout();
            const int rows = std::max(1, layout->lineCount());
            for (int r = 0; r < rows; ++r, ++line) {
                if (b == doc->lastBlock() && b.length() <= 1)
                    break; // the empty row after a final break is not counted
                const int start =
                    b.position() + (layout->lineCount() ? layout->lineAt(r).textStart() : 0);
                QCOMPARE(editor->shownLineStart(line), line == 0 ? 0 : start);
                QCOMPARE(editor->shownLineOfPosition(start), line);
            }
        }
        QCOMPARE(editor->shownLineCount(), line);
    }
};

} // namespace

void TestShownLines::counts_matchTheEditorsOwnLayout_data() {
    QTest::addColumn<QFont>("font");
    QTest::addColumn<int>("width");
    const QList<std::pair<QString, int>> fonts = {{u"DejaVu Sans"_s, 12},
                                                  {u"DejaVu Serif"_s, 17},
                                                  {u"URW Bookman"_s, 14},
                                                  {u"Nimbus Mono PS"_s, 11},
                                                  {u"MS Sans Serif"_s, 12}};
    for (const auto &[family, size] : fonts) {
        QFont font(family);
        font.setPointSize(size);
        font.setItalic(size == 17);
        for (const int width : {140, 517, 1200})
            QTest::addRow("%s %d", qPrintable(family), width) << font << width;
    }
}

void TestShownLines::counts_matchTheEditorsOwnLayout() {
    QFETCH(QFont, font);
    QFETCH(int, width);
    Shown s(mixedText(60, static_cast<quint32>(width)), font, width);
    // Nothing is left to count once shown: the hidden editor counted for this width.
    s.editor->setCountAtOnceLimit(0);
    QVERIFY(s.editor->shownLinesReady());
    s.compareWithEditorLayout();
}

void TestShownLines::edits_keepTheCountsExact() {
    QFont font(u"DejaVu Sans"_s);
    font.setPointSize(13);
    Shown s(mixedText(40, 7), font, 400);
    QCOMPARE(s.editor->shownLineCount() > 40, true);
    QTextCursor c(s.editor->document());
    c.setPosition(200);
    c.insertText(u"вставка слов в середину абзаца, "_s.repeated(5));
    c.setPosition(500);
    c.setPosition(1500, QTextCursor::KeepAnchor);
    c.removeSelectedText(); // across paragraphs
    c.insertText(u"новый\nабзац\n\nи ещё"_s);
    c.movePosition(QTextCursor::End);
    c.insertText(u"\n"_s);
    s.compareWithEditorLayout();
    // A new font and a new width count everything anew.
    font.setPointSize(20);
    s.editor->applyFontToAll(font, Qt::black);
    s.editor->resize(333, 300);
    s.compareWithEditorLayout();
}

void TestShownLines::largeText_isCountedInTheBackground() {
    QFont font(u"DejaVu Sans"_s);
    Shown s(mixedText(400, 3), font, 300);
    s.editor->setCountAtOnceLimit(0);
    s.editor->resize(301, 300);
    QSignalSpy counted(s.editor, &EditorPanel::shownLinesCounted);
    QVERIFY(!s.editor->shownLinesReady());
    QVERIFY(counted.wait(20000));
    QVERIFY(s.editor->shownLinesReady());
    s.compareWithEditorLayout();
}

// A paragraph too long to lay out on load goes in another way; it must still read as
// a new text: whole, the caret at its start, nothing to undo.
void TestShownLines::hugeParagraph_loadsAsANewText() {
    const QString text = u"начало\n"_s + u"слово, «цитата» и ещё "_s.repeated(4000) + u"\nконец"_s;
    Shown s(text, QFont(u"DejaVu Sans"_s), 500);
    QCOMPARE(s.editor->text(), text);
    QCOMPARE(s.editor->caret(), 0);
    QVERIFY(!s.editor->document()->isUndoAvailable());
    QVERIFY(!s.editor->document()->isModified());
    QCOMPARE(s.editor->hiddenLines().line(0), u"начало"_s);
    s.compareWithEditorLayout();
}

// A book's hidden lines are found in another thread; a font set meanwhile must win,
// and an editor closed meanwhile must wait for it.
void TestShownLines::bookLine_isBrokenAsideWithTheLatestFont() {
    const QString line = mixedText(400, 5).repeated(8).replace(u'\n', u' ');
    QVERIFY(line.size() > 1 << 20);
    QFont small(u"DejaVu Sans"_s);
    small.setPointSize(9);
    QFont large = small;
    large.setPointSize(20);
    EditorPanel reference(nullptr);
    reference.applyFontToAll(large, Qt::black);
    reference.setText(line);
    EditorPanel changed(nullptr);
    changed.applyFontToAll(small, Qt::black);
    changed.setText(line);
    changed.applyFontToAll(large, Qt::black);
    const int lines = reference.hiddenLines().lineCount();
    QVERIFY(lines > 100);
    QCOMPARE(changed.hiddenLines().lineCount(), lines);
    for (int i = 0; i < lines; i += 37)
        QCOMPARE(changed.hiddenLines().lineStart(i), reference.hiddenLines().lineStart(i));
    EditorPanel(nullptr).setText(line);
}

void TestShownLines::breaker_matchesQtsLayout_data() {
    counts_matchTheEditorsOwnLayout_data();
}

// Paragraphs long enough to cross Qt's item length, at the hidden width too; words
// wider than a row are broken anywhere.
void TestShownLines::breaker_matchesQtsLayout() {
    QFETCH(QFont, font);
    QFETCH(int, width);
    const QStringList paragraphs = mixedText(40, static_cast<quint32>(width) + 11).split(u'\n');
    QString longOne;
    for (const QString &p : paragraphs)
        longOne += p + u' ';
    for (const qreal w : {qreal(width), qreal(30000), qreal(45)}) {
        ShownLayout g;
        g.font = font;
        g.option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        g.lineWidth = w;
        RowBreaker breaker(g);
        for (const QString &p : paragraphs + QStringList{longOne, longOne.repeated(4)}) {
            const std::vector<int> expected = RowBreaker::laidOutRowStarts(p, g);
            const std::vector<int> got = breaker.rowStarts(p);
            const auto differ =
                std::mismatch(got.begin(), got.end(), expected.begin(), expected.end());
            QVERIFY2(differ.first == got.end() && differ.second == expected.end(),
                     qPrintable(u"width %1, row %2 of %3"_s.arg(w)
                                    .arg(differ.first - got.begin())
                                    .arg(expected.size())));
        }
    }
}

QTEST_MAIN(TestShownLines)
#include "test_shown_lines.moc"
