#pragma once

#include "exercises/SchulteTable.h"
#include "journal/JournalStore.h"

#include <QAbstractButton>
#include <QDialog>
#include <QFont>

#include <functional>
#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QTimer;

namespace zk {

// One cell: a button a screen reader names by its number or letter and can press.
class SchulteCell final : public QAbstractButton {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SchulteCell)
public:
    SchulteCell(QWidget *parent, int index);
    int index() const { return m_index; }
    void display(TableKind kind, TableCell cell, bool found);
    void flash();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int m_index;
    TableCell m_cell;
    TableKind m_kind = TableKind::Numbers;
    bool m_found = false;
    bool m_flashing = false;
};

// "Таблица Шульте": a table found in order against the clock; a table found to its end
// goes into the journal, one left with Escape does not.
class SchulteWindow final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SchulteWindow)
public:
    struct Look {
        QString fontFamily;
        QColor text = Qt::white;
        QColor background = Qt::black;
    };
    using Seeds = std::function<quint32()>;

    SchulteWindow(JournalStore &store, const Clock &clock, QWidget *parent = nullptr,
                  WallClock wall = systemWallClock(), Seeds seeds = {});
    ~SchulteWindow() override;

    void setLook(const Look &look);
    // With "Приостанавливаться при потере активности": the clock stops while inactive.
    void setPauseWhenInactive(bool pause) { m_pauseWhenInactive = pause; }
    void setChoice(TableChoice choice);
    const TableRun &run() const { return *m_run; }
    QList<SchulteCell *> cells() const { return m_cells; }
    // A new table of the chosen size and kind.
    void again();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void pressed(int index);
    void answered(TableRun::Answer answer, int index);
    void layOutCells();
    void showCells();
    void showProgress();
    void finish();
    void choiceChanged();

    JournalStore &m_store;
    const Clock &m_clock;
    WallClock m_wall;
    Seeds m_seeds;
    Look m_look;
    bool m_pauseWhenInactive = false;
    std::unique_ptr<TableRun> m_run;
    QString m_typed;

    QComboBox *m_size;
    QComboBox *m_kind;
    QCheckBox *m_markFound;
    QCheckBox *m_hint;
    QWidget *m_board;
    QWidget *m_dot;
    QList<SchulteCell *> m_cells;
    QLabel *m_progress;
    QLabel *m_result;
    QPushButton *m_again;
    QTimer *m_tick;
};

} // namespace zk
