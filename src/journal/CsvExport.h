#pragma once

#include "journal/JournalStore.h"

#include <QList>
#include <QString>

namespace zk {

// Sessions as RFC 4180 CSV: UTF-8, a header row, CR LF line ends, quoted where needed.
QByteArray sessionsCsv(const QList<Session> &sessions);
// Written whole or not at all; an empty string on success, else the reason.
QString writeSessionsCsv(const QString &path, const QList<Session> &sessions);

QByteArray exercisesCsv(const QList<ExerciseRecord> &exercises);
QString writeExercisesCsv(const QString &path, const QList<ExerciseRecord> &exercises);

} // namespace zk
