#pragma once

#include "journal/Session.h"

#include <QAbstractTableModel>
#include <QList>

namespace zk {

// Sessions as table rows. Qt::UserRole gives the raw value columns sort by.
class SessionTableModel final : public QAbstractTableModel {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SessionTableModel)
public:
    enum Column { Date, Book, Minutes, Speed, Nominal, Settings, ColumnCount };
    static constexpr int SortRole = Qt::UserRole;

    explicit SessionTableModel(QObject *parent = nullptr) : QAbstractTableModel(parent) {}

    void setSessions(QList<Session> sessions);
    void setUnit(SpeedUnit unit);
    const Session &session(int row) const { return m_sessions.at(row); }
    const QList<Session> &sessions() const { return m_sessions; }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    QList<Session> m_sessions;
    SpeedUnit m_unit = SpeedUnit::Signs;
};

// Minutes with one decimal, Russian style: "12,5".
QString minutesText(qint64 ms);
QString noBookTitle();

} // namespace zk
