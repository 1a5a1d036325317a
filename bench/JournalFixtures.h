#pragma once

// Generated journals: sessions over weeks or years, a few books, a reader who
// slowly grows faster.
#include "journal/JournalStore.h"

#include <QRandomGenerator>

#include <algorithm>

namespace bench {

// `count` sessions spread evenly over the `days` days before `now`.
inline void fillJournal(zk::JournalStore &store, int count, int days, qint64 now) {
    static const char16_t *const titles[] = {u"Война и мир", u"Капитанская дочка", u"Мёртвые души",
                                             u"Отцы и дети"};
    qint64 books[4] = {};
    for (int i = 0; i < 4; ++i) {
        zk::BookFile file;
        file.path = QStringLiteral("/книги/%1.fb2").arg(i).toUtf8();
        file.hash = QString::number(i);
        file.size = 1000 + i;
        file.title = QString::fromUtf16(titles[i]);
        books[i] = store.rememberBook(file).value_or(zk::BookRecord()).id;
    }
    QRandomGenerator rng(15);
    const qint64 span = static_cast<qint64>(days) * 24 * 3600 * 1000;
    int percent[4] = {};
    for (int i = 0; i < count; ++i) {
        const double progress = static_cast<double>(i) / std::max(1, count - 1);
        zk::Session s;
        // Evenings mostly, with a few mornings.
        s.startedMs = now - span + static_cast<qint64>(progress * span);
        s.startedMs -= s.startedMs % (24 * 3600 * 1000);
        s.startedMs += (rng.bounded(4) == 0 ? 7 : 18 + rng.bounded(4)) * 3600 * 1000 +
                       rng.bounded(60) * 60 * 1000;
        s.startedMs = std::min(s.startedMs, now - 3600 * 1000);
        s.readingMs = (5 + rng.bounded(25)) * 60'000 + rng.bounded(60'000);
        s.endedMs = s.startedMs + s.readingMs + rng.bounded(5) * 60'000;
        s.settings.rows = rng.bounded(5) == 0 ? 2 : 1;
        s.settings.delayMs =
            std::max(80, 200 - static_cast<int>(progress * 90) / 10 * 10) * s.settings.rows;
        s.settings.rowLength = 10 + 5 * rng.bounded(3);
        s.settings.pauseMode = static_cast<zk::PauseMode>(rng.bounded(4));
        const double piecesPerMinute = 60000.0 * s.settings.rows / s.settings.delayMs;
        const double shownShare = 0.55 + 0.25 * progress + rng.bounded(10) / 100.0;
        s.pieces = static_cast<qint64>(piecesPerMinute * shownShare * s.readingMs / 60000.0);
        s.words = s.pieces * (110 + rng.bounded(40)) / 100;
        s.signs = s.words * (60 + rng.bounded(10)) / 10;
        const int b = rng.bounded(5);
        s.bookId = b < 4 ? books[b] : 0;
        if (b < 4) {
            s.percentStart = percent[b];
            percent[b] = std::min(99, percent[b] + 1 + rng.bounded(3));
            s.percentEnd = percent[b];
        }
        store.addSession(s, s.percentEnd * 10);
    }
}

} // namespace bench
