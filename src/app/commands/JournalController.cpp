#include "app/commands/JournalController.h"

#include "app/MainWindow.h"
#include "app/commands/ReadingController.h"
#include "app/commands/WindowParts.h"
#include "display/ControlStrip.h"

#include <QAction>
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

void JournalController::runStarted() {
    ReadingController *reading = m_parts.reading;
    const ControlStrip *strip = m_parts.strip;
    recorder().start(RunSettings::from(reading->options(), strip->UpDown2->value(),
                                       strip->UpDown3->value(), reading->state().LineCount),
                     percent());
}

void JournalController::follow(const ReadingController *reading) {
    connect(reading, &ReadingController::runStarted, this, &JournalController::runStarted);
    connect(reading, &ReadingController::runEnded, this, &JournalController::runEnded);
    connect(reading, &ReadingController::runSuspended, this, [this] { recorder().suspend(); });
    connect(reading, &ReadingController::runResumed, this, [this] { recorder().resume(); });
    connect(reading, &ReadingController::countsRestarting, this,
            [this](int words, int signs) { recorder().countsRestarting(words, signs); });
    connect(reading, &ReadingController::piecesShown, this,
            [this](int pieces) { recorder().piecesShown(pieces); });
}

void JournalController::runEnded(const RunEnd &end) {
    m_lastSession = 0;
    if (!m_journal.runEnded(end.words, end.signs, end.line, percent()))
        return;
    m_lastSession = m_journal.lastSession();
    if (m_window)
        m_window->refresh();
}

std::optional<BookRecord> JournalController::bookLoaded(const QString &path) {
    return m_journal.bookLoaded(path);
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
        m_window->setSpeedUnit(speedUnit());
    } else {
        m_window->refresh();
    }
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

void JournalController::fillRecentBooks(QMenu *menu) {
    menu->clear();
    const QList<BookRecord> books = m_journal.recentBooks();
    for (const BookRecord &book : books) {
        // An ampersand in a title would underline the letter after it.
        QString caption = QStringLiteral("%1 — %2 %").arg(book.title).arg(book.lastPercent);
        caption.replace(u'&', QStringLiteral("&&"));
        QAction *item = menu->addAction(caption);
        item->setEnabled(!book.path.isEmpty());
        connect(item, &QAction::triggered, this, [this, book] { emit bookChosen(book); });
    }
    if (books.isEmpty())
        menu->addAction(QStringLiteral("Книг пока нет"))->setEnabled(false);
}

} // namespace zk
