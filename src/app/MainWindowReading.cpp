// Reading control, the control strip, the display rows and the statistics.
#include "app/MainWindow.h"

#include "app/Dialogs.h"
#include "display/ControlStrip.h"
#include "display/DisplayPanel.h"
#include "display/FullScreenWindow.h"
#include "display/RowGeometry.h"
#include "display/StatisticsBar.h"
#include "editor/EditorPanel.h"
#include "reading/DelaySteps.h"

#include <QAction>
#include <QApplication>
#include <QFontMetricsF>
#include <QScreen>

namespace zk {

bool MainWindow::isReading() const {
    return !m_strip->BtStop->isHidden();
}

void MainWindow::suspend() {
    m_timers.t1->stop();
    m_timers.T2->stop();
}

void MainWindow::resumeIfReading(bool restartCount) {
    if (!isReading())
        return;
    m_timers.t1->start();
    m_timers.T2->start();
    if (restartCount)
        ActBeginToCount();
}

void MainWindow::BtStartClick() {
    if (m_editor->isBlank())
        ActLoadFromFile();
    if (m_editor->isBlank())
        return;
    m_stats.setReadingClockOn();
    if (m_editor->isVisible())
        ActHideEdit();
    m_engine.prepareStart();
    m_editor->SelectionTracking = false;
    m_timers.t1->start();
    m_timers.T2->start();
    m_strip->BtStop->show();
    m_strip->BtStart->hide();
    m_stats.startReading();
    ActBeginToCount();
    if (mainShown())
        m_strip->BtStop->setFocus();
}

void MainWindow::ActBtStopExecute() {
    if (!isReading())
        return;
    m_timers.t1->stop();
    m_timers.T2->stop();
    m_strip->BtStart->show();
    m_strip->BtStop->hide();
    m_stats.stopReading();
    if (mainShown())
        m_strip->BtStart->setFocus();
}

void MainWindow::clearAllRows() {
    m_panel->clearRows();
    if (m_fullScreen)
        m_fullScreen->panel()->clearRows();
}

void MainWindow::BtStopClick() {
    ActBtStopExecute();
    clearAllRows();
}

void MainWindow::T1Timer() {
    DisplayPanel *target = mainShown()         ? m_panel
                           : fullScreenShown() ? m_fullScreen->panel()
                                               : nullptr;
    QStringList pieces;
    switch (m_engine.Tick(target != nullptr, pieces)) {
    case ReadingEngine::TickOutcome::Finished:
        ActBtStopExecute();
        clearAllRows();
        setProgressValue(0);
        break;
    case ReadingEngine::TickOutcome::Paused:
        break;
    case ReadingEngine::TickOutcome::Built:
        m_readSincePlaced = m_readSincePlaced || !pieces.isEmpty();
        for (int i = 0; i < pieces.size() && i < DisplayPanel::PieceRows; ++i)
            target->row(i)->setText(pieces.at(i));
        break;
    }
}

void MainWindow::MainPanelDblClick() {
    if (isReading())
        ActBtStopExecute();
    else
        BtStartClick();
}

void MainWindow::LayoutMainRows() {
    m_panel->layoutRows(m_engine.state().LineCount, RowGeometry::MainOffset);
}

void MainWindow::LayoutFullScreenRows() {
    if (m_fullScreen)
        m_fullScreen->panel()->layoutRows(m_engine.state().LineCount, 0);
}

void MainWindow::N13Click() {
    suspend();
    const std::optional<FontChoice> choice =
        m_dialogs->chooseFont(dialogParent(), {m_panel->displayFont(), m_panel->displayColor()});
    if (choice) {
        applyDisplayFont(choice->font, choice->color);
        LayoutMainRows();
        LayoutFullScreenRows();
        if (mainShown())
            actmaxlength1();
        if (fullScreenShown())
            ActMaxLength2();
        if (mainShown())
            ActCheckLines();
    }
    // The shared font dialog now holds the display font, chosen or not.
    m_fontdialog1 = m_panel->displayFont();
    m_editorTextColor = m_panel->displayColor();
    resumeIfReading(true);
}

void MainWindow::N14Click() {
    suspend();
    const std::optional<QColor> color =
        m_dialogs->chooseColor(dialogParent(), m_panel->background());
    if (color) {
        m_panel->setBackground(*color);
        if (m_fullScreen)
            m_fullScreen->panel()->setBackground(*color);
    }
    resumeIfReading(true);
}

// --- Spinners --------------------------------------------------------------

void MainWindow::Edit1Change() {
    if (m_editor->isBlank() && m_strip->UpDown1->value() != 0)
        setProgressValue(0);
}

void MainWindow::UpDown1Click() {
    suspend();
    const int lines = m_editor->lineCount();
    m_engine.state().CurrentLine =
        static_cast<int>(static_cast<qint64>(lines) * m_strip->UpDown1->value() / 100);
    m_engine.state().ReadBuffer.clear();
    m_readSincePlaced = false;
    if (!isReading())
        ActLocateSelStart();
    resumeIfReading(false);
}

void MainWindow::Panel7DblClick() {
    suspend();
    ActGoToStart();
    resumeIfReading(false);
}

void MainWindow::ActGoToStart() {
    m_engine.state().ReadBuffer.clear();
    setProgressValue(0);
    m_engine.state().CurrentLine = 0;
    m_editor->setCaretUntracked(0);
    // Hiding the editor puts the caret back here.
    m_editor->SavedSelStart = 0;
    m_readSincePlaced = false;
}

void MainWindow::Edit2Change() {
    UpDownBox *box = m_strip->UpDown2;
    const int v = box->value();
    box->setSingleStep(DelaySteps::stepFor(v));
    const int snapped = DelaySteps::snap(v);
    if (snapped != v) {
        box->setValue(snapped); // runs this handling again for the snapped value
        return;
    }
    m_timers.t1->setInterval(v);
    ActBeginToCount();
}

void MainWindow::Edit3Change() {
    ActBeginToCount();
}

void MainWindow::ActCheckLines() {
    ReadingState &s = m_engine.state();
    s.LineCount = m_strip->UpDown4->value();
    const int fit = RowGeometry::fit(m_panel->height() - RowGeometry::StripHeight,
                                     m_panel->rowHeight(), s.LineCount);
    if (fit < s.LineCount)
        s.LineCount = fit;
    m_panel->clearRows(s.LineCount);
    if (m_fullScreen)
        m_fullScreen->panel()->clearRows(s.LineCount);
    LayoutMainRows();
    ActBeginToCount();
}

void MainWindow::actmaxlength1() {
    // A request while the timer is armed shares the pending measurement.
    QTimer *t = m_timers.TMaxLength;
    if (!t->isActive())
        t->start();
}

void MainWindow::ActMaxLength2() {
    if (m_fullScreen && !m_fullScreen->measureTimer()->isActive())
        m_fullScreen->measureTimer()->start();
}

int MainWindow::measureCapacity(int width) const {
    // Characters of the measuring text that fit on one line of a box as wide as
    // the display, less one.
    const QFontMetricsF metrics(m_panel->displayFont());
    const QString text = m_panel->templateRow()->text();
    const qreal available = width - 8;
    int fit = 0;
    for (int n = 1; n <= text.size(); ++n) {
        if (metrics.horizontalAdvance(text.left(n)) > available)
            break;
        fit = n;
    }
    return RowGeometry::capacityFromFit(std::max(fit, 1));
}

void MainWindow::TMaxLengthTimer() {
    m_timers.TMaxLength->stop();
    if (mainShown())
        m_engine.state().RowCapacity = measureCapacity(m_panel->width());
    ActBeginToCount();
}

void MainWindow::FullScreenTimer1Timer() {
    if (!m_fullScreen)
        return;
    m_fullScreen->measureTimer()->stop();
    if (!mainShown())
        m_engine.state().RowCapacity = measureCapacity(m_fullScreen->panel()->width());
    ActBeginToCount();
}

// --- Statistics ------------------------------------------------------------

void MainWindow::ActBeginToCount() {
    m_stats.BeginToCount();
    m_engine.state().WordCount = 0;
    m_engine.state().SignCount = 0;
    m_bar->clearSpeeds();
}

void MainWindow::T2Timer() {
    if (m_stats.readingClockOn())
        m_bar->PnReading->setText(Statistics::timeText(m_stats.readingElapsedMs()));
    if (m_stats.advancePhase()) {
        const Statistics::Speeds s =
            m_stats.computeSpeeds(m_engine.state().WordCount, m_engine.state().SignCount);
        if (s.shown)
            m_bar->showSpeeds(s.words, s.signs);
    }
}

void MainWindow::Timer1Timer() {
    m_bar->PnWork->setText(Statistics::timeText(m_stats.workElapsedMs()));
}

} // namespace zk
