#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QtGlobal>

#include <array>
#include <optional>

namespace zk {

// A stored flag: 0 off, anything else on. The raw byte is kept so a record
// read and written back unchanged keeps its exact bytes.
class RecordFlag final {
public:
    constexpr RecordFlag() = default;
    constexpr explicit RecordFlag(bool on) : m_raw(on ? 1 : 0) {}

    static constexpr RecordFlag fromRaw(quint8 raw) {
        RecordFlag flag;
        flag.m_raw = raw;
        return flag;
    }

    constexpr bool isOn() const { return m_raw != 0; }
    constexpr quint8 raw() const { return m_raw; }
    // Writes 1 or 0 only when the state changes, so an untouched 7 stays 7.
    constexpr void set(bool on) {
        if (on != isOn())
            m_raw = on ? 1 : 0;
    }

    constexpr bool operator==(const RecordFlag &) const = default;

private:
    quint8 m_raw = 0;
};

// One length byte and 255 Windows-1251 bytes. The raw 256 bytes are kept and
// rebuilt only when the value really changes, so stale bytes past the length
// survive a round trip.
// A value that cannot be stored faithfully (a character outside Windows-1251,
// or longer than 255) is refused and the previous value kept.
class RecordString final {
public:
    static constexpr int Capacity = 255;
    static constexpr int Width = Capacity + 1;

    RecordString() = default;

    static RecordString fromRaw(QByteArrayView bytes); // uses the first Width bytes, zero-padded
    QByteArray raw() const;

    QString value() const;
    int storedLength() const { return m_raw[0]; }

    // True when stored (or already equal); false leaves the previous value.
    bool set(const QString &value);
    // For typeface names: cut to 255 characters first, then as set().
    bool setTruncated(const QString &value);

    static bool fits(const QString &value);

    bool operator==(const RecordString &) const = default;

private:
    std::array<quint8, Width> m_raw{};
};

struct FontRecord final {
    enum StyleBit : quint8 { Bold = 1, Italic = 2, Underline = 4, StrikeOut = 8 };
    static constexpr int ByteSize = 280;

    quint8 Charset = 0;
    quint32 Color = 0; // 0x00BBGGRR, or a system colour index when the top byte is 0xFF
    qint32 Height = 0; // pixels, negative: character height as in a Windows logical font
    RecordString Name;
    quint8 Pitch = 0;
    qint32 Size = 0; // points
    quint8 Style = 0;

    std::array<quint8, 3> Reserved1{};
    std::array<quint8, 3> Reserved269{};
    std::array<quint8, 3> Reserved277{};

    bool operator==(const FontRecord &) const = default;
};

// The stored settings: a fixed 1912-byte little-endian record.
struct SettingsRecord final {
    static constexpr int ByteSize = 1912;

    qint32 WindowTop = 0;
    qint32 WindowLeft = 0;
    qint32 WindowWidth = 0;
    qint32 WindowHeight = 0;
    RecordFlag Maximized;
    RecordFlag FullScreen;
    RecordFlag MusicOn;
    RecordFlag ReadingOn;
    RecordFlag EditorOn;

    RecordFlag ReactOnSigns;
    RecordFlag DelMin;
    RecordFlag ReadNonStop;
    RecordFlag ReactOnFocus;
    RecordFlag WithoutPause;
    RecordFlag ShortPause;
    RecordFlag LongPause;
    RecordFlag SmartPause;
    RecordFlag RemAll;

    FontRecord PanelFont;
    FontRecord EditFont;
    quint32 PanelColor = 0;
    quint32 EditColor = 0;

    RecordFlag ShowPicture;
    RecordFlag ShowTimeAndSpeed;
    RecordFlag ShowTimeOfReading;
    RecordFlag ShowTimeOfWork;
    RecordFlag ShowSpeedInWords;
    RecordFlag ShowSpeedInSigns;

    RecordString TextFolder;
    RecordString MusicFolder;
    RecordString MusicFile;

    qint32 SavedLine = 0;
    // Spinner positions: read from the low 16 bits, written sign-extended.
    qint16 Delay = 0;
    qint16 RowLength = 0;
    qint16 RowCount = 0;

    std::array<quint8, 3> Reserved21{};
    std::array<quint8, 3> Reserved33{};
    std::array<quint8, 6> Reserved610{};
    std::array<quint8, 512> Reserved1384{};

    // Fewer than ByteSize bytes: nullopt; extra bytes are ignored.
    static std::optional<SettingsRecord> decode(QByteArrayView bytes);
    QByteArray encode() const;

    static SettingsRecord designedDefaults();

    bool operator==(const SettingsRecord &) const = default;
};

} // namespace zk
