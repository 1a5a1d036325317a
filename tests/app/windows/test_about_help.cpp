#include "app/AboutBox.h"
#include "app/HelpWindow.h"

#include "../../ResourceLimit.h"

#include <QAbstractTextDocumentLayout>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QTimer>

#include <functional>
#include <stdexcept>

using namespace Qt::StringLiterals;
using zk::AboutBox;
using zk::HelpWindow;

namespace {

QString readmePath() {
    return qEnvironmentVariable("ZK_SOURCE_DIR") + u"/data/Readme.rtf"_s;
}

QColor textColour(const QLabel *label) {
    return label->palette().color(QPalette::WindowText);
}

// Runs the dialog modally and does step inside; a step that fails to close it ends in Rejected.
int execWith(QDialog &dialog, const std::function<void()> &step) {
    QTimer::singleShot(0, &dialog, step);
    QTimer::singleShot(5000, &dialog, &QDialog::reject);
    return dialog.exec();
}

} // namespace

class TestAboutHelp final : public QObject {
    Q_OBJECT

private slots:
    void aboutBox_showsNameVersionAndLinks();
    void linkClick_turnsPurpleAndOpensItsAddress();
    void documentation_isTheReadmeBesideOrInstalled();
    void failingOpener_isIgnored();
    void memo_handsFocusToOk();
    void ok_endsTheModalBox();
    void helpWindow_showsRussianHelpText();
    void loadRtf_rejectsMissingAndNonRtfFiles();
    void hugeHelp_showsItsStartAtOnce_andIsReadInLinearTime();
    void copy_isEnabledOnlyWithSelection();
    void keys_selectAllAndCopy();
    void contextMenu_isTheHelpPopup();
    void returnAndOk_closeTheHelpWindow();
};

void TestAboutHelp::aboutBox_showsNameVersionAndLinks() {
    QTemporaryDir dir;
    QFile readme(dir.filePath(u"README.md"_s));
    QVERIFY(readme.open(QIODevice::WriteOnly));
    readme.close();
    AboutBox box(nullptr, dir.path());
    QCOMPARE(box.objectName(), u"TForm3"_s);
    QCOMPARE(box.windowTitle(), u"Зоркан"_s);
    QCOMPARE(box.size(), QSize(384, 154));

    auto *memo = box.findChild<QTextEdit *>(u"Memo1"_s);
    QVERIFY(memo);
    const QStringList lines = memo->toPlainText().split(u'\n');
    QCOMPARE(lines.size(), 4);
    QCOMPARE(lines[0], u"Программа для быстрого чтения"_s);
    QCOMPARE(lines[1], u"Зоркан 2.5 "_s);
    QVERIFY(!lines[2].trimmed().isEmpty());
    QVERIFY(lines[3].isEmpty());

    auto *image = box.findChild<QLabel *>(u"Image1"_s);
    QVERIFY(image);
    QVERIFY(!image->pixmap().isNull());

    auto *label1 = box.findChild<QLabel *>(u"Label1"_s);
    auto *label2 = box.findChild<QLabel *>(u"Label2"_s);
    QVERIFY(label1 && label2);
    QCOMPARE(label1->text(), u"Справка о работе с программой"_s);
    QCOMPARE(label2->text(), u"Описание программы"_s);
    QVERIFY(!label1->isHidden() && !label2->isHidden());
    QCOMPARE(textColour(label1), QColor(Qt::blue));
    QCOMPARE(textColour(label2), QColor(Qt::blue));

    auto *button = box.findChild<QPushButton *>(u"Button1"_s);
    QVERIFY(button);
    QCOMPARE(button->text(), u"OK"_s);
    // Everything stays inside the fixed client area.
    for (const QWidget *w : {static_cast<QWidget *>(memo), static_cast<QWidget *>(label1),
                             static_cast<QWidget *>(label2), static_cast<QWidget *>(button)})
        QVERIFY2(box.rect().contains(w->geometry()), qPrintable(w->objectName()));
    // The links must not run under the button.
    QVERIFY(!label1->geometry().intersects(button->geometry()));
    QVERIFY(!label2->geometry().intersects(button->geometry()));
}

