#include "journal/TrainingJournal.h"

namespace zk {

TrainingJournal::TrainingJournal(const QString &dataFolder, const Clock &clock, WallClock wall)
    : m_store(dataFolder, wall), m_recorder(clock, wall) {
    if (const qint64 id = m_store.currentBook(); id != 0 && m_store.book(id))
        m_currentBook = id;
}

std::optional<BookRecord> TrainingJournal::bookLoaded(const QString &path) {
    const std::optional<BookFile> file = BookFile::inspect(path);
    const std::optional<BookRecord> book = file ? m_store.rememberBook(*file) : std::nullopt;
    m_currentBook = book ? book->id : 0;
    m_store.setCurrentBook(m_currentBook);
    return book;
}

void TrainingJournal::textReplaced() {
    if (m_currentBook == 0)
        return;
    m_currentBook = 0;
    m_store.setCurrentBook(0);
}

bool TrainingJournal::runEnded(int words, int signs, int line, int percent) {
    m_lastSession = 0;
    std::optional<Session> session = m_recorder.finish(words, signs, percent);
    m_lastRun = session;
    if (!session)
        return false;
    session->bookId = m_currentBook;
    if (!m_store.addSession(*session, line))
        return false;
    m_lastSession = session->id;
    return true;
}

void TrainingJournal::rememberPosition(int line, int percent) {
    m_store.setBookPosition(m_currentBook, line, percent);
}

} // namespace zk
