#include "journal/SessionTableModel.h"

#include <QDateTime>
#include <QHash>
#include <QLocale>

#include <algorithm>

namespace zk {

QString minutesText(qint64 ms) {
    const qint64 seconds = (ms + 500) / 1000;
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

QString perMinuteShort(SpeedUnit unit) {
    return unit == SpeedUnit::Words ? QStringLiteral("сл/мин") : QStringLiteral("зн/мин");
}

QString noBookTitle() {
    return QStringLiteral("Текст из редактора");
}

void SessionTableModel::setSessions(QList<Session> sessions) {
    beginResetModel();
    m_sessions = std::move(sessions);
    sortRows();
    endResetModel();
}

void SessionTableModel::sort(int column, Qt::SortOrder order) {
    m_sortColumn = column;
    m_sortOrder = order;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    // The chosen rows stay chosen: persistent indexes follow their sessions.
    const QModelIndexList before = persistentIndexList();
    QList<qint64> ids;
    for (const QModelIndex &index : before)
        ids.append(m_sessions.at(index.row()).id);
    sortRows();
    QHash<qint64, int> rowOf;
    for (int row = 0; row < m_sessions.size(); ++row)
        rowOf.insert(m_sessions.at(row).id, row);
    QModelIndexList after;
    for (int i = 0; i < before.size(); ++i)
        after.append(index(rowOf.value(ids.at(i)), before.at(i).column()));
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void SessionTableModel::sortRows() {
    const auto by = [this](auto key) {
        const bool ascending = m_sortOrder == Qt::AscendingOrder;
        std::stable_sort(m_sessions.begin(), m_sessions.end(),
                         [&key, ascending](const Session &a, const Session &b) {
                             return ascending ? key(a) < key(b) : key(b) < key(a);
                         });
    };
    switch (m_sortColumn) {
    case Book:
        by([](const Session &s) { return s.bookId != 0 ? s.bookTitle : noBookTitle(); });
        break;
    case Minutes:
        by([](const Session &s) { return s.readingMs; });
        break;
    case Speed:
        by([this](const Session &s) { return s.realSpeed(m_unit); });
        break;
    case Nominal:
        by([this](const Session &s) { return s.nominalSpeed(m_unit); });
        break;
    case Settings:
        by([](const Session &s) { return std::pair(s.settings.delayMs, s.settings.rowLength); });
        break;
    case Understanding:
        by([](const Session &s) { return s.checked() ? double(s.answeredRight) / s.asked : -1.0; });
        break;
    default:
        by([](const Session &s) { return s.startedMs; });
        break;
    }
}

void SessionTableModel::setUnit(SpeedUnit unit) {
    if (unit == m_unit)
        return;
    beginResetModel();
    m_unit = unit;
    sortRows();
    endResetModel();
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
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return {};
    // Figures out of range are not shown.
    if (!s.intact && column != Book && (column != Date || s.startedMs == 0))
        return QStringLiteral("—");
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
    case Understanding:
        return s.understandingText();
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
            return QStringLiteral("Реальная скорость: %1 за минуту чтения, без приостановок")
                .arg(m_unit == SpeedUnit::Words ? QStringLiteral("слов")
                                                : QStringLiteral("знаков"));
        if (section == Nominal)
            return QStringLiteral("Номинальная скорость: что обещает задержка без пауз");
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
        return QStringLiteral("Скорость, %1").arg(perMinuteShort(m_unit));
    case Nominal:
        return QStringLiteral("Номинал, %1").arg(perMinuteShort(m_unit));
    case Settings:
        return QStringLiteral("Настройки");
    case Understanding:
        return QStringLiteral("Понимание");
    default:
        return {};
    }
}

} // namespace zk
