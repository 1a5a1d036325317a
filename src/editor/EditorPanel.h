#pragma once

#include "editor/LineModel.h"
#include "editor/ShownRowIndex.h"

#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTimer>

#include <functional>
#include <future>
#include <memory>
#include <vector>

namespace zk {

// The editor RichEdit1 and its lines. While hidden its lines are those of a
// 30000-pixel-wide layout in the editor font, kept as a line model.
class EditorPanel final : public QPlainTextEdit {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(EditorPanel)
public:
    static constexpr int HiddenWidth = 30000;

    explicit EditorPanel(QWidget *parent);

    // The text with "\n" between paragraphs, characters kept as they are.
    QString text() const;
    // The text without a copy: paragraphs end in "\n" or U+2029, lines may in U+2028.
    const QString &heldText() const { return hiddenText(); }
    // `stop`, asked now and then while a large text goes in, gives it up and leaves the
    // editor empty: false then.
    bool setText(const QString &text, const std::function<bool()> &stop = {});
    bool isBlank() const;
    // Paragraphs added after the last one, as a book read in the background comes in: the
    // caret, the selection and the lines before stay where they are.
    void appendParagraphs(const QString &paragraphs);
    // The last paragraphs are in: what was kept spare for more goes back.
    void appendingEnded();

    // Lines of the editor's current layout: the wrapped rows while shown, the
    // hidden layout's lines otherwise.
    int lineCount() const;
    QString line(int index) const;
    int lineOfPosition(int pos) const;
    int lineStart(int index) const;

    // Lines as the shown editor lays them out at its width. A large text is counted
    // in the background; these wait for what is still missing.
    int shownLineCount() const;
    QString shownLine(int index) const;
    int shownLineOfPosition(int pos) const;
    int shownLineStart(int index) const;

    // Whether the shown lines are counted; a small rest is counted at once, a large
    // one goes on in the background and `shownLinesCounted` follows.
    bool shownLinesReady();
    // Texts up to this many characters still to count are counted at once.
    void setCountAtOnceLimit(qsizetype characters) { m_countAtOnce = characters; }
    // Width the editor takes when shown, so its lines are counted while it is hidden.
    void setShownWidth(int width);

    const LineModel &hiddenLines() const;

    // One font for the whole text, given through the document.
    void applyFontToAll(const QFont &font, const QColor &color);
    void setBackgroundColor(const QColor &color);

    // Sets the caret without it counting as the user's move; tracking is on afterwards.
    void setCaretUntracked(int pos);
    void setCaret(int pos);
    int caret() const;

signals:
    void shownLinesCounted();

public:
    // Paste and drops go through the program's paste command.
    std::function<void(const QString &)> pasteCommand;

    // Replaces tabs in the document itself; the caret is not moved for the user.
    bool replaceTabs();
    // Inserts plain text at the caret, replacing the selection.
    void insertPlain(const QString &text);

    bool SelectionTracking = true;
    int SavedSelStart = 0;
    bool CaretMoved = false;

protected:
    void resizeEvent(QResizeEvent *event) override;
    void insertFromMimeData(const QMimeData *source) override;
    bool canInsertFromMimeData(const QMimeData *source) const override;

private:
    void updateBreaker();
    void onContentsChanged(int position, int removed, int added);
    void updateShownLayout();
    void countShownLines() const;
    // Block number and line inside the block of shown line `index`.
    bool locateShown(int index, QTextBlock *block, int *lineInBlock) const;
    // Row starts of one block in the shown layout, the last block's kept.
    const std::vector<int> &shownRowStarts(const QTextBlock &block) const;
    RowBreaker &shownBreaker() const;
    // The text of the hidden lines, at hand while they are still being found.
    const QString &hiddenText() const;
    // Waits for the hidden lines being found aside.
    void settleHiddenLines() const;
    void buildHiddenLinesAside();
    static constexpr qsizetype BuildAsideFrom = 1 << 20;

    mutable ShownRowIndex m_shownRows;
    mutable std::unique_ptr<RowBreaker> m_shownBreaker;
    mutable QTimer m_countLater;
    int m_shownWidth = -1;
    qsizetype m_countAtOnce = 500'000;
    mutable int m_startsBlock = -1;
    mutable std::vector<int> m_starts;
    mutable LineModel m_hidden;
    mutable bool m_hiddenDirty = true;
    QString m_hiddenFont;
    // Last, so that it is waited for before the line model goes.
    mutable std::future<void> m_hiddenBuild;
};

} // namespace zk
