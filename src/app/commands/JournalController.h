#pragma once

#include "journal/JournalWindow.h"
#include "journal/TrainingJournal.h"

#include <QObject>
#include <QPointer>

class QMenu;

namespace zk {

class ReadingController;
struct RunEnd;
struct WindowParts;

// The training journal as the window uses it: it records each run of reading, keeps the
// books' places, opens "Дневник тренировок" and fills "Недавние книги". A journal that
// cannot be opened only says so in its window; reading goes on.
class JournalController final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(JournalController)
public:
    explicit JournalController(WindowParts &parts);
    ~JournalController() override;

    TrainingJournal &journal() { return m_journal; }
    SessionRecorder &recorder() { return m_journal.recorder(); }

    // Follows the reading side's run signals.
    void follow(const ReadingController *reading);
    // Start has restarted the counting: a run begins with the settings it reads with.
    void runStarted();
    // The run ends (stop, end of text, shut-down) with the statistics' counts: its session
    // is stored and an open journal window shows it.
    void runEnded(const RunEnd &end);
    // The id of the session the last run was stored as; 0 when it was not.
    qint64 lastSession() const { return m_lastSession; }
    const std::optional<Session> &lastRun() const { return m_journal.lastRun(); }
    // The text in the editor now comes from this file, or from no file at all.
    std::optional<BookRecord> bookLoaded(const QString &path);
    void textReplaced();
    // At exit: where the current book was left.
    void rememberPosition();

    // "Дневник тренировок…": non-modal, one window, brought forward when open.
    void showJournal();
    JournalWindow *journalWindow() const { return m_window; }
    // "Таблица Шульте…": modal, reading suspended meanwhile; the journal window shows the result.
    void showExercise();
    // The recent books, each with how much of it was read.
    void fillRecentBooks(QMenu *menu);

signals:
    void bookChosen(const BookRecord &book);

private:
    SpeedUnit speedUnit() const;
    // Stores the run's session with these counts; the line is where reading goes on.
    void recordRun(int words, int signs, int line);
    // The counting restarts: a run whose pace (delay, row length, rows, pauses) changed ends
    // its session here and goes on in a new one, so each session has one pace.
    void countsRestarting(int words, int signs);
    RunSettings currentSettings() const;
    int percent() const;

    WindowParts &m_parts;
    TrainingJournal m_journal;
    QPointer<JournalWindow> m_window;
    qint64 m_lastSession = 0;
};

} // namespace zk