void TestAboutHelp::linkClick_turnsPurpleAndOpensItsAddress() {
    QTemporaryDir dir;
    QFile readme(dir.filePath(u"README.md"_s));
    QVERIFY(readme.open(QIODevice::WriteOnly));
    readme.close();
    AboutBox box(nullptr, dir.path());
    QList<QUrl> opened;
    box.setUrlOpener([&opened](const QUrl &url) {
        opened.append(url);
        return true;
    });
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    auto *label1 = box.findChild<QLabel *>(u"Label1"_s);
    auto *label2 = box.findChild<QLabel *>(u"Label2"_s);

    // The README opens in whatever the desktop opens it with.
    QTest::mouseClick(label2, Qt::LeftButton);
    QCOMPARE(opened, QList<QUrl>{QUrl::fromLocalFile(readme.fileName())});
    QCOMPARE(textColour(label2), QColor(128, 0, 128));
    QCOMPARE(textColour(label1), QColor(Qt::blue));
    QVERIFY(box.isVisible());

    // Other buttons and a release outside the label do nothing.
    QTest::mouseClick(label1, Qt::RightButton);
    QTest::mousePress(label1, Qt::LeftButton);
    QTest::mouseRelease(label1, Qt::LeftButton, {}, QPoint(-5, -5));
    QVERIFY(!box.helpAsked());

    // The help link closes the box for the help window; it opens no address.
    QTest::mouseClick(label1, Qt::LeftButton);
    QVERIFY(box.helpAsked());
    QVERIFY(!box.isVisible());
    QCOMPARE(box.result(), int(QDialog::Accepted));
    QCOMPARE(textColour(label1), QColor(128, 0, 128));
    QCOMPARE(opened.size(), 1);
}

void TestAboutHelp::documentation_isTheReadmeBesideOrInstalled() {
    QTemporaryDir dir;
    const QDir root(dir.path());
    QVERIFY(root.mkpath(u"usr/bin"_s) && root.mkpath(u"usr/share/doc/zorkan"_s));
    const QString bin = root.filePath(u"usr/bin"_s);
    QVERIFY(AboutBox::documentationUrl(bin).isEmpty());
    AboutBox none(nullptr, bin);
    QVERIFY(none.findChild<QLabel *>(u"Label2"_s)->isHidden());

    QFile installed(root.filePath(u"usr/share/doc/zorkan/README.md"_s));
    QVERIFY(installed.open(QIODevice::WriteOnly));
    installed.close();
    QCOMPARE(AboutBox::documentationUrl(bin), QUrl::fromLocalFile(installed.fileName()));
    QFile beside(root.filePath(u"usr/bin/README.md"_s));
    QVERIFY(beside.open(QIODevice::WriteOnly));
    beside.close();
    QCOMPARE(AboutBox::documentationUrl(bin), QUrl::fromLocalFile(beside.fileName()));
}

void TestAboutHelp::failingOpener_isIgnored() {
    AboutBox box(nullptr, qEnvironmentVariable("ZK_BINARY_DIR"));
    int calls = 0;
    box.setUrlOpener([&calls](const QUrl &) -> bool {
        ++calls;
        if (calls == 1)
            return false;
        throw std::runtime_error("no desktop");
    });
    box.openDocumentation();
    box.openDocumentation();
    QCOMPARE(calls, 2);
    QCOMPARE(textColour(box.findChild<QLabel *>(u"Label2"_s)), QColor(128, 0, 128));
}

void TestAboutHelp::memo_handsFocusToOk() {
    AboutBox box;
    box.show();
    QApplication::setActiveWindow(&box);
    QVERIFY(QTest::qWaitForWindowActive(&box));
    auto *memo = box.findChild<QTextEdit *>(u"Memo1"_s);
    auto *button = box.findChild<QPushButton *>(u"Button1"_s);
    QTRY_VERIFY(button->hasFocus());

    memo->setFocus(Qt::MouseFocusReason);
    QTRY_VERIFY(button->hasFocus());
    QVERIFY(!memo->hasFocus());

    QTest::mouseClick(memo->viewport(), Qt::LeftButton);
    QTRY_VERIFY(button->hasFocus());
}

