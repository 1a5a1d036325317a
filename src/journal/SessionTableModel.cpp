#include "journal/SessionTableModel.h"

#include <QDateTime>
#include <QLocale>

namespace zk {

QString minutesText(qint64 ms) {
    return QLocale(QLocale::Russian).toString(static_cast<double>(ms) / 60000.0, 'f', 1);
}

QString noBookTitle() {
    return QStringLiteral("Текст из редактора");
}

void SessionTableModel::setSessions(QList<Session> sessions) {
    beginResetModel();
    m_sessions = std::move(sessions);
    endResetModel();
}

void SessionTableModel::setUnit(SpeedUnit unit) {
    if (unit == m_unit)
        return;
    m_unit = unit;
    emit headerDataChanged(Qt::Horizontal, Speed, Nominal);
    if (!m_sessions.isEmpty())
        emit dataChanged(index(0, Speed), index(rowCount() - 1, Nominal));
}

int SessionTableModel::rowCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_sessions.size());
}

int SessionTableModel::columnCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant SessionTableModel::data(const QModelIndex &index, int role) const {
    if (!index.isValid() || index.row() >= m_sessions.size())
        return {};
    const Session &s = m_sessions.at(index.row());
    const auto column = static_cast<Column>(index.column());
    if (role == Qt::TextAlignmentRole) {
        const bool numeric = column == Minutes || column == Speed || column == Nominal;
        return QVariant::fromValue(Qt::AlignVCenter | (numeric ? Qt::AlignRight : Qt::AlignLeft));
    }
    if (role == SortRole) {
        switch (column) {
        case Date:
            return s.startedMs;
        case Book:
            return s.bookTitle.toLower();
        case Minutes:
            return s.readingMs;
        case Speed:
            return s.realSpeed(m_unit);
        case Nominal:
            return s.nominalSpeed(m_unit);
        case Settings:
            return s.settings.delayMs;
        case ColumnCount:
            break;
        }
        return {};
    }
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return {};
    switch (column) {
    case Date:
        return QDateTime::fromMSecsSinceEpoch(s.startedMs).toString(u"dd.MM.yyyy  HH:mm");
    case Book:
        return s.bookId != 0 ? s.bookTitle : noBookTitle();
    case Minutes:
        return minutesText(s.readingMs);
    case Speed:
        return qRound(s.realSpeed(m_unit));
    case Nominal:
        return qRound(s.nominalSpeed(m_unit));
    case Settings:
        return s.settings.text();
    case ColumnCount:
        break;
    }
    return {};
}

QVariant SessionTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal)
        return {};
    if (role == Qt::ToolTipRole) {
        if (section == Speed)
            return QStringLiteral("Показано за минуту чтения, без времени приостановок");
        if (section == Nominal)
            return QStringLiteral("Что обещает задержка без пауз");
        return {};
    }
    if (role != Qt::DisplayRole)
        return {};
    switch (section) {
    case Date:
        return QStringLiteral("Дата");
    case Book:
        return QStringLiteral("Книга");
    case Minutes:
        return QStringLiteral("Минуты");
    case Speed:
        return QStringLiteral("Скорость, %1").arg(perMinuteText(m_unit));
    case Nominal:
        return QStringLiteral("Номинальная");
    case Settings:
        return QStringLiteral("Настройки");
    default:
        return {};
    }
}

} // namespace zk
