#pragma once

#include "display/Clock.h"

#include <QList>
#include <QRandomGenerator>
#include <QString>

#include <optional>

namespace zk {

enum class TableKind { Numbers = 0, Letters = 1, Gorbov = 2 };

struct TableChoice {
    static constexpr int MinSize = 3;
    static constexpr int MaxSize = 7;
    static constexpr int MaxLetterSize = 5; // 25 of the 33 letters; 36 would not fit
    static constexpr int GorbovSize = 7;

    TableKind kind = TableKind::Numbers;
    int size = 5;

    bool valid() const;
    int cellCount() const { return size * size; }
    bool operator==(const TableChoice &) const = default;
};

// What a cell shows: a number (or the letter of that place in the alphabet), red or black.
struct TableCell {
    int value = 0; // from 1
    bool red = false;
    bool operator==(const TableCell &) const = default;
};

QString kindName(TableKind kind);
QString cellLabel(TableKind kind, TableCell cell);
// The cells in the order they are to be found; the Gorbov table alternates black
// ascending and red descending: 1 black, 25 red, 2 black, 24 red … 24 black, 2 red, 1 red.
QList<TableCell> targetOrder(TableChoice choice);
// The same cells laid out row by row, in a uniform (Fisher-Yates) order.
QList<TableCell> shuffledCells(TableChoice choice, QRandomGenerator &random);

// "12,4 с": seconds with tenths, the decimal comma.
QString secondsText(qint64 ms);
qint64 medianMs(QList<qint64> values);
// Against the median of the earlier runs: "быстрее обычного на 3,2 с"; empty without any.
QString comparisonText(qint64 ms, const QList<qint64> &earlier);

// One table being found: the clock starts at the first answer and stands still while
// the run is paused (the program inactive).
class TableRun final {
public:
    enum class Answer { Right, Wrong, Ignored };

    TableRun(TableChoice choice, const Clock &clock, quint32 seed);

    TableChoice choice() const { return m_choice; }
    const QList<TableCell> &cells() const { return m_cells; }
    // Where the cells found so far are.
    bool isFound(int index) const { return m_found.value(index); }
    std::optional<TableCell> target() const;
    bool started() const { return m_startMs >= 0; }
    bool finished() const { return m_next == m_order.size(); }
    TableCell lastFound() const { return m_next > 0 ? m_order[m_next - 1] : TableCell{}; }
    int errors() const { return m_errors; }
    qint64 elapsedMs() const;

    Answer press(int index);
    // What the keyboard typed, the number or the letter; red or black is the target's.
    Answer type(const QString &text);
    void setPaused(bool paused);
    bool paused() const { return m_pausedAt >= 0; }

private:
    Answer answer(std::optional<int> index);

    TableChoice m_choice;
    const Clock &m_clock;
    QList<TableCell> m_cells;
    QList<TableCell> m_order;
    QList<bool> m_found;
    qsizetype m_next = 0;
    int m_errors = 0;
    qint64 m_startMs = -1;
    qint64 m_endMs = -1;
    qint64 m_pausedAt = -1;
    qint64 m_pausedMs = 0;
};

} // namespace zk
