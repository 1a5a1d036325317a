#include "app/commands/EditorController.h"

#include "app/commands/BusyCursor.h"
#include "app/commands/ReadingController.h"
#include "app/commands/WindowParts.h"
#include "display/ControlStrip.h"
#include "display/DisplayPanel.h"
#include "display/RowGeometry.h"
#include "editor/EditorPanel.h"
#include "reading/Chunker.h"

#include <QAction>
#include <QKeyEvent>
#include <QMenu>
#include <QTextCursor>

#include <utility>

namespace zk {

EditorController::EditorController(WindowParts &parts, QMenu *editorMenu)
    : m_parts(parts), m_menu(editorMenu), m_cover(new QFrame(parts.panel)) {
    m_cover->setObjectName(QStringLiteral("Memo1"));
    m_cover->setAutoFillBackground(true);
    m_cover->setCursor(Qt::WaitCursor);
    m_cover->hide();

    EditorPanel *editor = parts.editor;
    m_dialogFont = editor->document()->defaultFont();
    editor->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(editor, &QWidget::customContextMenuRequested, this, [this](const QPoint &pos) {
        m_menu->popup(m_parts.editor->viewport()->mapToGlobal(pos));
    });
    connect(m_menu, &QMenu::aboutToShow, this, &EditorController::prepareEditorMenu);
    editor->installEventFilter(this);
    editor->pasteCommand = [this](const QString &text) { pasteText(text); };
    connect(editor, &EditorPanel::cursorPositionChanged, this, &EditorController::onCaretMoved);
    connect(editor, &EditorPanel::selectionChanged, this, &EditorController::onCaretMoved);
    connect(editor, &EditorPanel::shownLinesCounted, this, &EditorController::onShownLinesCounted);
    connect(parts.panel, &DisplayPanel::resized, this, &EditorController::placeEditor);
}

// --- The reading position ------------------------------------------------------

void EditorController::ActLocateSelStart() {
    EditorPanel *e = m_parts.editor;
    ReadingState &s = m_parts.reading->state();
    e->SelectionTracking = false;
    const int length = static_cast<int>(e->document()->characterCount()) - 1;
    // Start at the first character of the reading line: the line model knows it.
    int caret = std::clamp(e->lineStart(s.CurrentLine), 0, length);
    // Backing off over what was read only makes sense after reading: otherwise
    // every start and exit would move the position back a little further.
    if (m_parts.readSincePlaced) {
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
    m_parts.readSincePlaced = false;
    if (caret >= length) {
        m_parts.reading->rewindToStart();
    } else {
        e->setCaret(caret);
        s.CurrentLine = e->lineOfPosition(caret);
    }
    if (e->isVisible())
        e->CaretMoved = true;
    e->SavedSelStart = e->caret();
    e->SelectionTracking = true;
}

void EditorController::onCaretMoved() {
    EditorPanel *e = m_parts.editor;
    if (!e->SelectionTracking)
        return;
    e->CaretMoved = true;
    m_parts.readSincePlaced = false;
    ReadingState &s = m_parts.reading->state();
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
    m_parts.reading->showProgress(std::min(99, Chunker::progressOf(s.CurrentLine, e->lineCount())));
}

void EditorController::onShownLinesCounted() {
    const int caret = std::exchange(m_caretAwaitingLine, -1);
    EditorPanel *e = m_parts.editor;
    ReadingState &s = m_parts.reading->state();
    // Only while nothing else has moved the position since.
    if (caret < 0 || !e->isVisible() || e->caret() != caret || s.CurrentLine != m_lineAwaited)
        return;
    s.CurrentLine = e->lineOfPosition(caret);
    m_parts.reading->showProgress(std::min(99, Chunker::progressOf(s.CurrentLine, e->lineCount())));
}

// --- Showing and hiding --------------------------------------------------------

void EditorController::placeEditor() {
    EditorPanel *e = m_parts.editor;
    e->move(2, RowGeometry::StripHeight);
    const int height = std::max(0, m_parts.panel->height() - RowGeometry::StripHeight);
    const int shownWidth = std::max(0, m_parts.panel->parentWidget()->width() - 3);
    e->setShownWidth(shownWidth);
    e->resize(e->isVisible() ? shownWidth : EditorPanel::HiddenWidth, height);
}

void EditorController::showEditorWidget() {
    m_parts.editor->setVisible(true);
    placeEditor();
}

void EditorController::toggleEditor() {
    if (m_parts.editor->isVisible() || m_parts.fullScreenShown()) {
        hideEditor();
        return;
    }
    {
        BusyCursor busy;
        EditorPanel *e = m_parts.editor;
        m_parts.reading->interrupt();
        e->SelectionTracking = false;
        ActLocateSelStart();
        showEditorWidget();
        e->setFocus();
        // Setting the caret counts as a tracked change even where it already stands.
        e->setCaret(e->SavedSelStart);
        onCaretMoved();
        e->SelectionTracking = true;
        setEditorMenus(true);
    }
    pumpEvents(Qt::ArrowCursor);
}

void EditorController::setEditorMenus(bool shown) {
    m_parts.actions.MnFulScreen->setEnabled(!shown);
    m_parts.actions.MnShowEdit->setVisible(!shown);
    m_parts.actions.MnHideEdit->setVisible(shown);
}

void EditorController::hideEditor() {
    if (m_parts.fullScreenShown())
        return;
    {
        BusyCursor busy;
        EditorPanel *e = m_parts.editor;
        e->setVisible(false);
        e->setCaretUntracked(e->SavedSelStart);
        if (e->CaretMoved) {
            ReadingState &s = m_parts.reading->state();
            s.CurrentLine = e->lineOfPosition(e->caret());
            if (e->lineCount() > 0)
                m_parts.reading->showProgress(
                    std::min(99, Chunker::progressOf(s.CurrentLine, e->lineCount())));
        }
        if (m_parts.mainShown())
            (m_parts.reading->isReading() ? m_parts.strip->BtStop : m_parts.strip->BtStart)
                ->setFocus();
        setEditorMenus(false);
        m_parts.panel->clearRows();
    }
    pumpEvents(Qt::ArrowCursor);
}

void EditorController::showEditorAtStart() {
    m_parts.timers.TEditOn->stop();
    // A run reads the hidden layout, and the full-screen window covers the editor.
    if (m_parts.reading->isReading() || m_parts.fullScreenShown())
        return;
    {
        BusyCursor busy;
        EditorPanel *e = m_parts.editor;
        ActLocateSelStart();
        e->SelectionTracking = false;
        showEditorWidget();
        e->setCaret(e->SavedSelStart);
        e->SelectionTracking = true;
        e->CaretMoved = true;
        e->setFocus();
        setEditorMenus(true);
        m_parts.record.EditorOn.set(false);
    }
    pumpEvents(Qt::ArrowCursor);
}

// --- Clipboard commands --------------------------------------------------------

void EditorController::prepareEditorMenu() {
    const bool canPaste = !m_parts.clipboardText().isEmpty();
    const bool hasSelection = m_parts.editor->textCursor().hasSelection();
    m_parts.actions.PumPaste->setEnabled(canPaste);
    m_parts.actions.pum1->setEnabled(canPaste);
    m_parts.actions.PumCut->setEnabled(hasSelection);
    m_parts.actions.PumCopy->setEnabled(hasSelection);
}

bool EditorController::isEditorClipboardKey(QKeyCombination key) {
    for (QKeyCombination k : {QKeyCombination(Qt::ControlModifier, Qt::Key_A),
                              QKeyCombination(Qt::ControlModifier, Qt::Key_C),
                              QKeyCombination(Qt::ControlModifier, Qt::Key_Insert),
                              QKeyCombination(Qt::ControlModifier, Qt::Key_X),
                              QKeyCombination(Qt::ShiftModifier, Qt::Key_Delete),
                              QKeyCombination(Qt::ControlModifier, Qt::Key_V),
                              QKeyCombination(Qt::ShiftModifier, Qt::Key_Insert)}) {
        if (k == key)
            return true;
    }
    return false;
}

bool EditorController::eventFilter(QObject *watched, QEvent *event) {
    if (watched == m_parts.editor && event->type() == QEvent::KeyPress &&
        editorKey(static_cast<QKeyEvent *>(event)))
        return true;
    if (watched == m_parts.editor && event->type() == QEvent::ShortcutOverride) {
        // Keep the editor's own clipboard keys from being handled before the filter.
        auto *key = static_cast<QKeyEvent *>(event);
        QKeyEvent probe(QEvent::KeyPress, key->key(), key->modifiers());
        if (isEditorClipboardKey(probe.keyCombination())) {
            event->accept();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

bool EditorController::editorKey(QKeyEvent *event) {
    // The editor's own clipboard keys go through the program's commands, with the
    // enabled states of the last opening of its menu.
    const QKeyCombination key = event->keyCombination();
    const Actions &a = m_parts.actions;
    QAction *command = nullptr;
    if (key == QKeyCombination(Qt::ControlModifier, Qt::Key_A))
        command = a.N24;
    else if (key == QKeyCombination(Qt::ControlModifier, Qt::Key_C) ||
             key == QKeyCombination(Qt::ControlModifier, Qt::Key_Insert))
        command = a.PumCopy;
    else if (key == QKeyCombination(Qt::ControlModifier, Qt::Key_X) ||
             key == QKeyCombination(Qt::ShiftModifier, Qt::Key_Delete))
        command = a.PumCut;
    // The hidden Shift+Insert item cannot be triggered; it shares the paste state.
    else if (key == QKeyCombination(Qt::ControlModifier, Qt::Key_V) ||
             key == QKeyCombination(Qt::ShiftModifier, Qt::Key_Insert))
        command = a.PumPaste;
    if (!command)
        return false;
    if (command->isEnabled())
        command->trigger();
    return true;
}

void EditorController::selectAll() {
    if (m_parts.editor->isVisible())
        m_parts.editor->selectAll();
}

void EditorController::copySelection() {
    if (!m_parts.editor->isVisible())
        return;
    m_parts.editor->copy();
    m_parts.reading->state().ReadBuffer.clear();
}

void EditorController::cutSelection() {
    if (!m_parts.editor->isVisible())
        return;
    m_parts.editor->cut();
    m_parts.reading->state().ReadBuffer.clear();
}

void EditorController::pasteClipboard() {
    pasteText(m_parts.clipboardText());
}

void EditorController::pasteText(const QString &text) {
    if (m_parts.editor->isVisible()) {
        m_parts.editor->insertPlain(text);
        m_parts.reading->state().ReadBuffer.clear();
        m_parts.editor->replaceTabs();
    }
    ReformatEditor();
}

// --- Font and colour -----------------------------------------------------------

void EditorController::coverEditor(bool on) {
    EditorPanel *e = m_parts.editor;
    if (on && e->isVisible()) {
        m_cover->setGeometry(e->geometry());
        QPalette p = m_cover->palette();
        p.setColor(QPalette::Window, e->palette().color(QPalette::Base));
        m_cover->setPalette(p);
        m_cover->raise();
        m_cover->show();
    } else {
        m_cover->hide();
    }
}

void EditorController::ReformatEditor() {
    pumpEvents(Qt::WaitCursor);
    {
        BusyCursor busy;
        EditorPanel *e = m_parts.editor;
        coverEditor(true);
        e->SavedSelStart = e->textCursor().selectionStart();
        e->SelectionTracking = false;
        e->applyFontToAll(m_dialogFont, m_dialogColor);
        e->setCaret(e->SavedSelStart);
        e->SelectionTracking = true;
        coverEditor(false);
    }
    pumpEvents(Qt::ArrowCursor);
}

void EditorController::applyEditorFont() {
    BusyCursor busy;
    EditorPanel *e = m_parts.editor;
    coverEditor(true);
    const int caret = e->textCursor().selectionStart();
    e->SelectionTracking = false;
    e->applyFontToAll(m_dialogFont, m_dialogColor);
    e->setCaret(caret);
    e->SelectionTracking = true;
    coverEditor(false);
}

void EditorController::setDialogFont(const QFont &font, const QColor &color) {
    m_dialogFont = font;
    m_dialogColor = color;
}

void EditorController::chooseEditorFont() {
    EditorPanel *e = m_parts.editor;
    // The dialog starts from the font the text has, not from what it last held.
    m_dialogFont = e->document()->defaultFont();
    m_dialogColor = e->palette().color(QPalette::Text);
    const std::optional<FontChoice> choice =
        m_parts.dialogs->chooseFont(m_parts.dialogParent(), {m_dialogFont, m_dialogColor});
    if (!choice)
        return;
    m_dialogFont = choice->font;
    m_dialogColor = choice->color;
    ReformatEditor();
}

void EditorController::chooseEditorBackground() {
    const std::optional<QColor> color = m_parts.dialogs->chooseColor(
        m_parts.dialogParent(), m_parts.editor->palette().color(QPalette::Base));
    if (color)
        m_parts.editor->setBackgroundColor(*color);
}

} // namespace zk
