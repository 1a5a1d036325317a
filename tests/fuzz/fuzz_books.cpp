#include "FuzzCheck.h"
#include "editor/text/BookReaders.h"

#include <QStringList>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace {

bool isBlank(QChar c) {
    return c.unicode() <= 0x20 || c.isSpace();
}

// Every reader hands back one paragraph per line: no blank lines, no blanks at the ends of a
// line, runs of white space as one plain space, no invisible marks.
void checkParagraphs(const QString &text) {
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

// Zip readers take a path: one file per process, rewritten for each input.
char g_scratch[] = "/tmp/zk-fuzz-book-XXXXXX";

const char *scratchPath() {
    static const bool made = [] {
        const int fd = mkstemp(g_scratch);
        ZK_FUZZ_CHECK(fd >= 0);
        close(fd);
        std::atexit([] { unlink(g_scratch); });
        return true;
    }();
    (void)made;
    return g_scratch;
}

void writeScratch(const uint8_t *data, size_t size) {
    std::FILE *file = std::fopen(scratchPath(), "wb");
    ZK_FUZZ_CHECK(file != nullptr);
    ZK_FUZZ_CHECK(size == 0 || std::fwrite(data, 1, size, file) == size);
    ZK_FUZZ_CHECK(std::fclose(file) == 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    if (bytes.startsWith("PK")) {
        writeScratch(data, size);
        const QString path = QString::fromLocal8Bit(scratchPath());
        if (const std::optional<QString> text = zk::readEpub(path))
            checkParagraphs(*text);
        if (const std::optional<QString> text = zk::readZippedFb2(path))
            checkParagraphs(*text);
        return 0;
    }
    checkParagraphs(zk::readHtml(bytes));
    if (const std::optional<QString> text = zk::readFb2(bytes))
        checkParagraphs(*text);
    return 0;
}
