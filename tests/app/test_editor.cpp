#include "WindowFixture.h"

#include "display/FullScreenWindow.h"

#include <QAbstractTextDocumentLayout>
#include <QMenu>
#include <QScrollBar>
#include <QTextBlock>

using namespace zk;

class test_editor : public QObject {
    Q_OBJECT
private slots:
    void f2_inFullScreen_doesNothing();
    void showingDuringRun_stopsAndClearsBothWindows();
    void emptyEditor_fallsBackToStart();
    void currentLineBeyondText_endsSearches();
    void clickInWrappedParagraph_choosesShownLine_thenHiddenLine();
    void selectAllThenHide_readsFromStart();
    void shownLines_matchTheLaidOutRows();
    void paste_replacesTabs_andTakesDialogFont();
    void displayFontDialog_evenCancelled_isWhatPasteApplies();
    void emptyClipboardAtOpening_disablesPasteKeys();
    void editorFont_cancelledChangesNothing_acceptedReformats();
    void startAfterEditing_readsFromCaretLine();
    void backToStart_withEditorShown_holdsAfterHiding();
};

namespace {

QString paragraphs(int count, int words) {
    QStringList list;
    for (int p = 0; p < count; ++p)
        list << QStringLiteral("абзац%1 ").arg(p) +
                    QStringLiteral("слово ").repeated(words).trimmed();
    return list.join(QLatin1Char('\n'));
}

} // namespace

void test_editor::f2_inFullScreen_doesNothing() {
    WindowFixture f;
    MainWindow *w = f.startWithText(QStringLiteral("текст"));
    w->actions().MnFulScreen->trigger();
    QVERIFY(w->fullScreenWindow()->isVisible());
    QTest::keyClick(w->fullScreenWindow(), Qt::Key_F2);
    QVERIFY(!w->editor()->isVisible());
    QVERIFY(w->fullScreenWindow()->isVisible());
}

void test_editor::showingDuringRun_stopsAndClearsBothWindows() {
    WindowFixture f;
    MainWindow *w = f.startWithText(QStringLiteral("один два три"));
    w->strip()->UpDown3->setValue(3);
    f.startReading();
    w->reading()->tick();
    w->fullScreenWindow()->panel()->row(0)->setText(QStringLiteral("x"));
    QTest::keyClick(w, Qt::Key_F2);
    QVERIFY(w->editor()->isVisible());
    QVERIFY(!w->isReading());
    QCOMPARE(f.row(0), QString());
    QCOMPARE(w->fullScreenWindow()->panel()->row(0)->text(), QString());
    QVERIFY(!w->actions().MnFulScreen->isEnabled());
    QVERIFY(!w->actions().MnShowEdit->isVisible());
    QVERIFY(w->actions().MnHideEdit->isVisible());
    QTest::keyClick(w->editor(), Qt::Key_F2);
    QVERIFY(!w->editor()->isVisible());
    QVERIFY(w->actions().MnFulScreen->isEnabled());
}

void test_editor::emptyEditor_fallsBackToStart() {
    WindowFixture f;
    MainWindow *w = f.startWithText(QString());
    w->engine().state().CurrentLine = 3;
    w->engine().state().ReadBuffer = QStringLiteral("x ");
    w->editing()->toggleEditor();
    QCOMPARE(w->engine().state().CurrentLine, 0);
    QVERIFY(w->engine().state().ReadBuffer.isEmpty());
    QCOMPARE(w->strip()->UpDown1->value(), 0);
}

void test_editor::currentLineBeyondText_endsSearches() {
    WindowFixture f;
    MainWindow *w = f.startWithText(paragraphs(5, 40));
    w->engine().state().CurrentLine = 500;
    w->editing()->toggleEditor(); // must return
    QVERIFY(w->editor()->isVisible());
    QVERIFY(w->engine().state().CurrentLine < w->editor()->lineCount());
}

