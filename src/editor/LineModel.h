#pragma once

#include <QString>

#include <functional>
#include <vector>

namespace zk {

// Lines of a text as a very wide editor lays them out: broken at hard line
// breaks, and wrapped only where a paragraph is wider than the layout. Queries
// cost O(1) or O(log n); the model is rebuilt in one pass when the text changes.
class LineModel final {
public:
    // Returns the lengths of the rows a long paragraph wraps into.
    using Breaker = std::function<std::vector<int>(QStringView paragraph)>;

    // Text as the editor holds it: "\n", U+2028 and U+2029 break lines.
    void setText(const QString &text);
    // Text added at the end; only the last paragraph and what follows are laid out again.
    void append(QStringView text);
    // Gives back the room kept for more text.
    void squeeze() { m_text.squeeze(); }
    // Paragraphs longer than `minLengthToWrap` characters are handed to `breaker`.
    void setBreaker(Breaker breaker, int minLengthToWrap);

    const QString &text() const { return m_text; }
    // A last line that is empty is not counted, so an empty text has 0 lines.
    int lineCount() const;
    // A line outside the text reads as empty.
    QString line(int index) const;
    QStringView lineView(int index) const;
    int lineStart(int index) const;
    // Line that holds character position `pos` (clamped to the text).
    int lineOfPosition(int pos) const;

private:
    void build() const;
    // Lines from the paragraph that starts at `from` to the end.
    void buildFrom(int from) const;

    QString m_text;
    Breaker m_breaker;
    int m_minLengthToWrap = 0;
    mutable bool m_dirty = true;
    mutable std::vector<int> m_starts;
    mutable std::vector<int> m_ends;
};

} // namespace zk
