#pragma once

#include "display/DisplayPanel.h"

#include <QTimer>
#include <QWidget>

class QLabel;

namespace zk {

// The borderless full-screen reading window: a display panel and its rows.
class FullScreenWindow final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FullScreenWindow)
public:
    explicit FullScreenWindow(QWidget *mainWindow);

    DisplayPanel *panel() const { return m_panel; }
    QTimer *measureTimer() const { return m_timer; }

signals:
    void shown();
    void resized();
    void closeRequested();
    void switchRequested();

protected:
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    DisplayPanel *m_panel;
    QLabel *m_f3;
    QTimer *m_timer;
};

} // namespace zk
