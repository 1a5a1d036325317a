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

    // A valid colour draws the piece with its focus letter at the middle, in that colour.
    void setFocusColor(const QColor &color);
    // Where the piece's left edge is drawn; the label's own place when centred.
    qreal textLeft() const;

signals:
    void clicked();
    void doubleClicked();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    QColor m_focus;
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
    // The focus letter on every row in this colour; an invalid colour centres rows again.
    void setFocusColor(const QColor &color);
    // A strip under the rows with the text around the stop, in the display font but smaller;
    // `marked` (a range of `text`) is drawn in the focus colour. Empty hides it.
    void setContext(const QString &text, qsizetype markStart = 0, qsizetype markEnd = 0,
                    const QColor &mark = QColor());
    QString context() const;
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
    void placeContext();
    static QString droppedFile(const QDropEvent *event);
    static bool acceptAsCopy(QDropEvent *event);
    QList<DisplayRow *> m_rows;
    QLabel *m_hint = nullptr;
    QLabel *m_context = nullptr;
    QFont m_contextFont;  // the strip's size before it is shrunk to fit
    QList<int> m_rowTops; // where layoutRows put the shown rows
    int m_rowsBottom = 0;
    QFont m_font;
    QColor m_color;
};

} // namespace zk
