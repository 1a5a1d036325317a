#pragma once

#include "journal/Session.h"

#include <QAbstractTableModel>
#include <QList>

namespace zk {

// Sessions as table rows, sorted by the model itself: a proxy asking every
// comparison through QVariant is too slow for years of sessions.
class SessionTableModel final : public QAbstractTableModel {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SessionTableModel)
public:
    enum Column { Date, Book, Minutes, Speed, Nominal, Settings, Understanding, ColumnCount };
    explicit SessionTableModel(QObject *parent = nullptr) : QAbstractTableModel(parent) {}

    void setSessions(QList<Session> sessions);
    void setUnit(SpeedUnit unit);
    const Session &session(int row) const { return m_sessions.at(row); }
    const QList<Session> &sessions() const { return m_sessions; }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

private:
    void sortRows();

    QList<Session> m_sessions;
    SpeedUnit m_unit = SpeedUnit::Signs;
    int m_sortColumn = Date;
    Qt::SortOrder m_sortOrder = Qt::DescendingOrder;
};

// Minutes and seconds of reading: "0:24", "12:30".
QString minutesText(qint64 ms);
QString noBookTitle();
// "сл/мин" or "зн/мин" where room is short.
QString perMinuteShort(SpeedUnit unit);

} // namespace zk
