#include "FuzzSupport.h"
#include "formats/DjvuReader.h"
#include "formats/PdfReader.h"

// PDF and DjVu: both readers see every input, whatever its first bytes say.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QString path = fuzz::writeScratch(data, size);
    fuzz::checkParagraphs(zk::readPdf(path).text());
    fuzz::checkParagraphs(zk::readDjvu(path).text());
    return 0;
}
