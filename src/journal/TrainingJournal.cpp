#include "journal/TrainingJournal.h"

namespace zk {

TrainingJournal::TrainingJournal(const QString &dataFolder, const Clock &clock, WallClock wall)
    : m_store(dataFolder, wall), m_recorder(clock, wall) {
    adoptStoredBook();
}

void TrainingJournal::adoptStoredBook() {
    if (const qint64 id = m_store.currentBook(); id != 0 && m_store.book(id))
        m_currentBook = id;
}

std::optional<BookRecord> TrainingJournal::bookLoaded(const QString &path,
                                                      const QByteArray &systemPath) {
    const std::optional<BookFile> file = BookFile::inspect(path, systemPath);
    const std::optional<BookRecord> book = file ? m_store.rememberBook(*file) : std::nullopt;
    m_currentBook = book ? book->id : 0;
    m_textKept = false;
    m_unrecordedBook.reset();
    if (file && !m_store.available())
        m_unrecordedBook.emplace(path, systemPath);
    m_store.setCurrentBook(m_currentBook);
    return book;
}

void TrainingJournal::textReplaced() {
    m_textKept = false;
    m_unrecordedBook.reset();
    if (m_currentBook == 0)
        return;
    m_currentBook = 0;
    m_store.setCurrentBook(0);
}

void TrainingJournal::runStarted(const RunSettings &settings, int percent) {
    // Back after being unavailable: it learns what the editor has held meanwhile.
    if (!m_store.available() && m_store.retry()) {
        if (m_unrecordedBook) {
            const auto [path, systemPath] = *m_unrecordedBook;
            bookLoaded(path, systemPath);
        } else if (m_textKept) {
            adoptStoredBook();
        } else {
            m_store.setCurrentBook(0);
        }
    }
    m_recorder.start(settings, percent);
}

bool TrainingJournal::runEnded(int words, int signs, int line, int percent, bool endReached) {
    m_sessionLost = false;
    m_lastSession = 0;
    m_lastRun = m_recorder.finish(words, signs, endReached ? 100 : percent);
    if (!m_lastRun)
        return false;
    m_lastRun->bookId = m_currentBook;
    // The book's place stays where reading goes on: the start, after its end.
    m_sessionLost = !m_store.addSession(*m_lastRun, line, percent);
    if (m_sessionLost)
        return false;
    m_lastSession = m_lastRun->id;
    return true;
}

void TrainingJournal::rememberPosition(int line, int percent) {
    m_store.setBookPosition(m_currentBook, line, percent);
}

} // namespace zk
