#pragma once

#include <QFrame>
#include <QPushButton>
#include <QSpinBox>

namespace zk {

// A read-only box with arrows: only the arrows, the arrow keys and the wheel change it, one step
// at a time.
class UpDownBox final : public QSpinBox {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(UpDownBox)
public:
    UpDownBox(const QString &boxName, const QString &upDownName, QWidget *parent);

signals:
    // The user pressed an arrow (mouse or key); a value set by the program does not emit.
    void userStepped();
    void doubleClicked();

protected:
    void stepBy(int steps) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
};

// A raised panel with a caption and one spinner.
class SpinnerPanel final : public QFrame {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SpinnerPanel)
public:
    SpinnerPanel(const QString &name, const QString &caption, const QString &hint, UpDownBox *box,
                 int boxWidth, QWidget *parent);
    UpDownBox *box() const { return m_box; }

signals:
    void doubleClicked();

protected:
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    UpDownBox *m_box;
};

// The strip along the top of the main display: Start/Stop and the four spinners.
class ControlStrip final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ControlStrip)
public:
    explicit ControlStrip(QWidget *panel);

    QPushButton *BtStart;
    QPushButton *BtStop;
    SpinnerPanel *Panel7;
    SpinnerPanel *Panel8;
    SpinnerPanel *Panel9;
    SpinnerPanel *Panel10;
    UpDownBox *UpDown1; // progress, 0..99, wraps
    UpDownBox *UpDown2; // delay, 50..9000
    UpDownBox *UpDown3; // row length, 1..50
    UpDownBox *UpDown4; // rows, 1..9

    static QPalette ownPalette();

    static constexpr int Height = 39;
    // The strip's right edge: the designed window must be at least this wide.
    static constexpr int Width = 575 + 144 + 7;
};

} // namespace zk
