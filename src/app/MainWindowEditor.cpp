// The editor: showing and hiding, the reading position, editing commands,
// loading and saving text.
#include "app/MainWindow.h"

#include "app/BusyCursor.h"
#include "app/Dialogs.h"
#include "app/SessionRescue.h"
#include "display/ControlStrip.h"
#include "display/DisplayPanel.h"
#include "display/FullScreenWindow.h"
#include "display/RowGeometry.h"
#include "editor/EditorPanel.h"
#include "formats/DocumentConverter.h"
#include "formats/TextCodec.h"
#include "reading/Chunker.h"
#include "settings/SafeFile.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMenu>
#include <QTextCursor>

#include <utility>

namespace zk {

namespace {

const QString TextFilter =
    QStringLiteral("Текстовые файлы txt, rtf, doc, html, htm (*.txt *.rtf *.doc *.htm *.html);;"
                   "Все файлы  (*.* *)");

} // namespace

const QString &MainWindow::conversionMessage() {
    static const QString text = QStringLiteral(
        "Не удалось открыть файл. Возможно на компьютере не установлен обновленный MS-Office. "
        "Попробуйте работать с файлами *.txt");
    return text;
}

const QString &MainWindow::saveMessage() {
    static const QString text =
        QStringLiteral("Не удалось сохранить редактор! Возможно диск защищен от записи.");
    return text;
}

bool MainWindow::isPlainTextFile(const QString &path) {
    const QString name = QFileInfo(path).fileName();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot < 0)
        return false;
    // ASCII upper-casing only, as the rule has always been.
    QString ext = name.mid(dot);
    for (QChar &c : ext) {
        if (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
            c = QChar(c.unicode() - 32);
    }
    return ext == QLatin1String(".TXT");
}

void MainWindow::eventPump(Qt::CursorShape shape) {
    // A bounded pass over pending events so the window repaints before returning.
    BusyCursor cursor(shape);
    for (int i = 0; i < 4; ++i)
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void MainWindow::ActLocateSelStart() {
    EditorPanel *e = m_editor;
    ReadingState &s = m_engine.state();
    e->SelectionTracking = false;
    const int length = static_cast<int>(e->document()->characterCount()) - 1;
    // Start at the first character of the reading line: the line model knows it.
    int caret = std::clamp(e->lineStart(s.CurrentLine), 0, length);
    // Backing off over what was read only makes sense after reading: otherwise
    // every start and exit would move the position back a little further.
    if (m_readSincePlaced) {
        if (length - caret > 100) {
            do {
                caret = std::min(caret + 100, length);
            } while (e->lineOfPosition(caret) < s.CurrentLine && caret < length);
            caret = std::max(0, caret - 100);
        }
        do {
            caret = std::min(caret + 2, length);
        } while (e->lineOfPosition(caret) < s.CurrentLine && caret < length);
        const int d = caret - static_cast<int>(s.ReadBuffer.size()) - 50;
        if (d > 0)
            caret = d;
    }
    m_readSincePlaced = false;
    if (caret >= length) {
        ActGoToStart();
    } else {
        e->setCaret(caret);
        s.CurrentLine = e->lineOfPosition(caret);
    }
    if (e->isVisible())
        e->CaretMoved = true;
    e->SavedSelStart = e->caret();
    e->SelectionTracking = true;
}

void MainWindow::RichEdit1SelectionChange() {
    EditorPanel *e = m_editor;
    if (!e->SelectionTracking)
        return;
    e->CaretMoved = true;
    m_readSincePlaced = false;
    ReadingState &s = m_engine.state();
    s.ReadBuffer.clear();
    const QTextCursor c = e->textCursor();
    e->SavedSelStart = c.selectionStart();
    // A large text may still be counting its shown lines: the line and the percentage
    // follow when they are known, never guessed.
    m_caretAwaitingLine = -1;
    if (e->isVisible() && !e->shownLinesReady()) {
        m_caretAwaitingLine = c.position();
        m_lineAwaited = s.CurrentLine;
        return;
    }
    s.CurrentLine = e->lineOfPosition(c.position());
    setProgressValue(std::min(99, Chunker::progressOf(s.CurrentLine, e->lineCount())));
}

void MainWindow::onShownLinesCounted() {
    const int caret = std::exchange(m_caretAwaitingLine, -1);
    // Only while nothing else has moved the position since.
    if (caret < 0 || !m_editor->isVisible() || m_editor->caret() != caret ||
        m_engine.state().CurrentLine != m_lineAwaited)
        return;
    m_engine.state().CurrentLine = m_editor->lineOfPosition(caret);
    setProgressValue(
        std::min(99, Chunker::progressOf(m_engine.state().CurrentLine, m_editor->lineCount())));
}

void MainWindow::showEditorWidget() {
    m_editor->setVisible(true);
    placeEditor();
}

void MainWindow::MnShowEditClick() {
    if (m_editor->isVisible() || fullScreenShown()) {
        ActHideEdit();
        return;
    }
    {
        BusyCursor busy;
        ActBtStopExecute();
        clearAllRows();
        m_editor->SelectionTracking = false;
        ActLocateSelStart();
        showEditorWidget();
        m_editor->setFocus();
        // Setting the caret counts as a tracked change even where it already stands.
        m_editor->setCaret(m_editor->SavedSelStart);
        RichEdit1SelectionChange();
        m_editor->SelectionTracking = true;
        setEditorMenus(true);
    }
    eventPump(Qt::ArrowCursor);
}

void MainWindow::setEditorMenus(bool shown) {
    m_actions.MnFulScreen->setEnabled(!shown);
    m_actions.MnShowEdit->setVisible(!shown);
    m_actions.MnHideEdit->setVisible(shown);
}

void MainWindow::ActHideEdit() {
    if (fullScreenShown())
        return;
    {
        BusyCursor busy;
        m_editor->setVisible(false);
        m_editor->setCaretUntracked(m_editor->SavedSelStart);
        if (m_editor->CaretMoved) {
            ReadingState &s = m_engine.state();
            s.CurrentLine = m_editor->lineOfPosition(m_editor->caret());
            if (m_editor->lineCount() > 0)
                setProgressValue(
                    std::min(99, Chunker::progressOf(s.CurrentLine, m_editor->lineCount())));
        }
        if (isVisible())
            (isReading() ? m_strip->BtStop : m_strip->BtStart)->setFocus();
        setEditorMenus(false);
        m_panel->clearRows();
    }
    eventPump(Qt::ArrowCursor);
}

void MainWindow::TEditOnTimer() {
    m_timers.TEditOn->stop();
    // A run reads the hidden layout, and the full-screen window covers the editor.
    if (isReading() || fullScreenShown())
        return;
    {
        BusyCursor busy;
        ActLocateSelStart();
        m_editor->SelectionTracking = false;
        showEditorWidget();
        m_editor->setCaret(m_editor->SavedSelStart);
        m_editor->SelectionTracking = true;
        m_editor->CaretMoved = true;
        m_editor->setFocus();
        setEditorMenus(true);
        m_record.EditorOn.set(false);
    }
    eventPump(Qt::ArrowCursor);
}

// --- Editor commands ------------------------------------------------------------

void MainWindow::PopupMenu2Popup() {
    const bool canPaste = !clipboardText().isEmpty();
    const bool hasSelection = m_editor->textCursor().hasSelection();
    m_actions.PumPaste->setEnabled(canPaste);
    m_actions.pum1->setEnabled(canPaste);
    m_actions.PumCut->setEnabled(hasSelection);
    m_actions.PumCopy->setEnabled(hasSelection);
}

bool MainWindow::editorKey(QKeyEvent *event) {
    // The editor's own clipboard keys go through the program's commands, with the
    // enabled states of the last opening of its menu.
    const QKeyCombination key = event->keyCombination();
    QAction *command = nullptr;
    if (key == QKeyCombination(Qt::ControlModifier, Qt::Key_A))
        command = m_actions.N24;
    else if (key == QKeyCombination(Qt::ControlModifier, Qt::Key_C) ||
             key == QKeyCombination(Qt::ControlModifier, Qt::Key_Insert))
        command = m_actions.PumCopy;
    else if (key == QKeyCombination(Qt::ControlModifier, Qt::Key_X) ||
             key == QKeyCombination(Qt::ShiftModifier, Qt::Key_Delete))
        command = m_actions.PumCut;
    // The hidden Shift+Insert item cannot be triggered; it shares the paste state.
    else if (key == QKeyCombination(Qt::ControlModifier, Qt::Key_V) ||
             key == QKeyCombination(Qt::ShiftModifier, Qt::Key_Insert))
        command = m_actions.PumPaste;
    if (!command)
        return false;
    if (command->isEnabled())
        command->trigger();
    return true;
}

void MainWindow::N24Click() {
    if (m_editor->isVisible())
        m_editor->selectAll();
}

void MainWindow::PumCopyClick() {
    if (!m_editor->isVisible())
        return;
    m_editor->copy();
    m_engine.state().ReadBuffer.clear();
}

void MainWindow::PumCutClick() {
    if (!m_editor->isVisible())
        return;
    m_editor->cut();
    m_engine.state().ReadBuffer.clear();
}

void MainWindow::PumPasteClick() {
    pasteText(clipboardText());
}

void MainWindow::pasteText(const QString &text) {
    if (m_editor->isVisible()) {
        m_editor->insertPlain(text);
        m_engine.state().ReadBuffer.clear();
        m_editor->replaceTabs();
    }
    ReformatEditor();
}

void MainWindow::coverEditor(bool on) {
    if (on && m_editor->isVisible()) {
        m_memo1->setGeometry(m_editor->geometry());
        QPalette p = m_memo1->palette();
        p.setColor(QPalette::Window, m_editor->palette().color(QPalette::Base));
        m_memo1->setPalette(p);
        m_memo1->raise();
        m_memo1->show();
    } else {
        m_memo1->hide();
    }
}

void MainWindow::ReformatEditor() {
    eventPump(Qt::WaitCursor);
    {
        BusyCursor busy;
        coverEditor(true);
        m_editor->SavedSelStart = m_editor->textCursor().selectionStart();
        m_editor->SelectionTracking = false;
        m_editor->applyFontToAll(m_fontdialog1, m_editorTextColor);
        m_editor->setCaret(m_editor->SavedSelStart);
        m_editor->SelectionTracking = true;
        coverEditor(false);
    }
    eventPump(Qt::ArrowCursor);
}

void MainWindow::ActSetFont() {
    BusyCursor busy;
    coverEditor(true);
    const int caret = m_editor->textCursor().selectionStart();
    m_editor->SelectionTracking = false;
    m_editor->applyFontToAll(m_fontdialog1, m_editorTextColor);
    m_editor->setCaret(caret);
    m_editor->SelectionTracking = true;
    coverEditor(false);
}

void MainWindow::MnEditFontClick() {
    // The dialog starts from the font the text has, not from what it last held.
    m_fontdialog1 = m_editor->document()->defaultFont();
    m_editorTextColor = m_editor->palette().color(QPalette::Text);
    const std::optional<FontChoice> choice =
        m_dialogs->chooseFont(dialogParent(), {m_fontdialog1, m_editorTextColor});
    if (!choice)
        return;
    m_fontdialog1 = choice->font;
    m_editorTextColor = choice->color;
    ReformatEditor();
}

void MainWindow::MnEditColorClick() {
    const std::optional<QColor> color =
        m_dialogs->chooseColor(dialogParent(), m_editor->palette().color(QPalette::Base));
    if (color)
        m_editor->setBackgroundColor(*color);
}

// --- Loading and saving ---------------------------------------------------------

QString MainWindow::dialogFolder() {
    const QString stored = m_record.TextFolder.value();
    if (!stored.isEmpty() && QDir::setCurrent(stored))
        return stored;
    QDir::setCurrent(m_options.dataFolder);
    return m_options.dataFolder;
}

void MainWindow::rememberTextFolder(const QString &file) {
    const QString folder = QFileInfo(file).absolutePath();
    QDir::setCurrent(folder);
    // A folder that cannot be stored faithfully (too long, outside Windows-1251)
    // keeps the previous one: a cut path would name a different folder.
    m_record.TextFolder.set(folder);
}

std::optional<QString> MainWindow::convertDocument(const QString &path) {
    // A FIFO or a device would hold the reader or the converter forever.
    if (!m_converter || !SafeFile::refusal(path).isEmpty())
        return std::nullopt;
    ConversionResult result = m_converter->convert(path);
    if (!result)
        return std::nullopt;
    return result.takeText();
}

void MainWindow::ActLoadFromFile() {
    ActBtStopExecute();
    clearAllRows();
    const QString folder = dialogFolder();
    const QString path = m_dialogs->openFile(dialogParent(), folder, TextFilter);
    QString failure;
    {
        std::optional<BusyCursor> busy;
        if (!path.isEmpty()) {
            ActGoToStart();
            rememberTextFolder(path);
            busy.emplace();
            if (isPlainTextFile(path)) {
                bool ok = false;
                QString problem;
                const QString text = loadTextFile(path, &ok, &problem);
                if (ok)
                    m_editor->setText(text);
                else
                    failure = SafeFile::openFailure(path, problem);
            } else if (const std::optional<QString> text = convertDocument(path)) {
                m_editor->setText(*text);
                m_engine.state().ReadBuffer.clear();
            } else {
                failure = conversionMessage();
            }
        }
        m_editor->replaceTabs();
    }
    // Shown once the busy cursor is gone, so the box does not wear the hourglass;
    // not at all when the program ended meanwhile.
    if (!failure.isEmpty() && !m_shutDown)
        m_dialogs->message(dialogParent(), failure);
}

void MainWindow::MnLoadFromBufferClick() {
    ActBtStopExecute();
    clearAllRows();
    m_editor->setText(QString());
    m_editor->setText(clipboardText());
    m_editor->replaceTabs();
    ActGoToStart();
    ReformatEditor();
}

void MainWindow::MnClearEditClick() {
    ActBtStopExecute();
    clearAllRows();
    m_editor->setText(QString());
    ActGoToStart();
}

void MainWindow::MnSaveEditClick() {
    const QString folder = dialogFolder();
    suspend();
    const QString path = m_dialogs->saveFile(dialogParent(), folder, TextFilter);
    if (!path.isEmpty()) {
        rememberTextFolder(path);
        // The text's own paragraphs, never the wrapped rows of the shown editor.
        if (!saveTextFile(path, m_editor->text()))
            m_dialogs->message(dialogParent(), saveMessage());
    }
    resumeIfReading(true);
}

// At exit: a text that cannot be stored is offered another place, or, when no
// window may wait, put in the per-user data folder.
void MainWindow::storeLastEdit() {
    const QString text = m_editor->text();
    QString problem;
    if (saveTextFile(lastEditPath(), text, &problem))
        return;
    QString failure = SafeFile::saveFailure(lastEditPath(), problem);
    if (m_unattended && !text.isEmpty()) {
        const QString saved =
            SessionRescue(m_options.userDataFolder).saveText(TextCodec::encode(text), &problem);
        failure += QStringLiteral(".\n") +
                   (saved.isEmpty() ? SafeFile::saveFailure(QStringLiteral("копию"), problem)
                                    : QStringLiteral("Текст редактора сохранён в %1.").arg(saved));
    }
    if (m_unattended || text.isEmpty()) {
        tellSaveFailure(failure);
        return;
    }
    logProblem(failure);
    while (m_dialogs->question(dialogParent(),
                               failure + QStringLiteral("\n\nСохранить текст в другой файл?"))) {
        const QString path = m_dialogs->saveFile(dialogParent(), dialogFolder(), TextFilter);
        if (path.isEmpty() || saveTextFile(path, text, &problem))
            return;
        failure = SafeFile::saveFailure(path, problem);
    }
}

QString MainWindow::clipboardText() const {
    if (m_clipboardText)
        return m_clipboardText();
    return QGuiApplication::clipboard()->text();
}

QWidget *MainWindow::dialogParent() {
    if (fullScreenShown())
        return fullScreenWindow();
    return this;
}

} // namespace zk
