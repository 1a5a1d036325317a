#pragma once

#include "journal/JournalWindow.h"
#include "journal/TrainingJournal.h"

#include <QObject>
#include <QPointer>

class QMenu;
class QStatusBar;

namespace zk {

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

    // Start has restarted the counting: a run begins with the settings it reads with.
    void runStarted();
    // The run ends (stop, end of text, shut-down) with the statistics' counts: its session
    // is stored and an open journal window shows it.
    void runEnded();
    // The counting restarts: a run whose pace (delay, row length, rows, pauses) changed ends
    // its session here and goes on in a new one, so each session has one pace. True when
    // it did, the counts so far being in the ended session.
    bool splitRunIfPaceChanged();
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
    void tellSessionLost();
    RunSettings currentSettings() const;
    int percent() const;

    WindowParts &m_parts;
    TrainingJournal m_journal;
    QPointer<JournalWindow> m_window;
    QPointer<QStatusBar> m_statusBar; // made when there is something to say
};

} // namespace zk
