#pragma once

#include <QList>
#include <QString>
#include <QtGlobal>

#include <functional>

namespace zk {

struct ReadingOptions;

// Milliseconds since the epoch (UTC); tests replace it to place sessions in time.
using WallClock = std::function<qint64()>;
WallClock systemWallClock();

enum class PauseMode { None = 0, Short = 1, Long = 2, Smart = 3 };
enum class SpeedUnit { Words, Signs };

// The pace a run was started with.
struct RunSettings {
    int delayMs = 140;
    int rowLength = 10;
    int rows = 1; // rows in use, each showing one piece per tick
    PauseMode pauseMode = PauseMode::None;
    bool punctuation = true;
    // Reading options beyond the designed ones that were on.
    enum Extra { LongWords = 1, RampUp = 2, FocusLetter = 4, ContextOnStop = 8 };
    int extras = 0;

    static RunSettings from(const ReadingOptions &options, int delayMs, int rowLength, int rows);
    // "140 мс, длина 10, 2 строки, пауза «Умная»" for the table.
    QString text() const;
    // "длинные слова дольше, разгон", or empty when none was on.
    QString extrasText() const;
    bool operator==(const RunSettings &) const = default;
};

// One run of reading as the journal keeps it.
struct Session {
    qint64 id = 0;
    qint64 startedMs = 0; // wall clock
    qint64 endedMs = 0;
    qint64 readingMs = 0; // the run's reading time, suspensions left out
    qint64 words = 0;
    qint64 signs = 0;
    qint64 pieces = 0; // 0 when the pieces were not counted
    RunSettings settings;
    qint64 bookId = 0; // 0: not a book (typed, pasted, the last editor text)
    QString bookTitle; // filled when read back
    int percentStart = 0;
    int percentEnd = 0;
    bool intact = true; // false: its stored figures were out of range
    // The comprehension check after the run; 0 asked: not checked.
    int asked = 0;
    int answeredRight = 0;

    // Words or signs shown per minute of reading time.
    double realSpeed(SpeedUnit unit) const;
    // What the delay promises without pauses: pieces per minute, in the same unit.
    double nominalSpeed(SpeedUnit unit) const;
    double readingMinutes() const { return static_cast<double>(readingMs) / 60000.0; }
    bool checked() const { return asked > 0; }
    // Real speed times the share understood; 0 when not checked.
    double effectiveSpeed(SpeedUnit unit) const;
    // "4 из 5 (80 %)", or "—" for a session not checked.
    QString understandingText() const;
};

// Sessions worth calling the user's working speed: checked, at least this much understood.
constexpr int WorkingSpeedPercent = 80;
constexpr int WorkingSpeedSessions = 5;
// The median real speed of the sessions (the last checked, well understood ones);
// 0 when there are none.
double workingSpeed(const QList<Session> &sessions, SpeedUnit unit);

QString pauseModeName(PauseMode mode);
// The Russian word form for a count: 1 знак, 2 знака, 5 знаков, 11 знаков, 21 знак.
QString pluralRu(qint64 count, const QString &one, const QString &few, const QString &many);
// "2 941 знак в минуту", "5 554 знака в минуту": the count and its unit.
QString perMinuteText(SpeedUnit unit, qint64 count);
// "слов в минуту" or "знаков в минуту"
QString perMinuteText(SpeedUnit unit);

} // namespace zk
