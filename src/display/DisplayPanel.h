#pragma once

#include <QFrame>
#include <QLabel>
#include <QList>

namespace zk {

// One single-line centred row; it draws transparently in the panel's font.
class DisplayRow final : public QLabel {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DisplayRow)
public:
    explicit DisplayRow(QWidget *parent);

signals:
    void clicked();
    void doubleClicked();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
};

// A display panel with its ten rows: rows 0..8 show pieces, row 9 is the
// never-shown template whose height every row takes.
class DisplayPanel final : public QFrame {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DisplayPanel)
public:
    static constexpr int RowCount = 10;
    static constexpr int PieceRows = 9;

    DisplayPanel(const QString &rowPrefix, const QString &templateText, QWidget *parent);

    DisplayRow *row(int i) const { return m_rows.at(i); }
    DisplayRow *templateRow() const { return m_rows.at(PieceRows); }
    int rowHeight() const;

    // Shows rows 0..n-1 centred in the panel, `offset` pixels lower.
    void layoutRows(int lineCount, int offset);
    void clearRows(int from = 0);
    void setBackground(const QColor &color);
    QColor background() const;
    // The display font lives on the rows, so the strip and the editor keep their own.
    void setDisplayFont(const QFont &font, const QColor &color);
    QFont displayFont() const { return m_font; }
    QColor displayColor() const { return m_color; }
    // A quiet line in the rows' colour across the middle of the panel; empty hides it.
    void setHint(const QString &text);
    QString hint() const;

signals:
    void doubleClicked();
    void rowClicked();
    void rowDoubleClicked();
    void resized();
    // A file from the file manager, dropped anywhere on the panel but the editor.
    void fileDropped(const QString &path);

protected:
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void fitRowWidths();
    void placeHint();
    static QString droppedFile(const QDropEvent *event);
    static bool acceptAsCopy(QDropEvent *event);
    QList<DisplayRow *> m_rows;
    QLabel *m_hint = nullptr;
    QFont m_font;
    QColor m_color;
};

} // namespace zk
