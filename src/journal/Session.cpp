#include "journal/Session.h"

#include "reading/ReadingState.h"

#include <QDateTime>
#include <QLocale>

#include <algorithm>

namespace zk {

WallClock systemWallClock() {
    return [] { return QDateTime::currentMSecsSinceEpoch(); };
}

RunSettings RunSettings::from(const ReadingOptions &options, int delayMs, int rowLength, int rows) {
    RunSettings s;
    s.delayMs = delayMs;
    s.rowLength = rowLength;
    s.rows = rows;
    s.punctuation = options.ReactOnSigns;
    s.pauseMode = options.SmartPause   ? PauseMode::Smart
                  : options.LongPause  ? PauseMode::Long
                  : options.ShortPause ? PauseMode::Short
                                       : PauseMode::None;
    return s;
}

QString pauseModeName(PauseMode mode) {
    switch (mode) {
    case PauseMode::Short:
        return QStringLiteral("Малая");
    case PauseMode::Long:
        return QStringLiteral("Большая");
    case PauseMode::Smart:
        return QStringLiteral("Умная");
    case PauseMode::None:
        break;
    }
    return QStringLiteral("Без паузы");
}

QString pluralRu(qint64 count, const QString &one, const QString &few, const QString &many) {
    const qint64 n = count < 0 ? -count : count;
    const qint64 last = n % 10;
    if (n % 100 / 10 == 1 || last == 0 || last > 4)
        return many;
    return last == 1 ? one : few;
}

QString perMinuteText(SpeedUnit unit, qint64 count) {
    const QString word = unit == SpeedUnit::Words
                             ? pluralRu(count, QStringLiteral("слово"), QStringLiteral("слова"),
                                        QStringLiteral("слов"))
                             : pluralRu(count, QStringLiteral("знак"), QStringLiteral("знака"),
                                        QStringLiteral("знаков"));
    return QStringLiteral("%1 %2 в минуту").arg(QLocale(QLocale::Russian).toString(count), word);
}

QString perMinuteText(SpeedUnit unit) {
    return unit == SpeedUnit::Words ? QStringLiteral("слов в минуту")
                                    : QStringLiteral("знаков в минуту");
}

QString RunSettings::text() const {
    const QString rowWord =
        pluralRu(rows, QStringLiteral("строка"), QStringLiteral("строки"), QStringLiteral("строк"));
    QString s =
        QStringLiteral("%1 мс, длина %2, %3 %4").arg(delayMs).arg(rowLength).arg(rows).arg(rowWord);
    // Without punctuation there is nothing to pause at.
    s += punctuation ? QStringLiteral(", пауза «%1»").arg(pauseModeName(pauseMode))
                     : QStringLiteral(", без реакции на знаки");
    if (const QString more = extrasText(); !more.isEmpty())
        s += QStringLiteral(", ") + more;
    return s;
}

QString RunSettings::extrasText() const {
    static const std::pair<Extra, const char16_t *> names[] = {
        {LongWords, u"длинные слова дольше"},
        {RampUp, u"разгон"},
        {FocusLetter, u"опорная буква"},
        {ContextOnStop, u"текст при остановке"},
    };
    QStringList on;
    for (const auto &[flag, name] : names) {
        if (extras & flag)
            on << QString::fromUtf16(name);
    }
    return on.join(QStringLiteral(", "));
}

double Session::realSpeed(SpeedUnit unit) const {
    if (readingMs <= 0)
        return 0;
    const qint64 shown = unit == SpeedUnit::Words ? words : signs;
    return static_cast<double>(shown) * 60000.0 / static_cast<double>(readingMs);
}

double Session::nominalSpeed(SpeedUnit unit) const {
    if (settings.delayMs <= 0)
        return 0;
    const double piecesPerMinute = 60000.0 * settings.rows / settings.delayMs;
    // Uncounted pieces are taken as one word each.
    const qint64 perPieceBase = pieces > 0 ? pieces : words;
    if (perPieceBase <= 0)
        return unit == SpeedUnit::Words ? piecesPerMinute : 0;
    const qint64 shown = unit == SpeedUnit::Words ? words : signs;
    return piecesPerMinute * static_cast<double>(shown) / static_cast<double>(perPieceBase);
}

double Session::effectiveSpeed(SpeedUnit unit) const {
    return checked() ? realSpeed(unit) * answeredRight / asked : 0;
}

QString Session::understandingText() const {
    if (!checked())
        return QStringLiteral("—");
    return QStringLiteral("%1 из %2 (%3 %)")
        .arg(answeredRight)
        .arg(asked)
        .arg((answeredRight * 100 + asked / 2) / asked);
}

double workingSpeed(const QList<Session> &sessions, SpeedUnit unit) {
    QList<double> speeds;
    for (const Session &s : sessions)
        speeds.append(s.realSpeed(unit));
    if (speeds.isEmpty())
        return 0;
    std::sort(speeds.begin(), speeds.end());
    const qsizetype n = speeds.size();
    return n % 2 ? speeds.at(n / 2) : (speeds.at(n / 2 - 1) + speeds.at(n / 2)) / 2;
}

} // namespace zk
