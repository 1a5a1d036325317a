#include "app/commands/ProgressWindow.h"

#include <QApplication>
#include <QFileInfo>

namespace zk {

ProgressWindow::ProgressWindow(QWidget *parent, const QString &path, const Clock &clock,
                               std::function<bool()> goOn)
    : m_parent(parent), m_name(QFileInfo(path).fileName()), m_clock(clock),
      m_started(clock.nowMs()), m_goOn(std::move(goOn)) {}

ProgressWindow::~ProgressWindow() {
    if (m_dialog)
        QApplication::restoreOverrideCursor();
    delete m_dialog;
}

ConversionProgress ProgressWindow::progress(ConversionProgress::Chooser choose) {
    ConversionProgress::Chooser timed;
    if (choose) {
        // A window coming up the moment the choice is made would only flash.
        timed = [this, choose = std::move(choose)](const QStringList &books) {
            const std::optional<qsizetype> chosen = choose(books);
            m_started = m_clock.nowMs();
            return chosen;
        };
    }
    return ConversionProgress([this](int percent) { return proceed(percent); }, std::move(timed));
}

bool ProgressWindow::proceed(int percent) {
    if (!m_dialog && m_clock.nowMs() - m_started >= ShowAfterMs) {
        m_dialog = new QProgressDialog(QStringLiteral("Открывается «%1»").arg(m_name),
                                       QStringLiteral("Отмена"), 0, 100, m_parent);
        m_dialog->setObjectName(QStringLiteral("ProgressWindow"));
        m_dialog->setWindowTitle(QStringLiteral("Зоркан"));
        m_dialog->setWindowModality(Qt::ApplicationModal);
        m_dialog->setMinimumDuration(0);
        m_dialog->setAutoReset(false);
        m_dialog->setAutoClose(false);
        m_dialog->setMinimumWidth(420);
        m_dialog->show();
        // The load's hourglass would cover "Отмена" too.
        QApplication::setOverrideCursor(Qt::ArrowCursor);
    }
    if (m_dialog) {
        // Unknown progress: a moving bar rather than a false figure.
        if (percent < 0) {
            m_dialog->setRange(0, 0);
        } else {
            m_dialog->setRange(0, 100);
            m_dialog->setValue(percent);
        }
        // Input is taken only once the modal window is up: before, a click would reach the
        // main window in the middle of a load.
        QApplication::processEvents();
    }
    return !(m_dialog && m_dialog->wasCanceled()) && (!m_goOn || m_goOn());
}

} // namespace zk
