#include "display/FullScreenWindow.h"

#include "display/ControlStrip.h"

#include <QCloseEvent>
#include <QLabel>
#include <QVBoxLayout>

namespace zk {

FullScreenWindow::FullScreenWindow(QWidget *mainWindow)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("TForm2"));
    setWindowTitle(mainWindow->windowTitle());
    setWindowIcon(mainWindow->windowIcon());
    resize(460, 275);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_panel = new DisplayPanel(QStringLiteral("FullScreenRow"), QStringLiteral("Hg"), this);
    m_panel->setFrameStyle(QFrame::NoFrame);
    layout->addWidget(m_panel);

    m_f3 = new QLabel(QStringLiteral("F3"), m_panel);
    m_f3->setObjectName(QStringLiteral("Panel1"));
    m_f3->setAlignment(Qt::AlignCenter);
    m_f3->setFrameStyle(QFrame::Panel | QFrame::Raised);
    m_f3->setAutoFillBackground(true);
    m_f3->setPalette(ControlStrip::ownPalette());
    QFont f = m_f3->font();
    f.setPointSize(7);
    m_f3->setFont(f);
    m_f3->resize(20, 17);
    m_f3->installEventFilter(this);

    m_timer = new QTimer(this);
    m_timer->setObjectName(QStringLiteral("Timer1"));
    m_timer->setSingleShot(true);
    m_timer->setInterval(110);
    m_timer->start();
}

void FullScreenWindow::showEvent(QShowEvent *event) {
    QWidget::showEvent(event);
    if (!event->spontaneous())
        emit shown();
}

void FullScreenWindow::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    m_f3->move(width() - 4 - m_f3->width(), 4);
    m_f3->raise();
    emit resized();
}

void FullScreenWindow::closeEvent(QCloseEvent *event) {
    emit closeRequested();
    event->accept();
}

bool FullScreenWindow::eventFilter(QObject *watched, QEvent *event) {
    if (watched == m_f3 && event->type() == QEvent::MouseButtonRelease) {
        emit switchRequested();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace zk
