#pragma once

#include <QString>

class QFontMetricsF;

namespace zk {

// "Опорная буква": the letter a reader's eye rests on, about a third into the
// piece's longest word, kept at one point of every row and tick.
class FocusLetter final {
public:
    // 1-based letter of a word of `letters` letters: the 2nd of 5, the 3rd of 9, the 4th of 13.
    static int letterOf(int letters) { return letters / 4 + 1; }
    // Where that letter stands in the piece, in UTF-16 units; -1 for a piece without letters.
    static qsizetype index(QStringView piece);
    // The left edge of the piece that puts the letter's middle at focusX; a piece that would
    // then cross an edge of a row `width` wide is moved back inside.
    static qreal textLeft(const QFontMetricsF &metrics, const QString &piece, qsizetype index,
                          qreal focusX, qreal width);
};

} // namespace zk
