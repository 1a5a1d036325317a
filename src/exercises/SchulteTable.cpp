#include "exercises/SchulteTable.h"

#include <algorithm>

namespace zk {

namespace {

constexpr QStringView kAlphabet = u"АБВГДЕЁЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ";

} // namespace

bool TableChoice::valid() const {
    switch (kind) {
    case TableKind::Numbers:
        return size >= MinSize && size <= MaxSize;
    case TableKind::Letters:
        return size >= MinSize && size <= MaxLetterSize;
    case TableKind::Gorbov:
        return size == GorbovSize;
    }
    return false;
}

QString kindName(TableKind kind) {
    switch (kind) {
    case TableKind::Numbers:
        return QStringLiteral("Числа");
    case TableKind::Letters:
        return QStringLiteral("Буквы");
    case TableKind::Gorbov:
        return QStringLiteral("Горбов");
    }
    return {};
}

QString cellLabel(TableKind kind, TableCell cell) {
    if (kind == TableKind::Letters)
        return cell.value >= 1 && cell.value <= kAlphabet.size()
                   ? kAlphabet.mid(cell.value - 1, 1).toString()
                   : QString();
    return QString::number(cell.value);
}

QList<TableCell> targetOrder(TableChoice choice) {
    QList<TableCell> order;
    if (!choice.valid())
        return order;
    if (choice.kind == TableKind::Gorbov) {
        const int black = choice.cellCount() / 2; // 24
        const int red = black + 1;                // 25
        for (int i = 1; i <= black; ++i)
            order << TableCell{i, false} << TableCell{red + 1 - i, true};
        order << TableCell{1, true};
        return order;
    }
    for (int i = 1; i <= choice.cellCount(); ++i)
        order << TableCell{i, false};
    return order;
}

QList<TableCell> shuffledCells(TableChoice choice, QRandomGenerator &random) {
    QList<TableCell> cells = targetOrder(choice);
    for (qsizetype i = cells.size() - 1; i > 0; --i)
        std::swap(cells[i], cells[random.bounded(i + 1)]);
    return cells;
}

QString secondsText(qint64 ms) {
    const qint64 tenths = (std::max<qint64>(ms, 0) + 50) / 100;
    return QStringLiteral("%1,%2 с").arg(tenths / 10).arg(tenths % 10);
}

qint64 medianMs(QList<qint64> values) {
    if (values.isEmpty())
        return 0;
    std::sort(values.begin(), values.end());
    const qsizetype mid = values.size() / 2;
    return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

QString comparisonText(qint64 ms, const QList<qint64> &earlier) {
    if (earlier.isEmpty())
        return {};
    const qint64 usual = medianMs(earlier);
    // Equal once rounded to the tenth that is shown.
    if ((ms + 50) / 100 == (usual + 50) / 100)
        return QStringLiteral("как обычно");
    return ms < usual ? QStringLiteral("быстрее обычного на %1").arg(secondsText(usual - ms))
                      : QStringLiteral("медленнее обычного на %1").arg(secondsText(ms - usual));
}

TableRun::TableRun(TableChoice choice, const Clock &clock, quint32 seed)
    : m_choice(choice), m_clock(clock) {
    QRandomGenerator random(seed);
    m_cells = shuffledCells(choice, random);
    m_order = targetOrder(choice);
    m_found = QList<bool>(m_cells.size(), false);
}

std::optional<TableCell> TableRun::target() const {
    if (finished())
        return std::nullopt;
    return m_order[m_next];
}

qint64 TableRun::elapsedMs() const {
    if (!started())
        return 0;
    const qint64 end = m_endMs >= 0 ? m_endMs : m_pausedAt >= 0 ? m_pausedAt : m_clock.nowMs();
    return std::max<qint64>(0, end - m_startMs - m_pausedMs);
}

TableRun::Answer TableRun::press(int index) {
    if (index < 0 || index >= m_cells.size())
        return Answer::Ignored;
    return answer(index);
}

TableRun::Answer TableRun::type(const QString &text) {
    const std::optional<TableCell> wanted = target();
    if (!wanted || text.trimmed().isEmpty())
        return Answer::Ignored;
    const QString typed = text.trimmed().toUpper();
    if (typed == cellLabel(m_choice.kind, *wanted))
        return answer(static_cast<int>(m_cells.indexOf(*wanted)));
    return answer(std::nullopt);
}

TableRun::Answer TableRun::answer(std::optional<int> index) {
    if (finished() || paused())
        return Answer::Ignored;
    if (!started())
        m_startMs = m_clock.nowMs();
    if (!index || m_cells[*index] != m_order[m_next]) {
        // Pressing a cell found before is no mistake of the search.
        if (index && m_found[*index])
            return Answer::Ignored;
        ++m_errors;
        return Answer::Wrong;
    }
    m_found[*index] = true;
    if (++m_next == m_order.size())
        m_endMs = m_clock.nowMs();
    return Answer::Right;
}

void TableRun::setPaused(bool paused) {
    if (!started() || finished() || paused == this->paused())
        return;
    if (paused) {
        m_pausedAt = m_clock.nowMs();
    } else {
        m_pausedMs += m_clock.nowMs() - m_pausedAt;
        m_pausedAt = -1;
    }
}

} // namespace zk
