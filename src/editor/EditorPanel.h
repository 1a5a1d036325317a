#pragma once

#include "editor/text/LineModel.h"

#include <QTextEdit>

namespace zk {

// The editor RichEdit1 and its lines. While hidden its lines are those of a
// 30000-pixel-wide layout in the editor font, kept as a line model.
class EditorPanel final : public QTextEdit {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(EditorPanel)
public:
    static constexpr int HiddenWidth = 30000;

    explicit EditorPanel(QWidget *parent);

    // The text with "\n" between paragraphs, characters kept as they are.
    QString text() const;
    void setText(const QString &text);
    bool isBlank() const;

    // Lines of the editor's current layout.
    int lineCount() const;
    QString line(int index) const;
    int lineOfPosition(int pos) const;

    const LineModel &hiddenLines() const;

    // One font for the whole text, given through the document.
    void applyFontToAll(const QFont &font, const QColor &color);
    void setBackgroundColor(const QColor &color);

    // Sets the caret without it counting as the user's move; tracking is on afterwards.
    void setCaretUntracked(int pos);
    void setCaret(int pos);
    int caret() const;

    bool SelectionTracking = true;
    int SavedSelStart = 0;
    bool CaretMoved = false;

private:
    void updateBreaker();
    mutable LineModel m_hidden;
    mutable bool m_hiddenDirty = true;
};

} // namespace zk