void test_editor::clickInWrappedParagraph_choosesShownLine_thenHiddenLine() {
    WindowFixture f;
    MainWindow *w = f.startWithText(paragraphs(6, 60));
    w->editing()->toggleEditor();
    EditorPanel *e = w->editor();
    QVERIFY(e->lineCount() > 6); // paragraphs wrap at the window's width
    // A click on the second wrapped row of paragraph 3, scrolled into view.
    const QTextBlock block = e->document()->findBlockByNumber(3);
    e->document()->documentLayout()->blockBoundingRect(block);
    const QTextLine row = block.layout()->lineAt(1);
    QTextCursor target(block);
    target.setPosition(block.position() + row.textStart() + row.textLength() / 2);
    e->verticalScrollBar()->setValue(block.firstLineNumber());
    QTest::mouseClick(e->viewport(), Qt::LeftButton, {}, e->cursorRect(target).center());
    const int shownLine = e->shownLineOfPosition(e->caret());
    QCOMPARE(w->engine().state().CurrentLine, shownLine);
    QCOMPARE(e->document()->findBlock(e->caret()).blockNumber(), 3);
    QVERIFY(w->engine().state().ReadBuffer.isEmpty());
    QCOMPARE(w->strip()->UpDown1->value(), shownLine * 100 / e->lineCount());
    // After hiding, the line of the hidden layout that holds the caret: paragraph 3.
    QTest::keyClick(e, Qt::Key_F2);
    QCOMPARE(w->engine().state().CurrentLine, 3);
    f.startReading();
    w->reading()->tick();
    QCOMPARE(f.row(0), QStringLiteral("абзац3"));
}

void test_editor::selectAllThenHide_readsFromStart() {
    WindowFixture f;
    MainWindow *w = f.startWithText(paragraphs(8, 30));
    w->engine().state().CurrentLine = 5;
    w->editing()->toggleEditor();
    emit w->findChild<QMenu *>(QStringLiteral("PopupMenu2"))->aboutToShow();
    QTest::keyClick(w->editor(), Qt::Key_A, Qt::ControlModifier);
    QVERIFY(w->editor()->textCursor().hasSelection());
    QCOMPARE(w->engine().state().CurrentLine, w->editor()->lineCount() - 1);
    QTest::keyClick(w->editor(), Qt::Key_F2);
    QCOMPARE(w->engine().state().CurrentLine, 0);
    f.startReading();
    w->reading()->tick();
    QCOMPARE(f.row(0), QStringLiteral("абзац0"));
}

void test_editor::shownLines_matchTheLaidOutRows() {
    WindowFixture f;
    MainWindow *w = f.startWithText(paragraphs(4, 50) + QStringLiteral("\n\nпоследняя\n"));
    w->editing()->toggleEditor();
    EditorPanel *e = w->editor();
    QString joined;
    int rows = 0;
    for (QTextBlock b = e->document()->begin(); b.isValid(); b = b.next()) {
        e->document()->documentLayout()->blockBoundingRect(b);
        rows += std::max(1, b.layout()->lineCount());
    }
    QCOMPARE(e->lineCount(), rows - 1); // the empty row after the last break is not counted
    for (int i = 0; i < e->lineCount(); ++i) {
        QCOMPARE(e->shownLineOfPosition(e->shownLineStart(i)), i);
        joined += e->shownLine(i);
    }
    QString expected = e->text();
    expected.remove(QLatin1Char('\n'));
    QCOMPARE(joined, expected);
    QCOMPARE(e->shownLine(e->lineCount()), QString());
    // Hidden again: the lines are the paragraphs.
    w->editing()->hideEditor();
    QCOMPARE(e->lineCount(), 6);
    QCOMPARE(e->line(5), QStringLiteral("последняя"));

    // Only a paragraph wider than 30000 pixels in the editor font wraps while hidden.
    const QString wide = QStringLiteral("широкое ").repeated(1500).trimmed();
    e->setText(QStringLiteral("коротко\n") + wide);
    QVERIFY(e->lineCount() > 2);
    QCOMPARE(e->line(0), QStringLiteral("коротко"));
    QString rejoined;
    for (int i = 1; i < e->lineCount(); ++i)
        rejoined += e->line(i);
    QCOMPARE(rejoined, wide);
}