void TestAboutHelp::ok_endsTheModalBox() {
    AboutBox box;
    auto *button = box.findChild<QPushButton *>(u"Button1"_s);
    QCOMPARE(execWith(box, [button] { QTest::mouseClick(button, Qt::LeftButton); }),
             int(QDialog::Accepted));
    QVERIFY(!box.isVisible());

    // Enter on the focused OK does the same.
    QCOMPARE(execWith(box, [&box] { QTest::keyClick(&box, Qt::Key_Return); }),
             int(QDialog::Accepted));
}

void TestAboutHelp::helpWindow_showsRussianHelpText() {
    HelpWindow help;
    QCOMPARE(help.objectName(), u"TForm4"_s);
    QCOMPARE(help.windowTitle(), u"О работе с Зорканом 2.1"_s);
    QVERIFY(!help.windowIcon().isNull());

    QVERIFY(help.loadRtf(readmePath()));
    const QString text = help.richEdit()->toPlainText();
    QVERIFY(text.contains(u"Зоркан"_s));
    QVERIFY(!text.contains(u"\\rtf"_s));
    QVERIFY(!text.contains(u'\uFFFD'));
    QCOMPARE(help.richEdit()->textCursor().position(), 0);
}

void TestAboutHelp::loadRtf_rejectsMissingAndNonRtfFiles() {
    HelpWindow help;
    QVERIFY(help.loadRtf(readmePath()));
    const QString shown = help.richEdit()->toPlainText();

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(!help.loadRtf(dir.filePath(u"Readme.rtf"_s)));
    QVERIFY(!help.loadRtf(dir.path()));

    QFile plain(dir.filePath(u"plain.rtf"_s));
    QVERIFY(plain.open(QIODevice::WriteOnly));
    plain.write("Just text, {\\rtf1 later}\n");
    plain.close();
    QVERIFY(!help.loadRtf(plain.fileName()));
    QCOMPARE(help.richEdit()->toPlainText(), shown);
}

void TestAboutHelp::hugeHelp_showsItsStartAtOnce_andIsReadInLinearTime() {
    const ResourceLimit cap = ResourceLimit::processorBeyondNow(300);
    QTemporaryDir dir;
    QFile file(dir.filePath(u"Readme.rtf"_s));
    QVERIFY(file.open(QIODevice::WriteOnly));
    // Bold switched at every letter of one endless word, then 2 MB of short paragraphs.
    file.write("{\\rtf1\\ansi " + QByteArray("\\b x\\b0 y").repeated(100000) + "\\par\n" +
               QByteArray("words and words\\par\n").repeated(100000) + "}");
    file.close();

    HelpWindow help;
    QVERIFY(help.loadRtf(file.fileName()));
    QTextDocument *doc = help.richEdit()->document();
    QVERIFY(help.isReading());
    QVERIFY(doc->characterCount() < 100000);
    help.show();
    QTRY_VERIFY_WITH_TIMEOUT(!help.isReading(), 60000);
    QVERIFY(doc->documentLayout()->blockBoundingRect(doc->lastBlock()).bottom() > 0);
    const QString text = help.richEdit()->toPlainText();
    QCOMPARE(text.count(u'x'), 100000);
    QCOMPARE(text.count(u"words and words"_s), 100000);
    QCOMPARE(help.richEdit()->textCursor().position(), 0);
}

