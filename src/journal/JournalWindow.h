#pragma once

#include "journal/JournalStore.h"

#include <QWidget>

#include <functional>

class QLabel;
class QPushButton;
class QRadioButton;
class QTableView;
class QTableWidget;

namespace zk {

class DailyChartView;
class ExerciseChartView;
class SessionTableModel;
class SpeedChartView;

// "Дневник тренировок": charts of speed and reading time, the sessions and
// the books read. Non-modal; it reads the store only in refresh().
class JournalWindow final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(JournalWindow)
public:
    enum class Period { Week, Month, All };

    // Answers tests can give instead of the dialogs.
    struct Prompts {
        std::function<QString(QWidget *parent, const QString &suggested)> csvPath;
        std::function<bool(QWidget *parent, int sessions)> confirmRemoval;
    };

    explicit JournalWindow(JournalStore &store, QWidget *parent = nullptr,
                           WallClock wall = systemWallClock());
    ~JournalWindow() override;

    void setPrompts(Prompts prompts) { m_prompts = std::move(prompts); }
    // Follows the statistics bar: words or signs per minute.
    void setSpeedUnit(SpeedUnit unit);
    void setPeriod(Period period);
    Period period() const { return m_period; }
    // Reads the journal again; the main window calls it when a session ends.
    void refresh();

    // The sessions of the chosen period, oldest first.
    const QList<Session> &periodSessions() const { return m_periodSessions; }

    // The exercises of the chosen period, oldest first.
    const QList<ExerciseRecord> &periodExercises() const { return m_periodExercises; }

    void removeChosenSessions();
    void exportCsv();
    void exportExercisesCsv();

signals:
    // A double-click on a book of "Книги": open it where it was left.
    void bookChosen(qint64 bookId);

protected:
    void hideEvent(QHideEvent *event) override;

private:
    void rememberPlace();
    QDate firstDay() const;
    qint64 periodStart() const;
    void showPeriod();
    void showWorkingSpeed();
    void showBooks();
    void showExercises(qint64 from, qint64 to);
    void fitColumns();
    void showStatus(const QString &extra = {});
    void updateButtons();

    JournalStore &m_store;
    WallClock m_wall;
    Prompts m_prompts;
    SpeedUnit m_unit = SpeedUnit::Signs;
    Period m_period = Period::Month;
    QList<Session> m_sessions; // since m_loadedFrom, oldest first
    qint64 m_loadedFrom = 0;
    QList<Session> m_periodSessions;
    QList<BookTotals> m_books;
    QList<ExerciseRecord> m_exercises; // since m_loadedFrom
    QList<ExerciseRecord> m_periodExercises;

    SpeedChartView *m_speedChart;
    DailyChartView *m_dailyChart;
    SessionTableModel *m_model;
    QTableView *m_table;
    QTableWidget *m_bookTable;
    ExerciseChartView *m_exerciseChart;
    QTableWidget *m_exerciseTable;
    QPushButton *m_exerciseExport;
    QLabel *m_summary;
    QLabel *m_workingSpeed;
    QLabel *m_status;
    QPushButton *m_remove;
    QPushButton *m_export;
    QRadioButton *m_periodButtons[3];
};

} // namespace zk
