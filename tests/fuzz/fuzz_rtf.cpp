#include "FuzzCheck.h"
#include "formats/RtfReader.h"

#include <QGuiApplication>
#include <QTextDocument>

#include <cstddef>
#include <cstdint>

namespace {

const QString kUntouched = QStringLiteral("untouched");

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    // Documents and their fonts need a GUI application; no display is wanted.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "fuzz_rtf";
    static char *argv[] = {name, nullptr};
    static QGuiApplication app(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QByteArray rtf(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    QTextDocument doc;
    doc.setPlainText(kUntouched);
    const bool ok = zk::RtfReader::read(rtf, &doc);
    ZK_FUZZ_CHECK(ok == rtf.startsWith("{\\rtf"));
    if (!ok) {
        ZK_FUZZ_CHECK(doc.toPlainText() == kUntouched);
        return 0;
    }
    // Touches every fragment the reader made. No layout: that is Qt's and fontconfig's code, and
    // Qt 6.4 leaks fontconfig patterns for fallback fonts there.
    ZK_FUZZ_CHECK(doc.blockCount() >= 1);
    (void)doc.toPlainText();
    return 0;
}