void TestAboutHelp::copy_isEnabledOnlyWithSelection() {
    HelpWindow help;
    QVERIFY(help.loadRtf(readmePath()));
    QMenu *popup = help.findChild<QMenu *>(u"PopupMenu1"_s);
    QVERIFY(popup);
    auto *selectAll = help.findChild<QAction *>(u"N1"_s);
    auto *copy = help.findChild<QAction *>(u"N2"_s);
    auto *separator = help.findChild<QAction *>(u"N3"_s);
    auto *back = help.findChild<QAction *>(u"N4"_s);
    QVERIFY(selectAll && copy && separator && back);
    QCOMPARE(popup->actions(), (QList<QAction *>{selectAll, copy, separator, back}));
    QCOMPARE(selectAll->text(), u"Выделить все "_s);
    QCOMPARE(selectAll->shortcut(), QKeySequence(u"Ctrl+A"_s));
    QCOMPARE(copy->text(), u"Копировать"_s);
    QCOMPARE(copy->shortcut(), QKeySequence(u"Ctrl+C"_s));
    QVERIFY(separator->isSeparator());
    QCOMPARE(back->text(), u"Вернуться"_s);

    emit popup->aboutToShow();
    QVERIFY(!copy->isEnabled());

    QTextCursor cursor = help.richEdit()->textCursor();
    cursor.setPosition(0);
    cursor.setPosition(6, QTextCursor::KeepAnchor);
    help.richEdit()->setTextCursor(cursor);
    QVERIFY(!copy->isEnabled()); // decided when the pop-up opens
    emit popup->aboutToShow();
    QVERIFY(copy->isEnabled());

    QApplication::clipboard()->clear();
    copy->trigger();
    QCOMPARE(QApplication::clipboard()->text(), cursor.selectedText());

    cursor.clearSelection();
    help.richEdit()->setTextCursor(cursor);
    help.prepareContextMenu();
    QVERIFY(!copy->isEnabled());

    selectAll->trigger();
    QCOMPARE(help.richEdit()->textCursor().selectedText().size(),
             help.richEdit()->document()->characterCount() - 1);
    help.prepareContextMenu();
    QVERIFY(copy->isEnabled());
}

void TestAboutHelp::keys_selectAllAndCopy() {
    HelpWindow help;
    QVERIFY(help.loadRtf(readmePath()));
    help.show();
    QApplication::setActiveWindow(&help);
    QVERIFY(QTest::qWaitForWindowActive(&help));
    QTextEdit *edit = help.richEdit();
    edit->setFocus();
    QTRY_VERIFY(edit->hasFocus());

    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    const QString all = edit->textCursor().selectedText();
    QCOMPARE(all.size(), edit->document()->characterCount() - 1);
    QApplication::clipboard()->clear();
    QTest::keyClick(edit, Qt::Key_C, Qt::ControlModifier);
    QVERIFY(QApplication::clipboard()->text().startsWith(u"Зоркан"_s));
}

void TestAboutHelp::contextMenu_isTheHelpPopup() {
    HelpWindow help;
    QVERIFY(help.loadRtf(readmePath()));
    help.show();
    QVERIFY(QTest::qWaitForWindowExposed(&help));
    QWidget *viewport = help.richEdit()->viewport();
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(20, 20),
                            viewport->mapToGlobal(QPoint(20, 20)));
    QApplication::sendEvent(viewport, &event);
    QMenu *popup = help.popupMenu();
    QTRY_VERIFY(popup->isVisible());
    QVERIFY(!help.findChild<QAction *>(u"N2"_s)->isEnabled());
    popup->close();
}

void TestAboutHelp::returnAndOk_closeTheHelpWindow() {
    HelpWindow help;
    auto *menuBar = help.findChild<QMenuBar *>();
    QVERIFY(menuBar);
    auto *ok = help.findChild<QAction *>(u"N5"_s);
    QVERIFY(ok);
    QCOMPARE(menuBar->actions(), QList<QAction *>{ok});
    QCOMPARE(ok->text(), u"&OK"_s);

    QCOMPARE(execWith(help, [ok] { ok->trigger(); }), int(QDialog::Accepted));
    QVERIFY(!help.isVisible());

    auto *back = help.findChild<QAction *>(u"N4"_s);
    QCOMPARE(execWith(help, [back] { back->trigger(); }), int(QDialog::Accepted));
    QVERIFY(!help.isVisible());
}

QTEST_MAIN(TestAboutHelp)
#include "test_about_help.moc"
