#include "journal/CsvExport.h"

#include <QDateTime>
#include <QSaveFile>
#include <QStringList>

namespace zk {

namespace {

QString field(const QString &text) {
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) &&
        !text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r')))
        return text;
    QString quoted = text;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
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
    };
    QString out = header.join(QLatin1Char(',')) + QStringLiteral("\r\n");
    for (const Session &s : sessions) {
        const QStringList row = {
            QDateTime::fromMSecsSinceEpoch(s.startedMs)
                .toString(QStringLiteral("yyyy-MM-dd HH:mm")),
            field(s.bookTitle),
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
        };
        out += row.join(QLatin1Char(',')) + QStringLiteral("\r\n");
    }
    return out.toUtf8();
}

QString writeSessionsCsv(const QString &path, const QList<Session> &sessions) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(sessionsCsv(sessions)) < 0 || !file.commit())
        return QStringLiteral("Не удалось записать «%1»: %2.").arg(path, file.errorString());
    return {};
}

} // namespace zk
