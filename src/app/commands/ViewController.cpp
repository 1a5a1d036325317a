#include "app/commands/ViewController.h"

#include "app/Accessibility.h"
#include "app/MainWindow.h"
#include "app/commands/BusyCursor.h"
#include "app/commands/EditorController.h"
#include "app/commands/ReadingController.h"
#include "app/commands/SessionController.h"
#include "app/commands/SettingsController.h"
#include "app/commands/WindowParts.h"
#include "display/ControlStrip.h"
#include "display/DisplayPanel.h"
#include "display/FullScreenWindow.h"
#include "display/RowGeometry.h"
#include "display/StatisticsBar.h"
#include "editor/EditorPanel.h"

#include <QAction>
#include <QLayout>
#include <QMenu>
#include <QScreen>
#include <QTimer>

namespace zk {

ViewController::ViewController(WindowParts &parts) : m_parts(parts) {
    // Checked once the change is complete, and not at every key typed in the shown editor.
    connect(parts.editor, &QPlainTextEdit::textChanged, this, [this] {
        if (!m_parts.editor->isVisible())
            updateHintLater();
    });
    parts.editor->installEventFilter(this);
}

void ViewController::updateHintLater() {
    if (m_hintPending)
        return;
    m_hintPending = true;
    QTimer::singleShot(0, this, &ViewController::updateHint);
}

const QString &ViewController::hintText() {
    static const QString text =
        QStringLiteral("Откройте книгу: Файл → Загрузить из файла, или перетащите файл сюда. "
                       "F2 — вставить свой текст.");
    return text;
}

void ViewController::updateHint() {
    m_hintPending = false;
    EditorPanel *editor = m_parts.editor;
    const QString hint = !editor->isVisible() && editor->isBlank() ? hintText() : QString();
    m_parts.panel->setHint(hint);
    if (m_parts.fullScreen)
        m_parts.fullScreen->panel()->setHint(hint);
}

bool ViewController::eventFilter(QObject *watched, QEvent *event) {
    // Shown, it covers the hint at once; hidden, its text is looked at once hiding is done.
    if (watched == m_parts.editor && event->type() == QEvent::Show)
        updateHint();
    else if (watched == m_parts.editor && event->type() == QEvent::Hide)
        updateHintLater();
    return QObject::eventFilter(watched, event);
}

void ViewController::applyDisplayFont(const QFont &font, const QColor &color) {
    m_parts.panel->setDisplayFont(font, color);
    if (m_parts.fullScreen)
        m_parts.fullScreen->panel()->setDisplayFont(font, color);
}

void ViewController::chooseDisplayFont() {
    ReadingController *reading = m_parts.reading;
    DisplayPanel *panel = m_parts.panel;
    reading->suspend();
    const std::optional<FontChoice> choice = m_parts.dialogs->chooseFont(
        m_parts.dialogParent(), {panel->displayFont(), panel->displayColor()});
    if (choice) {
        applyDisplayFont(choice->font, choice->color);
        reading->layoutMainRows();
        reading->layoutFullScreenRows();
        if (m_parts.mainShown())
            reading->measureRowCapacity();
        if (m_parts.fullScreenShown())
            reading->measureFullScreenRowCapacity();
        if (m_parts.mainShown())
            reading->fitRowCount();
    }
    // The shared font dialog now holds the display font, chosen or not.
    m_parts.editing->setDialogFont(panel->displayFont(), panel->displayColor());
    reading->resumeIfReading(true);
}

void ViewController::chooseBackground() {
    m_parts.reading->suspend();
    const std::optional<QColor> color =
        m_parts.dialogs->chooseColor(m_parts.dialogParent(), m_parts.panel->background());
    if (color) {
        m_parts.panel->setBackground(*color);
        if (m_parts.fullScreen)
            m_parts.fullScreen->panel()->setBackground(*color);
    }
    m_parts.reading->resumeIfReading(true);
}

void ViewController::chooseFocusColor() {
    m_parts.reading->suspend();
    if (const std::optional<QColor> color =
            m_parts.dialogs->chooseColor(m_parts.dialogParent(), m_focusColor))
        setFocusColor(*color);
    m_parts.reading->resumeIfReading(true);
}

void ViewController::setFocusColor(const QColor &color) {
    m_focusColor = color;
    applyFocusLetter();
}

void ViewController::applyFocusLetter() {
    const QColor color = m_parts.actions.MnFocusLetter->isChecked() ? m_focusColor : QColor();
    m_parts.panel->setFocusColor(color);
    if (m_parts.fullScreen)
        m_parts.fullScreen->panel()->setFocusColor(color);
}

void ViewController::restoreView() {
    pumpEvents(Qt::WaitCursor);
    m_parts.settings->applyViewSettings(m_parts.defaults);
    setFocusColor(DefaultFocusColor);
    m_parts.reading->layoutMainRows();
    m_parts.reading->layoutFullScreenRows();
    m_parts.reading->measureRowCapacity();
    m_parts.reading->ActBeginToCount();
    pumpEvents(Qt::ArrowCursor);
}

// --- The statistics bar --------------------------------------------------------

void ViewController::relayoutWindow() {
    if (QLayout *layout = m_parts.panel->parentWidget()->layout())
        layout->activate();
}

void ViewController::toggleStatisticsBar() {
    // The checkable item has already flipped itself when this runs.
    m_parts.bar->setVisible(m_parts.actions.MnShowTimeAndSpeed->isChecked());
    relayoutWindow();
    m_parts.reading->fitRowCount();
    m_parts.reading->layoutMainRows();
}

// The bar shows one of each pair of panels; the main-menu items say which.
void ViewController::chooseBarPanel(QAction *onItem, QAction *offItem, QWidget *show,
                                    QWidget *hide) {
    onItem->setChecked(true);
    offItem->setChecked(false);
    show->show();
    hide->hide();
    m_parts.bar->relayout();
}

void ViewController::showReadingTimePanel() {
    const Actions &a = m_parts.actions;
    chooseBarPanel(a.MnShowTimeOfReading, a.MnShowTimeOfWork, m_parts.bar->PnReading,
                   m_parts.bar->PnWork);
}

void ViewController::showWorkTimePanel() {
    const Actions &a = m_parts.actions;
    chooseBarPanel(a.MnShowTimeOfWork, a.MnShowTimeOfReading, m_parts.bar->PnWork,
                   m_parts.bar->PnReading);
}

void ViewController::showSignSpeedPanel() {
    const Actions &a = m_parts.actions;
    chooseBarPanel(a.MnShowSpeedInSigns, a.MnShowSpeedInWords, m_parts.bar->PnSigns,
                   m_parts.bar->PnWords);
}

void ViewController::showWordSpeedPanel() {
    const Actions &a = m_parts.actions;
    chooseBarPanel(a.MnShowSpeedInWords, a.MnShowSpeedInSigns, m_parts.bar->PnWords,
                   m_parts.bar->PnSigns);
}

void ViewController::resetReadingTime() {
    m_parts.bar->PnReading->setText(QStringLiteral("0:00:00"));
    m_parts.reading->statistics().resetReadingTime();
}

void ViewController::resetWorkTime() {
    m_parts.reading->statistics().resetWorkTime();
}

// --- Full screen ---------------------------------------------------------------

void ViewController::createFullScreenWindow() {
    MainWindow *window = m_parts.window;
    auto *fs = new FullScreenWindow(window);
    m_parts.fullScreen = fs;
    DisplayPanel *panel = fs->panel();
    panel->setBackground(m_parts.panel->background());
    panel->setDisplayFont(m_parts.panel->displayFont(), m_parts.panel->displayColor());
    applyFocusLetter();
    accessibility::describeFullScreen(fs, panel);
    ReadingController *reading = m_parts.reading;
    connect(panel, &DisplayPanel::doubleClicked, reading, &ReadingController::toggleReading);
    connect(panel, &DisplayPanel::rowClicked, reading, &ReadingController::toggleReading);
    panel->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(panel, &QWidget::customContextMenuRequested, this, [this, panel](const QPoint &pos) {
        m_parts.displayMenu->popup(panel->mapToGlobal(pos));
    });
    connect(fs->measureTimer(), &QTimer::timeout, reading,
            &ReadingController::measureFullScreenCapacityNow);
    connect(fs, &FullScreenWindow::shown, this, &ViewController::onFullScreenShown);
    connect(fs, &FullScreenWindow::resized, this, &ViewController::onFullScreenResized);
    const Actions &a = m_parts.actions;
    connect(fs, &FullScreenWindow::switchRequested, a.ActFulScreen, &QAction::trigger);
    fs->addAction(a.ActShowEdit);
    fs->addAction(a.ActHelp);
    connect(fs, &FullScreenWindow::closeRequested, m_parts.session, &SessionController::shutDown);
    fs->addAction(a.MnFulScreen);
    updateHint();
}

void ViewController::onFullScreenShown() {
    FullScreenWindow *fs = m_parts.fullScreen;
    DisplayPanel *panel = fs->panel();
    DisplayPanel *main = m_parts.panel;
    panel->setBackground(main->background());
    panel->setDisplayFont(main->displayFont(), main->displayColor());
    ReadingState &s = m_parts.reading->state();
    s.LineCount = m_parts.strip->UpDown4->value();
    const int screenHeight = fs->screen() ? fs->screen()->geometry().height() : fs->height();
    const int c = RowGeometry::fit(screenHeight, main->rowHeight(), s.LineCount);
    if (c < s.LineCount)
        s.LineCount = c;
    m_parts.reading->ActBeginToCount();
    m_parts.reading->measureFullScreenRowCapacity();
    m_parts.reading->layoutFullScreenRows();
    for (int i = 0; i < s.LineCount; ++i)
        panel->row(i)->setText(main->row(i)->text());
    fs->measureTimer()->start();
}

void ViewController::onFullScreenResized() {
    m_parts.fullScreen->panel()->setDisplayFont(m_parts.panel->displayFont(),
                                                m_parts.panel->displayColor());
    m_parts.reading->layoutFullScreenRows();
    m_parts.fullScreen->measureTimer()->start();
}

void ViewController::toggleFullScreen() {
    FullScreenWindow *fs = m_parts.fullScreen;
    MainWindow *window = m_parts.window;
    if (!fs)
        return;
    if (window->isVisible()) {
        if (QScreen *screen = window->screen())
            fs->setGeometry(screen->geometry());
        fs->showFullScreen();
        window->hide();
        m_parts.record.FullScreen.set(true);
    } else {
        window->show();
        window->raise();
        window->activateWindow();
        fs->hide();
        m_parts.record.FullScreen.set(false);
    }
}

void ViewController::onWindowResized() {
    relayoutWindow();
    m_parts.reading->layoutMainRows();
    m_parts.reading->measureRowCapacity();
    m_parts.reading->fitRowCount();
    m_parts.reading->measureRowCapacity();
}

void ViewController::onWindowShown() {
    if (FullScreenWindow *fs = m_parts.fullScreen) {
        for (int i = 0; i < DisplayPanel::PieceRows; ++i) {
            m_parts.panel->row(i)->setText(fs->panel()->row(i)->text());
            m_parts.panel->row(i)->setVisible(fs->panel()->row(i)->isVisible());
        }
    }
    relayoutWindow();
    m_parts.reading->measureRowCapacity();
    m_parts.reading->fitRowCount();
}

// --- Menu opening rules ----------------------------------------------------------

void ViewController::prepareViewMenu() {
    const bool shown = m_parts.editor->isVisible();
    const Actions &a = m_parts.actions;
    a.MnEditFont->setEnabled(shown);
    a.MnEditColor->setEnabled(shown);
    a.N13->setEnabled(!shown);
    a.N14->setEnabled(!shown);
}

void ViewController::prepareDisplayMenu() {
    const bool full = m_parts.fullScreenShown();
    const bool editorHidden = !m_parts.editor->isVisible();
    const Actions &a = m_parts.actions;
    a.PumStart->setVisible(!m_parts.strip->BtStart->isHidden());
    a.PumStop->setVisible(m_parts.reading->isReading());
    a.PumWindow->setVisible(full);
    a.PumFullScreen->setVisible(m_parts.mainShown());
    a.PumFullScreen->setEnabled(editorHidden);
    a.PumShowEdit->setVisible(editorHidden);
    a.PumShowEdit->setEnabled(!full);
    a.PumHideEdit->setVisible(a.MnHideEdit->isVisible());
    a.PumFont->setEnabled(editorHidden);
    a.PumBackGround->setEnabled(editorHidden);
}

void ViewController::syncStatisticsMenu() {
    const Actions &a = m_parts.actions;
    for (const auto &[popup, main] : {std::pair{a.PumShowTimeOfReading, a.MnShowTimeOfReading},
                                      {a.PumShowTimeOfWork, a.MnShowTimeOfWork},
                                      {a.PumShowTimeAndSpeed, a.MnShowTimeAndSpeed},
                                      {a.PumShowSpeedInSigns, a.MnShowSpeedInSigns},
                                      {a.PumShowSpeedInWords, a.MnShowSpeedInWords}})
        popup->setChecked(main->isChecked());
}

} // namespace zk
