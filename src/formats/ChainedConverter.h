#pragma once

#include "formats/DocumentConverter.h"
#include "formats/PageReaderProcess.h"

#include <functional>
#include <memory>
#include <optional>

namespace zk {

// The converter the program uses: books, web pages and documents we read ourselves (.fb2,
// .fb2.zip, a .zip holding FictionBooks, .epub, .htm, .html, .xhtml, .odt, .docx, .pdf, .djvu,
// .djv, any letter case) are read natively, fast and without a child process; every other
// document goes to the wrapped converter, and so does a DOCX our reader refuses as damaged. PDF
// and DjVu are read in a child process by `pageReader`, the helper program, when there is one.
// Of an archive holding several books, the progress chooses which to read.
class ChainedConverter final : public DocumentConverter {
public:
    explicit ChainedConverter(std::unique_ptr<DocumentConverter> fallback,
                              QString pageReader = PageReaderProcess::installedHelper());

    static bool readsNatively(const QString &path);

    // Reads the bytes of an RTF document; nullopt when it refuses them. RTF goes to the
    // wrapped converter while there is none, and when it refuses.
    using TextReader = std::function<std::optional<QString>(const QByteArray &)>;
    void setRtfReader(TextReader reader) { m_rtfReader = std::move(reader); }
    // Long PDF and DjVu books are handed over by their beginning, the rest read on (see
    // ConversionResult::rest); only with the helper program.
    void setEarlyStart(bool early) { m_earlyStart = early; }

protected:
    ConversionResult convertFile(const QString &path, const ConversionProgress &progress) override;

private:
    std::unique_ptr<DocumentConverter> m_fallback;
    QString m_pageReader;
    bool m_earlyStart = false;
    TextReader m_rtfReader;
};

} // namespace zk
