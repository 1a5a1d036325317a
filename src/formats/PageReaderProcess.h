#pragma once

#include "formats/DocumentConverter.h"

namespace zk {

// Reads a PDF or DjVu in a child process, the helper "zorkan-pages" installed beside the
// program. Poppler cannot be stopped inside a page, and one hostile page can keep it busy for
// minutes and fill memory; a child is killed as soon as the progress says stop, and its address
// space is capped. A file beyond the input budget is refused by its size before any reading.
class PageReaderProcess final {
public:
    enum class Format { Pdf, Djvu };
    // Whole: the text once all of it is read. Early: the beginning as soon as a few pages are
    // in, the rest read on in the background.
    enum class Start { Whole, Early };
    // Enough to read for minutes, while the pages after it come in within moments.
    static constexpr qsizetype EarlyStartChars = 16 * 1024;

    explicit PageReaderProcess(QString helper) : m_helper(std::move(helper)) {}

    // The helper beside the running program; empty when it is not there.
    static QString installedHelper();

    ConversionResult read(Format format, const QString &path,
                          const ConversionProgress &progress = {},
                          Start start = Start::Whole) const;

    // The helper's whole work, for its main(): arguments "pdf" or "djvu" and the file's path;
    // the answer goes to standard output.
    static int serve(int argc, char **argv);

private:
    QString m_helper;
};

} // namespace zk
