#include "display/FocusLetter.h"

#include <QFontMetricsF>

namespace zk {

qsizetype FocusLetter::index(QStringView piece) {
    qsizetype bestStart = -1;
    int bestLetters = 0;
    qsizetype start = -1;
    int letters = 0;
    for (qsizetype i = 0; i <= piece.size(); ++i) {
        if (i == piece.size() || piece.at(i) == QLatin1Char(' ')) {
            if (letters > bestLetters) {
                bestLetters = letters;
                bestStart = start;
            }
            start = -1;
            letters = 0;
            continue;
        }
        if (start < 0)
            start = i;
        letters += piece.at(i).isLetter() ? 1 : 0;
    }
    if (bestStart < 0)
        return -1;
    int wanted = letterOf(bestLetters);
    for (qsizetype i = bestStart; i < piece.size(); ++i) {
        if (piece.at(i).isLetter() && --wanted == 0)
            return i;
    }
    return -1;
}

qreal FocusLetter::textLeft(const QFontMetricsF &metrics, const QString &piece, qsizetype index,
                            qreal focusX, qreal width) {
    const qreal whole = metrics.horizontalAdvance(piece);
    if (index < 0)
        return (width - whole) / 2;
    const qreal before = metrics.horizontalAdvance(piece.left(index));
    const qreal letter = metrics.horizontalAdvance(piece.mid(index, 1));
    const qreal left = focusX - before - letter / 2;
    return std::clamp(left, 0.0, std::max(0.0, width - whole));
}

} // namespace zk
