#include "journal/CsvExport.h"

#include <QDateTime>
#include <QSaveFile>
#include <QStringList>

namespace zk {

namespace {

// RFC 4180: a field with a comma, a quote or a line end is quoted, inner quotes doubled. A
// field a spreadsheet would run as a formula (titles come from the books) is made text.
QString field(const QString &text) {
    QString out = text;
    if (!out.isEmpty() && QStringView(u"=+-@\t\r").contains(out.front()))
        out.prepend(QLatin1Char('\''));
    if (!out.contains(QLatin1Char(',')) && !out.contains(QLatin1Char('"')) &&
        !out.contains(QLatin1Char('\n')) && !out.contains(QLatin1Char('\r')))
        return out;
    out.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + out + QLatin1Char('"');
}

QString line(const QStringList &fields) {
    QStringList quoted;
    quoted.reserve(fields.size());
    for (const QString &f : fields)
        quoted << field(f);
    return quoted.join(QLatin1Char(',')) + QStringLiteral("\r\n");
}

QString number(double value, int decimals = 0) {
    return QString::number(value, 'f', decimals);
}

} // namespace

QByteArray sessionsCsv(const QList<Session> &sessions) {
    const QStringList header = {
        QStringLiteral("Дата"),
        QStringLiteral("Книга"),
        QStringLiteral("Минуты"),
        QStringLiteral("Слов в минуту"),
        QStringLiteral("Знаков в минуту"),
        QStringLiteral("Номинально слов в минуту"),
        QStringLiteral("Номинально знаков в минуту"),
        QStringLiteral("Слов"),
        QStringLiteral("Знаков"),
        QStringLiteral("Задержка, мс"),
        QStringLiteral("Длина"),
        QStringLiteral("Строки"),
        QStringLiteral("Пауза"),
        QStringLiteral("Знаки препинания"),
        QStringLiteral("Прочитано в начале, %"),
        QStringLiteral("Прочитано в конце, %"),
        QStringLiteral("Понимание, %"),
        QStringLiteral("Эффективно слов в минуту"),
        QStringLiteral("Эффективно знаков в минуту"),
        QStringLiteral("Дополнительно"),
    };
    QString out = line(header);
    for (const Session &s : sessions) {
        const QStringList row = {
            QDateTime::fromMSecsSinceEpoch(s.startedMs)
                .toString(QStringLiteral("yyyy-MM-dd HH:mm")),
            s.bookTitle,
            number(s.readingMinutes(), 1),
            number(s.realSpeed(SpeedUnit::Words)),
            number(s.realSpeed(SpeedUnit::Signs)),
            number(s.nominalSpeed(SpeedUnit::Words)),
            number(s.nominalSpeed(SpeedUnit::Signs)),
            QString::number(s.words),
            QString::number(s.signs),
            QString::number(s.settings.delayMs),
            QString::number(s.settings.rowLength),
            QString::number(s.settings.rows),
            pauseModeName(s.settings.pauseMode),
            s.settings.punctuation ? QStringLiteral("да") : QStringLiteral("нет"),
            QString::number(s.percentStart),
            QString::number(s.percentEnd),
            s.checked() ? QString::number((s.answeredRight * 100 + s.asked / 2) / s.asked)
                        : QString(),
            s.checked() ? number(s.effectiveSpeed(SpeedUnit::Words)) : QString(),
            s.checked() ? number(s.effectiveSpeed(SpeedUnit::Signs)) : QString(),
            s.settings.extrasText(),
        };
        out += line(row);
    }
    return out.toUtf8();
}

namespace {

QString writeWhole(const QString &path, const QByteArray &data) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) < 0 || !file.commit())
        return QStringLiteral("Не удалось записать «%1»: %2.").arg(path, file.errorString());
    return {};
}

} // namespace

QString writeSessionsCsv(const QString &path, const QList<Session> &sessions) {
    return writeWhole(path, sessionsCsv(sessions));
}

QByteArray exercisesCsv(const QList<ExerciseRecord> &exercises) {
    QString out =
        line({QStringLiteral("Дата"), QStringLiteral("Упражнение"), QStringLiteral("Вид"),
              QStringLiteral("Размер"), QStringLiteral("Время, с"), QStringLiteral("Ошибки")});
    for (const ExerciseRecord &r : exercises) {
        out += line(
            {QDateTime::fromMSecsSinceEpoch(r.endedMs).toString(QStringLiteral("yyyy-MM-dd HH:mm")),
             r.exercise(), kindName(r.choice.kind), QStringLiteral("%1×%1").arg(r.choice.size),
             number(r.timeMs / 1000.0, 1), QString::number(r.errors)});
    }
    return out.toUtf8();
}

QString writeExercisesCsv(const QString &path, const QList<ExerciseRecord> &exercises) {
    return writeWhole(path, exercisesCsv(exercises));
}

} // namespace zk
