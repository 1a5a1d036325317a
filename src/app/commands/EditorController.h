#pragma once

#include <QColor>
#include <QFont>
#include <QObject>

class QKeyEvent;
class QMenu;
class QWidget;

namespace zk {

struct WindowParts;

// The editor: showing and hiding it, the caret as the reading position, the
// clipboard commands, and the font and colour its text is shown in.
class EditorController final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(EditorController)
public:
    EditorController(WindowParts &parts, QMenu *editorMenu);

    void toggleEditor();
    void hideEditor();
    void showEditorAtStart();
    void placeEditor();
    void ActLocateSelStart();
    void onCaretMoved();
    void onShownLinesCounted();

    void prepareEditorMenu();
    void selectAll();
    void copySelection();
    void cutSelection();
    void pasteClipboard();
    void pasteText(const QString &text);

    void ReformatEditor();
    void applyEditorFont();
    void chooseEditorFont();
    void chooseEditorBackground();
    // What the font dialog holds: the editor text takes it at the next reformatting.
    void setDialogFont(const QFont &font, const QColor &color);
    QFont dialogFont() const { return m_dialogFont; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool editorKey(QKeyEvent *event);
    static bool isEditorClipboardKey(QKeyCombination key);
    void showEditorWidget();
    void setEditorMenus(bool shown);
    void coverEditor(bool on);

    WindowParts &m_parts;
    QMenu *m_menu;
    QWidget *m_cover; // hides the editor while its text is reformatted
    QFont m_dialogFont;
    QColor m_dialogColor = Qt::black;
    int m_caretAwaitingLine = -1; // a caret whose shown line is still being counted
    int m_lineAwaited = 0;
};

} // namespace zk