void test_editor::paste_replacesTabs_andTakesDialogFont() {
    WindowFixture f;
    MainWindow *w = f.startWithText(QStringLiteral("начало"));
    w->editing()->toggleEditor();
    w->editor()->setCaret(6);
    f.clipboard = QStringLiteral(" a\tb\tc");
    emit w->findChild<QMenu *>(QStringLiteral("PopupMenu2"))->aboutToShow();
    QTest::keyClick(w->editor(), Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(w->editor()->text(), QStringLiteral("начало a b c"));
    QTest::keyClick(w->editor(), Qt::Key_Insert, Qt::ShiftModifier);
    QCOMPARE(w->editor()->text(), QStringLiteral("начало a b c a b c"));
    QCOMPARE(w->editor()->document()->defaultFont().family(), w->editing()->dialogFont().family());
}

void test_editor::displayFontDialog_evenCancelled_isWhatPasteApplies() {
    WindowFixture f;
    MainWindow *w = f.startWithText(QStringLiteral("текст"));
    const QFont display = w->mainPanel()->displayFont();
    f.dialogs->font.reset(); // cancelled
    w->actions().N13->trigger();
    QCOMPARE(f.dialogs->fontDialogs, 1);
    QCOMPARE(w->mainPanel()->displayFont(), display);
    w->editing()->toggleEditor();
    f.clipboard = QStringLiteral("ещё");
    w->editing()->prepareEditorMenu();
    w->actions().PumPaste->trigger();
    QCOMPARE(w->editor()->document()->defaultFont().family(), display.family());
    QCOMPARE(w->editor()->document()->defaultFont().pointSize(), display.pointSize());
}

void test_editor::emptyClipboardAtOpening_disablesPasteKeys() {
    WindowFixture f;
    MainWindow *w = f.startWithText(QStringLiteral("текст"));
    w->editing()->toggleEditor();
    f.clipboard.clear();
    w->editing()->prepareEditorMenu();
    QVERIFY(!w->actions().PumPaste->isEnabled());
    QVERIFY(!w->actions().pum1->isEnabled());
    f.clipboard = QStringLiteral("вставка");
    QTest::keyClick(w->editor(), Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(w->editor(), Qt::Key_Insert, Qt::ShiftModifier);
    QCOMPARE(w->editor()->text(), QStringLiteral("текст")); // the key did not reach the editor
    w->editing()->prepareEditorMenu();
    QTest::keyClick(w->editor(), Qt::Key_V, Qt::ControlModifier);
    QVERIFY(w->editor()->text().contains(QStringLiteral("вставка")));
    // Copy and cut follow the selection at the opening.
    QVERIFY(!w->actions().PumCopy->isEnabled());
    w->editor()->selectAll();
    w->editing()->prepareEditorMenu();
    QVERIFY(w->actions().PumCut->isEnabled());
}

void test_editor::editorFont_cancelledChangesNothing_acceptedReformats() {
    WindowFixture f;
    MainWindow *w = f.startWithText(QStringLiteral("строка один\nстрока два"));
    w->editing()->toggleEditor();
    w->editor()->setCaret(14);
    const QFont before = w->editor()->document()->defaultFont();
    const int line = w->engine().state().CurrentLine;
    f.dialogs->font.reset();
    w->actions().MnEditFont->trigger();
    QCOMPARE(w->editor()->document()->defaultFont(), before);
    QFont chosen(QStringLiteral("DejaVu Serif"));
    chosen.setPointSize(20);
    f.dialogs->font = FontChoice{chosen, Qt::darkBlue};
    w->actions().MnEditFont->trigger();
    QCOMPARE(w->editor()->document()->defaultFont().family(), QStringLiteral("DejaVu Serif"));
    QCOMPARE(w->editor()->caret(), 14);
    QCOMPARE(w->engine().state().CurrentLine, line);
    QVERIFY(w->actions().MnHideEdit->isVisible());

    // The shown rows follow the new font: a larger one wraps a long paragraph more.
    w->editor()->setText(paragraphs(1, 80));
    const int rowsBefore = w->editor()->lineCount();
    chosen.setPointSize(40);
    f.dialogs->font = FontChoice{chosen, Qt::black};
    w->actions().MnEditFont->trigger();
    QVERIFY(w->editor()->lineCount() > rowsBefore);
}

void test_editor::startAfterEditing_readsFromCaretLine() {
    WindowFixture f;
    MainWindow *w = f.startWithText(QStringLiteral("первая\nвторая\nтретья"));
    w->editing()->toggleEditor();
    QTest::keyClick(w->editor(), Qt::Key_Down);
    QCOMPARE(w->engine().state().CurrentLine, 1);
    QTest::mouseClick(w->strip()->BtStart, Qt::LeftButton);
    QVERIFY(!w->editor()->isVisible());
    QVERIFY(w->isReading());
    w->timers().t1->stop();
    w->reading()->tick();
    QCOMPARE(f.row(0), QStringLiteral("вторая"));
}

void test_editor::backToStart_withEditorShown_holdsAfterHiding() {
    WindowFixture f;
    const QString text = paragraphs(8, 30);
    MainWindow *w = f.startWithText(text);
    w->editing()->toggleEditor();
    w->editor()->setCaret(static_cast<int>(text.indexOf(QStringLiteral("абзац5"))));
    QVERIFY(w->engine().state().CurrentLine > 0);
    QTest::mouseDClick(w->strip()->Panel7, Qt::LeftButton);
    w->editing()->toggleEditor();
    QVERIFY(!w->editor()->isVisible());
    QCOMPARE(w->engine().state().CurrentLine, 0);
}

QTEST_MAIN(test_editor)
#include "test_editor.moc"
