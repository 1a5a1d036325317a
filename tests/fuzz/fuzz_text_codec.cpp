#include "FuzzCheck.h"
#include "formats/TextCodec.h"

#include <cstddef>
#include <cstdint>

using zk::TextCodec;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const QString text = TextCodec::decode(bytes);
    ZK_FUZZ_CHECK(!text.contains(QLatin1Char('\r')));

    // Saving what was opened and opening it again must give the same text.
    const QByteArray saved = TextCodec::encode(text);
    ZK_FUZZ_CHECK(TextCodec::decode(saved) == text);
    // And saving is stable: the second save writes the same bytes.
    ZK_FUZZ_CHECK(TextCodec::encode(TextCodec::decode(saved)) == saved);

    // A user's file in any encoding: no control character but tab and line end, and what
    // was read survives a save.
    const QString userText = TextCodec::decodeUserFile(bytes);
    for (QChar c : userText)
        ZK_FUZZ_CHECK(c.unicode() >= 0x20 || c == u'\t' || c == u'\n');
    ZK_FUZZ_CHECK(TextCodec::decode(TextCodec::encode(userText)) == userText);
    return 0;
}
