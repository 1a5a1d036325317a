#include "FuzzCheck.h"
#include "settings/SettingsRecord.h"

#include <cstddef>
#include <cstdint>

using zk::RecordString;
using zk::SettingsRecord;

namespace {

// Storing the value a string already shows must not touch its bytes.
void checkStringKeepsItself(const RecordString &stored) {
    RecordString copy = stored;
    const QString value = copy.value();
    ZK_FUZZ_CHECK(value.size() <= RecordString::Capacity);
    ZK_FUZZ_CHECK(copy.set(value));
    ZK_FUZZ_CHECK(copy == stored);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QByteArrayView bytes(data, static_cast<qsizetype>(size));
    const std::optional<SettingsRecord> record = SettingsRecord::decode(bytes);
    ZK_FUZZ_CHECK(record.has_value() == (size >= SettingsRecord::ByteSize));
    if (!record)
        return 0;

    const QByteArray encoded = record->encode();
    ZK_FUZZ_CHECK(encoded.size() == SettingsRecord::ByteSize);
    const std::optional<SettingsRecord> again = SettingsRecord::decode(encoded);
    ZK_FUZZ_CHECK(again.has_value());
    ZK_FUZZ_CHECK(*again == *record);
    ZK_FUZZ_CHECK(again->encode() == encoded);

    for (const RecordString *s : {&record->TextFolder, &record->MusicFolder, &record->MusicFile,
                                  &record->PanelFont.Name, &record->EditFont.Name})
        checkStringKeepsItself(*s);
    return 0;
}
