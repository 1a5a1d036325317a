#include "FuzzSupport.h"
#include "formats/DocxReader.h"

using fuzz::checkParagraphs;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    if (bytes.startsWith("PK")) {
        checkParagraphs(zk::readDocx(fuzz::writeScratch(data, size)).text());
        return 0;
    }
    // One input as every part, so list and note definitions meet the paragraphs that use them.
    zk::DocxParts parts;
    parts.document = bytes;
    parts.footnotes = bytes;
    parts.endnotes = bytes;
    parts.numbering = bytes;
    parts.styles = bytes;
    checkParagraphs(zk::readDocxParts(parts).text());
    return 0;
}
