#pragma once

#include <QDialog>

#include <memory>

class QAction;
class QMenu;
class QMenuBar;
class QTextEdit;
class QTimer;

namespace zk {

class RtfReader;

// The help window TForm4: the rich text of the help file with a menu bar that closes it.
class HelpWindow final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(HelpWindow)
public:
    explicit HelpWindow(QWidget *parent = nullptr);
    ~HelpWindow() override;

    // Shows the RTF file at path; false, leaving the text as it was, when it is missing,
    // unreadable or not RTF. A long file shows its beginning at once and is read on while the
    // window is open.
    bool loadRtf(const QString &path);
    bool isReading() const { return m_reader != nullptr; }

    // Sets the pop-up menu's items for the current selection, as opening it does.
    void prepareContextMenu();

    QTextEdit *richEdit() const { return m_richEdit; }
    QMenu *popupMenu() const { return m_popup; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    void showContextMenu(const QPoint &viewportPos);
    void readMoreHelp();

    QMenuBar *m_menuBar = nullptr;
    QTextEdit *m_richEdit = nullptr;
    QMenu *m_popup = nullptr;
    QAction *m_selectAll = nullptr;
    QAction *m_copy = nullptr;
    bool m_centred = false;
    std::unique_ptr<RtfReader> m_reader;
    QTimer *m_readTimer = nullptr;
};

} // namespace zk
