#pragma once

#include <QFrame>
#include <QLabel>

class QTimer;

namespace zk {

// A caption panel of the statistics bar; a double click runs its command.
class StatPanel final : public QLabel {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(StatPanel)
public:
    StatPanel(const QString &name, const QString &caption, const QString &hint, int width,
              QWidget *parent);

signals:
    void doubleClicked();

protected:
    void mouseDoubleClickEvent(QMouseEvent *event) override;
};

// The bar along the bottom of the main window: speed and time.
class StatisticsBar final : public QFrame {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(StatisticsBar)
public:
    explicit StatisticsBar(QWidget *parent);

    StatPanel *PnSigns;
    StatPanel *PnSigns1;
    StatPanel *PnWords;
    StatPanel *PnWords1;
    StatPanel *PnReading;
    StatPanel *PnWork;
    // A passing message over the bar, such as what a comprehension check changed.
    QLabel *PnNote;

    static constexpr int Height = 21;

    void clearSpeeds();
    // Shows the speeds on both panels, whichever is on view.
    void showSpeeds(int words, int signs);
    // Lays the visible panels out: speed at the left, time at the right.
    void relayout();
    // Shown until hideNote or for NoteMs, whichever comes first.
    void showNote(const QString &text);
    void hideNote();
    static constexpr int NoteMs = 15000;

protected:
    void resizeEvent(QResizeEvent *event) override;
    bool event(QEvent *event) override;

private:
    QTimer *m_noteTimer;
};

} // namespace zk
