#pragma once

#include "journal/JournalStore.h"
#include "journal/SessionRecorder.h"

#include <utility>

namespace zk {

// What the main window talks to: the store, the recorder of the run in
// progress and the book the editor holds. Nothing here stops reading when the
// journal is unavailable; the calls then do nothing.
class TrainingJournal final {
public:
    static constexpr int RecentCount = 10;

    TrainingJournal(const QString &dataFolder, const Clock &clock,
                    WallClock wall = systemWallClock());
    Q_DISABLE_COPY_MOVE(TrainingJournal)

    JournalStore &store() { return m_store; }
    SessionRecorder &recorder() { return m_recorder; }
    const JournalStatus &status() const { return m_store.status(); }

    // A text was loaded from this file: it becomes the current book. Its stored
    // position, for the recent-books choice; nullopt when it is not known.
    // `systemPath` is the file's own name when `path` is a readable stand-in.
    std::optional<BookRecord> bookLoaded(const QString &path, const QByteArray &systemPath = {});
    // The editor holds a text that is not a book (clipboard, cleared, typed).
    void textReplaced();
    qint64 currentBook() const { return m_currentBook; }
    QList<BookRecord> recentBooks() { return m_store.recentBooks(RecentCount); }

    // A run begins: a journal that was unavailable is tried again.
    void runStarted(const RunSettings &settings, int percent);
    // The run ended: the session is stored (unless too short) and the current
    // book's position moves to `line`. True when a session was added; a run that
    // reached the end of the text ends at 100 %.
    bool runEnded(int words, int signs, int line, int percent, bool endReached = false);
    // The last run was worth a session that the journal could not take.
    bool sessionLost() const { return m_sessionLost; }
    // The id of the session the last runEnded added; 0 when none was.
    qint64 lastSession() const { return m_lastSession; }
    // The last run as a session, stored or not; nullopt when it was too short.
    const std::optional<Session> &lastRun() const { return m_lastRun; }
    // The reading position of the current book, at shut-down.
    void rememberPosition(int line, int percent);

private:
    // The book the editor held at the last exit, when the journal still knows it.
    void adoptStoredBook();

    JournalStore m_store;
    SessionRecorder m_recorder;
    qint64 m_currentBook = 0;
    bool m_textKept = true; // the editor holds the text it was started with
    // The book loaded while the journal was unavailable, remembered once it comes back.
    std::optional<std::pair<QString, QByteArray>> m_unrecordedBook;
    bool m_sessionLost = false;
    qint64 m_lastSession = 0;
    std::optional<Session> m_lastRun;
};

} // namespace zk
