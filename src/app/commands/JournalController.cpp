#include "app/commands/JournalController.h"

#include "app/Accessibility.h"
#include "app/DataFolder.h"
#include "app/MainWindow.h"
#include "app/commands/ReadingController.h"
#include "app/commands/WindowParts.h"
#include "display/ControlStrip.h"
#include "display/DisplayPanel.h"
#include "display/StatisticsBar.h"
#include "exercises/SchulteWindow.h"

#include <QAction>
#include <QFontMetrics>
#include <QMenu>

namespace zk {

JournalController::JournalController(WindowParts &parts)
    : m_parts(parts), m_journal(parts.options.dataFolder, *parts.clock) {
    // The speeds follow the statistics bar: words or signs per minute.
    connect(parts.actions.MnShowSpeedInWords, &QAction::toggled, this, [this] {
        if (m_window)
            m_window->setSpeedUnit(speedUnit());
    });
}

JournalController::~JournalController() {
    // The window reads the store this object owns.
    delete m_window;
}

SpeedUnit JournalController::speedUnit() const {
    return m_parts.actions.MnShowSpeedInWords->isChecked() ? SpeedUnit::Words : SpeedUnit::Signs;
}

int JournalController::percent() const {
    return m_parts.strip->UpDown1->value();
}

RunSettings JournalController::currentSettings() const {
    ReadingController *reading = m_parts.reading;
    const ControlStrip *strip = m_parts.strip;
    RunSettings settings = RunSettings::from(reading->options(), strip->UpDown2->value(),
                                             strip->UpDown3->value(), reading->state().LineCount);
    const Actions &a = m_parts.actions;
    for (const auto &[action, flag] : {std::pair(a.MnLongWords, RunSettings::LongWords),
                                       std::pair(a.MnRampUp, RunSettings::RampUp),
                                       std::pair(a.MnFocusLetter, RunSettings::FocusLetter),
                                       std::pair(a.MnContextOnStop, RunSettings::ContextOnStop)}) {
        if (action->isChecked())
            settings.extras |= flag;
    }
    return settings;
}

void JournalController::runStarted() {
    m_journal.runStarted(currentSettings(), percent());
}

void JournalController::follow(const ReadingController *reading) {
    connect(reading, &ReadingController::runStarted, this, &JournalController::runStarted);
    connect(reading, &ReadingController::runEnded, this, &JournalController::runEnded);
    connect(reading, &ReadingController::runSuspended, this, [this] { recorder().suspend(); });
    connect(reading, &ReadingController::runResumed, this, [this] { recorder().resume(); });
    connect(reading, &ReadingController::countsRestarting, this,
            &JournalController::countsRestarting);
    connect(reading, &ReadingController::piecesShown, this,
            [this](int pieces) { recorder().piecesShown(pieces); });
}

void JournalController::countsRestarting(int words, int signs) {
    if (!recorder().running() || recorder().settings() == currentSettings()) {
        recorder().countsRestarting(words, signs);
        return;
    }
    recordRun(words, signs, m_parts.reading->state().CurrentLine);
    runStarted();
}

void JournalController::runEnded(const RunEnd &end) {
    recordRun(end.words, end.signs, end.line);
}

void JournalController::recordRun(int words, int signs, int line) {
    // The text ran out: the position has gone back to the start, the book was read through.
    const bool recorded =
        m_journal.runEnded(words, signs, line, percent(), m_parts.reading->state().EndReached);
    m_lastSession = m_journal.lastSession();
    if (recorded && m_window)
        m_window->refresh();
    // Outside the journal window too: reading goes on, but the user should know.
    if (m_journal.sessionLost())
        m_parts.bar->showNote(
            QStringLiteral("Сеанс не записан. %1").arg(m_journal.status().message));
}

std::optional<BookRecord> JournalController::bookLoaded(const QString &path) {
    return m_journal.bookLoaded(path, DataFolder::systemPath(path));
}

void JournalController::textReplaced() {
    m_journal.textReplaced();
}

void JournalController::rememberPosition() {
    m_journal.rememberPosition(m_parts.reading->state().CurrentLine, percent());
}

void JournalController::showJournal() {
    if (!m_window) {
        m_window = new JournalWindow(m_journal.store(), m_parts.window);
        m_window->setAttribute(Qt::WA_DeleteOnClose);
        accessibility::describeJournal(m_window);
        m_window->setSpeedUnit(speedUnit());
        // As from "Недавние книги": the book opens where it was left, in the shown window.
        connect(m_window, &JournalWindow::bookChosen, this, [this](qint64 bookId) {
            const std::optional<BookRecord> book = m_journal.store().book(bookId);
            if (!book || book->path.isEmpty())
                return;
            emit bookChosen(*book);
            QWidget *shown = m_parts.dialogParent();
            shown->raise();
            shown->activateWindow();
        });
    } else {
        m_window->refresh();
    }
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

void JournalController::showExercise() {
    if (!m_journal.store().available())
        m_journal.store().retry();
    SchulteWindow window(m_journal.store(), *m_parts.clock, m_parts.dialogParent());
    const DisplayPanel *panel = m_parts.panel;
    window.setLook({panel->displayFont().family(), panel->displayColor(), panel->background()});
    window.setPauseWhenInactive(m_parts.actions.MnReactOnFocus->isChecked());
    if (m_parts.fullScreenShown())
        window.setWindowState(Qt::WindowFullScreen);
    m_parts.reading->suspend();
    window.exec();
    m_parts.reading->resumeIfReading(true);
    if (m_window)
        m_window->refresh();
}

void JournalController::fillRecentBooks(QMenu *menu) {
    menu->clear();
    const QList<BookRecord> books = m_journal.recentBooks();
    const QFontMetrics metrics(menu->font());
    for (const BookRecord &book : books) {
        // Long titles lose their middle, so the menu keeps a sane width; an ampersand
        // would underline the letter after it.
        const QString title =
            metrics.elidedText(book.title, Qt::ElideMiddle, metrics.averageCharWidth() * 60);
        QString caption = QStringLiteral("%1 — %2 %").arg(title).arg(book.lastPercent);
        caption.replace(u'&', QStringLiteral("&&"));
        QAction *item = menu->addAction(caption);
        item->setEnabled(!book.path.isEmpty());
        connect(item, &QAction::triggered, this, [this, book] { emit bookChosen(book); });
    }
    if (books.isEmpty())
        menu->addAction(QStringLiteral("Книг пока нет"))->setEnabled(false);
}

} // namespace zk
