#pragma once

#include "FuzzCheck.h"

#include <QString>
#include <QStringList>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace fuzz {

inline bool isBlank(QChar c) {
    return c.unicode() <= 0x20 || c.isSpace();
}

// Every reader hands back one paragraph per line: no blank lines, no blanks at the ends of a
// line, runs of white space as one plain space, no invisible marks.
inline void checkParagraphs(const QString &text) {
    if (text.isEmpty())
        return;
    for (const QString &line : text.split(QLatin1Char('\n'))) {
        ZK_FUZZ_CHECK(!line.isEmpty());
        ZK_FUZZ_CHECK(!isBlank(line.front()) && !isBlank(line.back()));
        for (qsizetype i = 0; i < line.size(); ++i) {
            const QChar c = line.at(i);
            ZK_FUZZ_CHECK(c != u'\u00AD' && c != u'\u200B' && c != u'\uFEFF');
            if (isBlank(c))
                ZK_FUZZ_CHECK(c == QLatin1Char(' ') && !isBlank(line.at(i + 1)));
        }
    }
}

// Readers that take a path read one file per process, rewritten for each input.
inline const char *scratchPath() {
    static char path[] = "/tmp/zk-fuzz-file-XXXXXX";
    static const bool made = [] {
        const int fd = mkstemp(path);
        ZK_FUZZ_CHECK(fd >= 0);
        close(fd);
        std::atexit([] { unlink(path); });
        return true;
    }();
    (void)made;
    return path;
}

inline QString writeScratch(const uint8_t *data, size_t size) {
    std::FILE *file = std::fopen(scratchPath(), "wb");
    ZK_FUZZ_CHECK(file != nullptr);
    ZK_FUZZ_CHECK(size == 0 || std::fwrite(data, 1, size, file) == size);
    ZK_FUZZ_CHECK(std::fclose(file) == 0);
    return QString::fromLocal8Bit(scratchPath());
}

} // namespace fuzz
