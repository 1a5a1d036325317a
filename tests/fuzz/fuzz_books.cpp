#include "FuzzSupport.h"
#include "formats/BookReaders.h"
#include "formats/OdtReader.h"

using fuzz::checkParagraphs;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    if (bytes.startsWith("PK")) {
        const QString path = fuzz::writeScratch(data, size);
        if (const std::optional<QString> text = zk::readEpub(path))
            checkParagraphs(*text);
        if (const std::optional<QString> text = zk::readZippedFb2(path))
            checkParagraphs(*text);
        checkParagraphs(zk::readOdt(path).text());
        return 0;
    }
    checkParagraphs(zk::readHtml(bytes));
    if (const std::optional<QString> text = zk::readFb2(bytes))
        checkParagraphs(*text);
    checkParagraphs(zk::readOdtContent(bytes).text());
    return 0;
}
