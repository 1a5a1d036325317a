#include "settings/SettingsRecord.h"

#include <QStringDecoder>
#include <QStringEncoder>
#include <QtEndian>

#include <algorithm>

namespace zk {

namespace {

constexpr char CodePage[] = "windows-1251";

namespace font {
constexpr int Charset = 0;
constexpr int Reserved1 = 1;
constexpr int Color = 4;
constexpr int Height = 8;
constexpr int Name = 12;
constexpr int Pitch = 268;
constexpr int Reserved269 = 269;
constexpr int Size = 272;
constexpr int Style = 276;
constexpr int Reserved277 = 277;
} // namespace font

namespace rec {
constexpr int WindowTop = 0;
constexpr int WindowLeft = 4;
constexpr int WindowWidth = 8;
constexpr int WindowHeight = 12;
constexpr int Maximized = 16;
constexpr int FullScreen = 17;
constexpr int MusicOn = 18;
constexpr int ReadingOn = 19;
constexpr int EditorOn = 20;
constexpr int Reserved21 = 21;
constexpr int ReactOnSigns = 24;
constexpr int DelMin = 25;
constexpr int ReadNonStop = 26;
constexpr int ReactOnFocus = 27;
constexpr int WithoutPause = 28;
constexpr int ShortPause = 29;
constexpr int LongPause = 30;
constexpr int SmartPause = 31;
constexpr int RemAll = 32;
constexpr int Reserved33 = 33;
constexpr int PanelFont = 36;
constexpr int EditFont = 316;
constexpr int PanelColor = 596;
constexpr int EditColor = 600;
constexpr int ShowPicture = 604;
constexpr int ShowTimeAndSpeed = 605;
constexpr int ShowTimeOfReading = 606;
constexpr int ShowTimeOfWork = 607;
constexpr int ShowSpeedInWords = 608;
constexpr int ShowSpeedInSigns = 609;
constexpr int Reserved610 = 610;
constexpr int TextFolder = 616;
constexpr int MusicFolder = 872;
constexpr int MusicFile = 1128;
constexpr int Reserved1384 = 1384;
constexpr int SavedLine = 1896;
constexpr int Delay = 1900;
constexpr int RowLength = 1904;
constexpr int RowCount = 1908;
} // namespace rec

static_assert(rec::EditFont - rec::PanelFont == FontRecord::ByteSize);
static_assert(rec::RowCount + 4 == SettingsRecord::ByteSize);
static_assert(font::Reserved277 + 3 == FontRecord::ByteSize);

quint8 byteAt(const char *p, int offset) {
    return static_cast<quint8>(p[offset]);
}

qint32 int32At(const char *p, int offset) {
    return qFromLittleEndian<qint32>(p + offset);
}

quint32 uint32At(const char *p, int offset) {
    return qFromLittleEndian<quint32>(p + offset);
}

// The low 16 bits decide; the high half is whatever an older writer left.
qint16 spinnerAt(const char *p, int offset) {
    return qFromLittleEndian<qint16>(p + offset);
}

void putInt32(char *p, int offset, qint32 value) {
    qToLittleEndian<qint32>(value, p + offset);
}

void putUint32(char *p, int offset, quint32 value) {
    qToLittleEndian<quint32>(value, p + offset);
}

void putByte(char *p, int offset, quint8 value) {
    p[offset] = static_cast<char>(value);
}

template <std::size_t N> std::array<quint8, N> bytesAt(const char *p, int offset) {
    std::array<quint8, N> out{};
    std::copy_n(reinterpret_cast<const quint8 *>(p + offset), N, out.begin());
    return out;
}

template <std::size_t N> void putBytes(char *p, int offset, const std::array<quint8, N> &bytes) {
    std::copy_n(bytes.begin(), N, reinterpret_cast<quint8 *>(p + offset));
}

RecordFlag flagAt(const char *p, int offset) {
    return RecordFlag::fromRaw(byteAt(p, offset));
}

RecordString stringAt(const char *p, int offset) {
    return RecordString::fromRaw(QByteArrayView(p + offset, RecordString::Width));
}

void putString(char *p, int offset, const RecordString &value) {
    const QByteArray raw = value.raw();
    std::copy_n(raw.constData(), RecordString::Width, p + offset);
}

FontRecord fontAt(const char *p, int offset) {
    p += offset;
    FontRecord f;
    f.Charset = byteAt(p, font::Charset);
    f.Reserved1 = bytesAt<3>(p, font::Reserved1);
    f.Color = uint32At(p, font::Color);
    f.Height = int32At(p, font::Height);
    f.Name = stringAt(p, font::Name);
    f.Pitch = byteAt(p, font::Pitch);
    f.Reserved269 = bytesAt<3>(p, font::Reserved269);
    f.Size = int32At(p, font::Size);
    f.Style = byteAt(p, font::Style);
    f.Reserved277 = bytesAt<3>(p, font::Reserved277);
    return f;
}

void putFont(char *p, int offset, const FontRecord &f) {
    p += offset;
    putByte(p, font::Charset, f.Charset);
    putBytes(p, font::Reserved1, f.Reserved1);
    putUint32(p, font::Color, f.Color);
    putInt32(p, font::Height, f.Height);
    putString(p, font::Name, f.Name);
    putByte(p, font::Pitch, f.Pitch);
    putBytes(p, font::Reserved269, f.Reserved269);
    putInt32(p, font::Size, f.Size);
    putByte(p, font::Style, f.Style);
    putBytes(p, font::Reserved277, f.Reserved277);
}

} // namespace

RecordString RecordString::fromRaw(QByteArrayView bytes) {
    RecordString out;
    const auto n = std::min<qsizetype>(bytes.size(), Width);
    std::copy_n(reinterpret_cast<const quint8 *>(bytes.data()), n, out.m_raw.begin());
    return out;
}

QByteArray RecordString::raw() const {
    return QByteArray(reinterpret_cast<const char *>(m_raw.data()), Width);
}

QString RecordString::value() const {
    QStringDecoder decoder(CodePage);
    return decoder.decode(
        QByteArrayView(reinterpret_cast<const char *>(m_raw.data()) + 1, m_raw[0]));
}

bool RecordString::fits(const QString &value) {
    if (value.size() > Capacity)
        return false;
    QStringEncoder encoder(CodePage, QStringEncoder::Flag::Stateless);
    if (!encoder.isValid())
        return false;
    const QByteArray bytes = encoder.encode(value);
    if (encoder.hasError() || bytes.size() != value.size())
        return false;
    QStringDecoder decoder(CodePage);
    return QString(decoder.decode(bytes)) == value;
}

bool RecordString::set(const QString &value) {
    if (value == this->value())
        return true;
    if (!fits(value))
        return false;
    QStringEncoder encoder(CodePage, QStringEncoder::Flag::Stateless);
    const QByteArray bytes = encoder.encode(value);
    m_raw.fill(0);
    m_raw[0] = static_cast<quint8>(bytes.size());
    std::copy_n(reinterpret_cast<const quint8 *>(bytes.constData()), bytes.size(),
                m_raw.begin() + 1);
    return true;
}

bool RecordString::setTruncated(const QString &value) {
    return set(value.left(Capacity));
}

std::optional<SettingsRecord> SettingsRecord::decode(QByteArrayView bytes) {
    if (bytes.size() < ByteSize)
        return std::nullopt;
    const char *p = bytes.data();
    SettingsRecord r;
    r.WindowTop = int32At(p, rec::WindowTop);
    r.WindowLeft = int32At(p, rec::WindowLeft);
    r.WindowWidth = int32At(p, rec::WindowWidth);
    r.WindowHeight = int32At(p, rec::WindowHeight);
    r.Maximized = flagAt(p, rec::Maximized);
    r.FullScreen = flagAt(p, rec::FullScreen);
    r.MusicOn = flagAt(p, rec::MusicOn);
    r.ReadingOn = flagAt(p, rec::ReadingOn);
    r.EditorOn = flagAt(p, rec::EditorOn);
    r.Reserved21 = bytesAt<3>(p, rec::Reserved21);
    r.ReactOnSigns = flagAt(p, rec::ReactOnSigns);
    r.DelMin = flagAt(p, rec::DelMin);
    r.ReadNonStop = flagAt(p, rec::ReadNonStop);
    r.ReactOnFocus = flagAt(p, rec::ReactOnFocus);
    r.WithoutPause = flagAt(p, rec::WithoutPause);
    r.ShortPause = flagAt(p, rec::ShortPause);
    r.LongPause = flagAt(p, rec::LongPause);
    r.SmartPause = flagAt(p, rec::SmartPause);
    r.RemAll = flagAt(p, rec::RemAll);
    r.Reserved33 = bytesAt<3>(p, rec::Reserved33);
    r.PanelFont = fontAt(p, rec::PanelFont);
    r.EditFont = fontAt(p, rec::EditFont);
    r.PanelColor = uint32At(p, rec::PanelColor);
    r.EditColor = uint32At(p, rec::EditColor);
    r.ShowPicture = flagAt(p, rec::ShowPicture);
    r.ShowTimeAndSpeed = flagAt(p, rec::ShowTimeAndSpeed);
    r.ShowTimeOfReading = flagAt(p, rec::ShowTimeOfReading);
    r.ShowTimeOfWork = flagAt(p, rec::ShowTimeOfWork);
    r.ShowSpeedInWords = flagAt(p, rec::ShowSpeedInWords);
    r.ShowSpeedInSigns = flagAt(p, rec::ShowSpeedInSigns);
    r.Reserved610 = bytesAt<6>(p, rec::Reserved610);
    r.TextFolder = stringAt(p, rec::TextFolder);
    r.MusicFolder = stringAt(p, rec::MusicFolder);
    r.MusicFile = stringAt(p, rec::MusicFile);
    r.Reserved1384 = bytesAt<512>(p, rec::Reserved1384);
    r.SavedLine = int32At(p, rec::SavedLine);
    r.Delay = spinnerAt(p, rec::Delay);
    r.RowLength = spinnerAt(p, rec::RowLength);
    r.RowCount = spinnerAt(p, rec::RowCount);
    return r;
}

QByteArray SettingsRecord::encode() const {
    QByteArray out(ByteSize, '\0');
    char *p = out.data();
    putInt32(p, rec::WindowTop, WindowTop);
    putInt32(p, rec::WindowLeft, WindowLeft);
    putInt32(p, rec::WindowWidth, WindowWidth);
    putInt32(p, rec::WindowHeight, WindowHeight);
    putByte(p, rec::Maximized, Maximized.raw());
    putByte(p, rec::FullScreen, FullScreen.raw());
    putByte(p, rec::MusicOn, MusicOn.raw());
    putByte(p, rec::ReadingOn, ReadingOn.raw());
    putByte(p, rec::EditorOn, EditorOn.raw());
    putBytes(p, rec::Reserved21, Reserved21);
    putByte(p, rec::ReactOnSigns, ReactOnSigns.raw());
    putByte(p, rec::DelMin, DelMin.raw());
    putByte(p, rec::ReadNonStop, ReadNonStop.raw());
    putByte(p, rec::ReactOnFocus, ReactOnFocus.raw());
    putByte(p, rec::WithoutPause, WithoutPause.raw());
    putByte(p, rec::ShortPause, ShortPause.raw());
    putByte(p, rec::LongPause, LongPause.raw());
    putByte(p, rec::SmartPause, SmartPause.raw());
    putByte(p, rec::RemAll, RemAll.raw());
    putBytes(p, rec::Reserved33, Reserved33);
    putFont(p, rec::PanelFont, PanelFont);
    putFont(p, rec::EditFont, EditFont);
    putUint32(p, rec::PanelColor, PanelColor);
    putUint32(p, rec::EditColor, EditColor);
    putByte(p, rec::ShowPicture, ShowPicture.raw());
    putByte(p, rec::ShowTimeAndSpeed, ShowTimeAndSpeed.raw());
    putByte(p, rec::ShowTimeOfReading, ShowTimeOfReading.raw());
    putByte(p, rec::ShowTimeOfWork, ShowTimeOfWork.raw());
    putByte(p, rec::ShowSpeedInWords, ShowSpeedInWords.raw());
    putByte(p, rec::ShowSpeedInSigns, ShowSpeedInSigns.raw());
    putBytes(p, rec::Reserved610, Reserved610);
    putString(p, rec::TextFolder, TextFolder);
    putString(p, rec::MusicFolder, MusicFolder);
    putString(p, rec::MusicFile, MusicFile);
    putBytes(p, rec::Reserved1384, Reserved1384);
    putInt32(p, rec::SavedLine, SavedLine);
    putInt32(p, rec::Delay, Delay);
    putInt32(p, rec::RowLength, RowLength);
    putInt32(p, rec::RowCount, RowCount);
    return out;
}

SettingsRecord SettingsRecord::designedDefaults() {
    SettingsRecord r;
    r.WindowTop = 54;
    r.WindowLeft = 66;
    r.WindowWidth = 583;
    r.WindowHeight = 418;

    r.ReactOnSigns.set(true);
    r.WithoutPause.set(true);

    // 78 and 20 pixels at 120 pixels per inch; negative means character height.
    r.PanelFont.Charset = 204;
    r.PanelFont.Color = 0x0000FFFF;
    r.PanelFont.Height = -78;
    r.PanelFont.Name.set(QStringLiteral("Bookman Old Style"));
    r.PanelFont.Size = 47;

    r.EditFont.Charset = 204;
    r.EditFont.Color = 0x00000000;
    r.EditFont.Height = -20;
    r.EditFont.Name.set(QStringLiteral("MS Sans Serif"));
    r.EditFont.Size = 12;

    r.PanelColor = 0x00000000;
    r.EditColor = 0x00C0C0C0;

    r.ShowPicture.set(true);
    r.ShowTimeAndSpeed.set(true);
    r.ShowTimeOfReading.set(true);
    r.ShowSpeedInSigns.set(true);

    r.Delay = 140;
    r.RowLength = 10;
    r.RowCount = 1;
    return r;
}

} // namespace zk
