#include "app/commands/ReadingController.h"

#include "app/MainWindow.h"
#include "app/commands/DocumentController.h"
#include "app/commands/EditorController.h"
#include "app/commands/ViewController.h"
#include "app/commands/WindowParts.h"
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
#include <QKeyEvent>
#include <QTimer>

namespace zk {

ReadingController::ReadingController(WindowParts &parts)
    : m_parts(parts), m_engine(*this), m_stats(*parts.clock), m_settle(new QTimer(this)) {
    m_settle->setSingleShot(true);
    m_settle->setInterval(200);
    connect(m_settle, &QTimer::timeout, this, [this] {
        if (QGuiApplication::applicationState() != Qt::ApplicationActive)
            applicationDeactivated();
    });
    connect(qApp, &QGuiApplication::applicationStateChanged, this,
            [this](Qt::ApplicationState state) {
                if (state == Qt::ApplicationActive) {
                    m_settle->stop();
                    if (m_deactivated)
                        applicationActivated();
                } else {
                    // Switching between our own windows passes through "inactive".
                    m_settle->start();
                }
            });
}

bool ReadingController::isReading() const {
    return !m_parts.strip->BtStop->isHidden();
}

void ReadingController::suspend() {
    m_parts.timers.t1->stop();
    m_parts.timers.T2->stop();
    emit runSuspended();
    showContext();
}

void ReadingController::resumeIfReading(bool restartCount) {
    if (!isReading())
        return;
    emit runResumed();
    hideContext();
    m_parts.timers.t1->start();
    m_parts.timers.T2->start();
    if (restartCount)
        ActBeginToCount();
}

void ReadingController::applicationDeactivated() {
    m_deactivated = true;
    if (m_parts.actions.MnReactOnFocus->isChecked())
        suspend();
}

void ReadingController::applicationActivated() {
    m_deactivated = false;
    if (m_parts.actions.MnReactOnFocus->isChecked() && !QApplication::activeModalWidget())
        resumeIfReading(true);
}

void ReadingController::start() {
    EditorPanel *editor = m_parts.editor;
    if (editor->isBlank())
        m_parts.documents->loadFromFile();
    if (editor->isBlank())
        return;
    m_stats.setReadingClockOn();
    if (editor->isVisible())
        m_parts.editing->hideEditor();
    m_engine.prepareStart();
    // A part-read line left in the buffer belongs to this run.
    m_runFirstLine =
        std::max(0, state().CurrentLine - (state().ReadBuffer.trimmed().isEmpty() ? 0 : 1));
    m_runJumped = false;
    editor->SelectionTracking = false;
    m_runStartMs = m_parts.clock->nowMs();
    m_parts.timers.t1->setInterval(tickInterval());
    m_parts.timers.t1->start();
    m_parts.timers.T2->start();
    m_parts.strip->BtStop->show();
    m_parts.strip->BtStart->hide();
    hideContext();
    m_stats.startReading();
    ActBeginToCount();
    emit runStarted();
    if (m_parts.mainShown())
        m_parts.strip->BtStop->setFocus();
}

void ReadingController::stop() {
    stopWith(RunEnd::Reason::Stop);
}

RunEnd ReadingController::runEnd(RunEnd::Reason reason) {
    RunEnd end;
    end.reason = reason;
    end.firstLine = m_runFirstLine;
    end.line = state().CurrentLine;
    // The end of the text puts the position back to the top.
    end.endLine = end.line > m_runFirstLine ? end.line : m_parts.editor->lineCount();
    end.words = state().WordCount;
    end.signs = state().SignCount;
    end.jumped = m_runJumped;
    return end;
}

void ReadingController::interrupt() {
    stopWith(RunEnd::Reason::Interrupted);
    clearAllRows();
}

void ReadingController::endRunAtShutDown() {
    if (isReading())
        emit runEnded(runEnd(RunEnd::Reason::ShutDown));
}

void ReadingController::stopWith(RunEnd::Reason reason) {
    if (!isReading())
        return;
    m_parts.timers.t1->stop();
    m_parts.timers.T2->stop();
    m_parts.strip->BtStart->show();
    m_parts.strip->BtStop->hide();
    m_stats.stopReading();
    emit runEnded(runEnd(reason));
    showContext();
    if (m_parts.mainShown())
        m_parts.strip->BtStart->setFocus();
}

void ReadingController::stopAndClear() {
    stop();
    clearAllRows();
}

void ReadingController::startOrStopByKey() {
    // The shown editor keeps its spaces.
    if (m_parts.editor->isVisible())
        return;
    if (!m_parts.strip->BtStart->isHidden())
        m_parts.actions.ActBtStartFull->trigger();
    else if (isReading())
        m_parts.actions.ActBtStopFull->trigger();
}

void ReadingController::toggleReading() {
    if (isReading())
        stop();
    else
        start();
}

void ReadingController::clearAllRows() {
    m_parts.panel->clearRows();
    if (m_parts.fullScreen)
        m_parts.fullScreen->panel()->clearRows();
}

int ReadingController::tickInterval() const {
    const int delay = m_parts.strip->UpDown2->value();
    if (!m_parts.actions.MnRampUp->isChecked())
        return delay;
    return DelaySteps::rampInterval(delay, m_parts.clock->nowMs() - m_runStartMs);
}

void ReadingController::tick() {
    if (m_parts.actions.MnRampUp->isChecked()) {
        const int interval = tickInterval();
        if (m_parts.timers.t1->interval() != interval)
            m_parts.timers.t1->setInterval(interval);
    }
    DisplayPanel *target = m_parts.mainShown()         ? m_parts.panel
                           : m_parts.fullScreenShown() ? m_parts.fullScreen->panel()
                                                       : nullptr;
    QStringList pieces;
    switch (m_engine.Tick(target != nullptr, pieces)) {
    case ReadingEngine::TickOutcome::Finished:
        stopWith(RunEnd::Reason::EndOfText);
        clearAllRows();
        showProgress(0);
        break;
    case ReadingEngine::TickOutcome::Paused:
        break;
    case ReadingEngine::TickOutcome::Built:
        m_parts.readSincePlaced = m_parts.readSincePlaced || !pieces.isEmpty();
        emit piecesShown(int(pieces.size()));
        for (const QString &piece : pieces) {
            if (!piece.isEmpty())
                m_lastPieceWords = int(piece.count(QLatin1Char(' '))) + 1;
        }
        for (int i = 0; i < pieces.size() && i < DisplayPanel::PieceRows; ++i)
            target->row(i)->setText(pieces.at(i));
        break;
    }
}

std::array<QAction *, 4> ReadingController::pauseModes() const {
    const Actions &a = m_parts.actions;
    return {a.MnWithoutPause, a.MnShortPause, a.MnLongPause, a.MnSmartPause};
}

void ReadingController::choosePauseMode(QAction *chosen) {
    for (QAction *mode : pauseModes())
        mode->setChecked(mode == chosen);
    ActBeginToCount();
}

void ReadingController::layoutMainRows() {
    m_parts.panel->layoutRows(state().LineCount, RowGeometry::MainOffset);
}

void ReadingController::layoutFullScreenRows() {
    if (m_parts.fullScreen)
        m_parts.fullScreen->panel()->layoutRows(state().LineCount, 0);
}

// --- The position ----------------------------------------------------------

void ReadingController::showProgress(int percent) {
    m_parts.strip->UpDown1->setValue(percent);
}

void ReadingController::onProgressChanged() {
    if (m_parts.editor->isBlank() && m_parts.strip->UpDown1->value() != 0)
        showProgress(0);
}

void ReadingController::jumpToProgress() {
    suspend();
    const int lines = m_parts.editor->lineCount();
    placeAt(static_cast<int>(static_cast<qint64>(lines) * m_parts.strip->UpDown1->value() / 100));
    resumeIfReading(false);
}

void ReadingController::placeAt(int line) {
    m_runJumped = m_runJumped || isReading();
    m_lastPieceWords = 0;
    state().CurrentLine = line;
    state().ReadBuffer.clear();
    m_parts.readSincePlaced = false;
    if (!isReading())
        m_parts.editing->ActLocateSelStart();
}

namespace {

struct StepCommand {
    QAction *Actions::*key;
    QAction *Actions::*item;
    Qt::Key arrow;
    ReadingStep step;
};

const StepCommand StepCommands[] = {
    {&Actions::ActSentenceBack, &Actions::PumSentenceBack, Qt::Key_Left, ReadingStep::SentenceBack},
    {&Actions::ActSentenceForward, &Actions::PumSentenceForward, Qt::Key_Right,
     ReadingStep::SentenceForward},
    {&Actions::ActParagraphBack, &Actions::PumParagraphBack, Qt::Key_Up,
     ReadingStep::ParagraphBack},
    {&Actions::ActParagraphForward, &Actions::PumParagraphForward, Qt::Key_Down,
     ReadingStep::ParagraphForward},
};

bool isStepKey(const QKeyEvent *key) {
    if (key->modifiers() != Qt::ControlModifier)
        return false;
    for (const StepCommand &c : StepCommands) {
        if (key->key() == c.arrow)
            return true;
    }
    return false;
}

} // namespace

void ReadingController::connectSteps() {
    for (const StepCommand &c : StepCommands) {
        QAction *key = m_parts.actions.*c.key;
        key->setShortcut(QKeySequence(Qt::CTRL | c.arrow));
        m_parts.window->addAction(key);
        const ReadingStep step = c.step;
        for (QAction *action : {key, m_parts.actions.*c.item})
            connect(action, &QAction::triggered, this, [this, step] { this->step(step); });
    }
    m_parts.editor->installEventFilter(this);

    const Actions &a = m_parts.actions;
    connect(a.MnLongWords, &QAction::triggered, this, &ReadingController::ActBeginToCount);
    connect(a.MnRampUp, &QAction::triggered, this,
            [this] { m_parts.timers.t1->setInterval(tickInterval()); });
    connect(a.MnContextOnStop, &QAction::triggered, this, &ReadingController::showContext);
    connect(a.MnFocusLetter, &QAction::triggered, m_parts.view, &ViewController::applyFocusLetter);
    connect(a.MnFocusColor, &QAction::triggered, m_parts.view, &ViewController::chooseFocusColor);
}

QList<QAction *> ReadingController::stepKeys() const {
    QList<QAction *> keys;
    for (const StepCommand &c : StepCommands)
        keys.append(m_parts.actions.*c.key);
    return keys;
}

bool ReadingController::eventFilter(QObject *watched, QEvent *event) {
    // The shown editor moves its caret with these keys, as any editor does.
    if (watched == m_parts.editor && event->type() == QEvent::ShortcutOverride &&
        isStepKey(static_cast<QKeyEvent *>(event))) {
        event->accept();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

void ReadingController::step(ReadingStep step) {
    EditorPanel *editor = m_parts.editor;
    if (editor->isVisible() || editor->isBlank())
        return;
    suspend();
    const std::optional<LinePosition> to =
        ReadingSteps::target(*this, ReadingSteps::nextWord(*this, state()), step);
    if (!to) {
        // Past the last sentence: the end of the text.
        stop();
        clearAllRows();
        rewindToStart();
        return;
    }
    m_engine.placeAt(to->line, to->column);
    m_parts.readSincePlaced = false;
    m_lastPieceWords = 0;
    showProgress(Chunker::progressOf(to->line, lineCount()));
    if (!isReading()) {
        const int caret = editor->lineStart(to->line) + int(to->column);
        editor->setCaretUntracked(caret);
        editor->SavedSelStart = caret;
        ActBeginToCount();
    }
    showContext();
    resumeIfReading(true);
}

void ReadingController::showContext() {
    if (!m_parts.actions.MnContextOnStop->isChecked() || isReading() || m_parts.editor->isBlank()) {
        hideContext();
        return;
    }
    const ContextText c =
        ReadingSteps::context(*this, ReadingSteps::nextWord(*this, state()), m_lastPieceWords);
    const QColor mark = m_parts.view->focusColor();
    m_parts.panel->setContext(c.text, c.markStart, c.markEnd, mark);
    if (m_parts.fullScreen)
        m_parts.fullScreen->panel()->setContext(c.text, c.markStart, c.markEnd, mark);
}

void ReadingController::hideContext() {
    m_parts.panel->setContext(QString());
    if (m_parts.fullScreen)
        m_parts.fullScreen->panel()->setContext(QString());
}

void ReadingController::resetProgressToStart() {
    suspend();
    rewindToStart();
    resumeIfReading(false);
}

void ReadingController::rewindToStart() {
    m_runJumped = m_runJumped || isReading();
    state().ReadBuffer.clear();
    showProgress(0);
    state().CurrentLine = 0;
    m_parts.editor->setCaretUntracked(0);
    // Hiding the editor puts the caret back here.
    m_parts.editor->SavedSelStart = 0;
    m_parts.readSincePlaced = false;
}

// --- Spinners and rows -----------------------------------------------------

void ReadingController::onDelayChanged() {
    UpDownBox *box = m_parts.strip->UpDown2;
    const int v = box->value();
    box->setSingleStep(DelaySteps::stepFor(v));
    const int snapped = DelaySteps::snap(v);
    if (snapped != v) {
        box->setValue(snapped); // runs this handling again for the snapped value
        return;
    }
    m_parts.timers.t1->setInterval(tickInterval());
    ActBeginToCount();
}

void ReadingController::onRowLengthChanged() {
    ActBeginToCount();
}

void ReadingController::fitRowCount() {
    ReadingState &s = state();
    s.LineCount = m_parts.strip->UpDown4->value();
    const int fit = RowGeometry::fit(m_parts.panel->height() - RowGeometry::StripHeight,
                                     m_parts.panel->rowHeight(), s.LineCount);
    if (fit < s.LineCount)
        s.LineCount = fit;
    m_parts.panel->clearRows(s.LineCount);
    if (m_parts.fullScreen)
        m_parts.fullScreen->panel()->clearRows(s.LineCount);
    layoutMainRows();
    ActBeginToCount();
}

void ReadingController::measureRowCapacity() {
    // A request while the timer is armed shares the pending measurement.
    QTimer *t = m_parts.timers.TMaxLength;
    if (!t->isActive())
        t->start();
}

void ReadingController::measureFullScreenRowCapacity() {
    if (m_parts.fullScreen && !m_parts.fullScreen->measureTimer()->isActive())
        m_parts.fullScreen->measureTimer()->start();
}

int ReadingController::measureCapacity(int width) const {
    // Characters of the measuring text that fit on one line of a box as wide as
    // the display, less one.
    const QFontMetricsF metrics(m_parts.panel->displayFont());
    const QString text = m_parts.panel->templateRow()->text();
    const qreal available = width - 8;
    int fit = 0;
    for (int n = 1; n <= text.size(); ++n) {
        if (metrics.horizontalAdvance(text.left(n)) > available)
            break;
        fit = n;
    }
    return RowGeometry::capacityFromFit(std::max(fit, 1));
}

void ReadingController::measureMainCapacityNow() {
    m_parts.timers.TMaxLength->stop();
    if (m_parts.mainShown())
        state().RowCapacity = measureCapacity(m_parts.panel->width());
    ActBeginToCount();
}

void ReadingController::measureFullScreenCapacityNow() {
    if (!m_parts.fullScreen)
        return;
    m_parts.fullScreen->measureTimer()->stop();
    if (!m_parts.mainShown())
        state().RowCapacity = measureCapacity(m_parts.fullScreen->panel()->width());
    ActBeginToCount();
}

// --- Statistics ------------------------------------------------------------

void ReadingController::ActBeginToCount() {
    // The run's session keeps what the statistics show until now.
    emit countsRestarting(state().WordCount, state().SignCount);
    m_stats.BeginToCount();
    state().WordCount = 0;
    state().SignCount = 0;
    m_parts.bar->clearSpeeds();
}

void ReadingController::showReadingStatistics() {
    if (m_stats.readingClockOn())
        m_parts.bar->PnReading->setText(Statistics::timeText(m_stats.readingElapsedMs()));
    if (m_stats.advancePhase()) {
        const Statistics::Speeds s = m_stats.computeSpeeds(state().WordCount, state().SignCount);
        if (s.shown)
            m_parts.bar->showSpeeds(s.words, s.signs);
    }
}

void ReadingController::showWorkTime() {
    m_parts.bar->PnWork->setText(Statistics::timeText(m_stats.workElapsedMs()));
}

// --- ChunkerHost -----------------------------------------------------------

int ReadingController::lineCount() const {
    return m_parts.editor->lineCount();
}

QString ReadingController::line(int index) const {
    return m_parts.editor->line(index);
}

ReadingOptions ReadingController::options() const {
    const Actions &a = m_parts.actions;
    ReadingOptions o;
    o.ReactOnSigns = a.MnReactOnSigns->isChecked();
    o.WithoutPause = a.MnWithoutPause->isChecked();
    o.ShortPause = a.MnShortPause->isChecked();
    o.LongPause = a.MnLongPause->isChecked();
    o.SmartPause = a.MnSmartPause->isChecked();
    o.DelMin = a.MnDelMin->isChecked();
    o.ReadNonStop = a.MnReadNonStop->isChecked();
    o.LongWords = a.MnLongWords->isChecked();
    return o;
}

int ReadingController::rowLength() const {
    return m_parts.strip->UpDown3->value();
}

void ReadingController::setProgress(int percent) {
    showProgress(percent);
}

} // namespace zk
