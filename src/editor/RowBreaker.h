#pragma once

#include <QFont>
#include <QFontMetricsF>
#include <QString>
#include <QTextOption>

#include <array>
#include <atomic>
#include <limits>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace zk {

// How an editor lays a paragraph out: its font, text option and line width.
struct ShownLayout {
    QFont font;
    QTextOption option;
    qreal lineWidth = 0;

    bool sameAs(const ShownLayout &other) const;
};

// Breaks paragraphs into rows exactly where Qt's text layout does, without shaping
// every character: plain text (Latin, Cyrillic and Greek letters, common marks,
// spaces) is broken from the measured widths of its words, each distinct word
// shaped once in its script and neighbourhood; any other paragraph, and any row
// whose break is not certain from those widths, is laid out by Qt. One breaker
// serves one thread.
class RowBreaker final {
public:
    explicit RowBreaker(const ShownLayout &layout);
    ~RowBreaker();
    RowBreaker(const RowBreaker &) = delete;
    RowBreaker &operator=(const RowBreaker &) = delete;

    const ShownLayout &layout() const { return m_layout; }

    // Offsets where the rows of one paragraph start; an empty paragraph has one row.
    std::vector<int> rowStarts(QStringView paragraph);
    int rowCount(QStringView paragraph);

    // Qt's own layout of a paragraph, a slice at a time so memory stays bounded.
    static std::vector<int> laidOutRowStarts(QStringView paragraph, const ShownLayout &layout,
                                             const std::atomic<bool> *cancel = nullptr);

    // A raised flag ends a long paragraph early, with rows that are to be dropped.
    void setCancel(const std::atomic<bool> *cancel) { m_cancel = cancel; }

    // Rows laid out by Qt because their break was not certain (for tests and figures).
    qint64 rowsLaidOut() const { return m_rowsLaidOut; }

private:
    struct Walk;
    static constexpr int MaxIds = 512;
    enum Kind : quint8 { Other, Space, Alnum };
    static constexpr qint32 Unknown = std::numeric_limits<qint32>::min();
    static constexpr qint32 Ligature = Unknown + 1;
    // Outcomes of laying out a row from widths, beside the position it ends at.
    static constexpr int Failed = -1;    // a character the model does not know
    static constexpr int Uncertain = -2; // Qt must decide this row

    bool breakPlain(QStringView paragraph, std::vector<int> &starts);
    int nextRow(Walk &walk);
    int laidOutRow(QStringView paragraph, int from);

    // Characters get small ids so that widths can be kept in flat tables; 0 is a
    // character the model does not know.
    int idOf(char16_t c) {
        const int id = m_ids[c];
        return id != 0 ? id : newId(c);
    }
    int newId(char16_t c);
    QString context(int script) const;
    qint64 shapedWidth(const QString &text, int from, int to, int *glyphs) const;
    qint32 advance(int script, int id) {
        const qint32 a = m_advances[static_cast<size_t>(script)][static_cast<size_t>(id)];
        return a != Unknown ? a : measureAdvance(script, id);
    }
    qint32 measureAdvance(int script, int id);
    // Advance of `first` and what kerning with `second` adds, or Ligature.
    const qint32 *stepsOf(int script);
    qint32 measureStep(int script, int first, int second);
    qint64 bearing(int id);
    // Offsets inside a word (and the space after it) where a row may end.
    const std::vector<int> &breaksInside(QStringView word, bool spaceFollows, size_t hash);
    std::vector<int> measureBreaks(QStringView word, bool spaceFollows) const;

    ShownLayout m_layout;
    QFontMetricsF m_metrics;
    // Widths are in Qt's fixed-point unit, 1/64 pixel, so sums are exact.
    qint64 m_width = 0;
    qint64 m_minBearing = 0;
    bool m_plainOption = false;
    std::vector<quint16> m_ids;
    std::vector<char16_t> m_chars;
    std::vector<quint8> m_scripts;
    std::vector<quint8> m_kinds;
    std::vector<qint32> m_bearings;
    std::array<std::array<qint32, MaxIds>, 4> m_advances;
    std::array<std::vector<qint32>, 4> m_steps;
    std::u16string m_word;
    std::unordered_map<std::u16string, std::vector<int>> m_breaks;
    struct Recent {
        const std::u16string *key = nullptr;
        const std::vector<int> *breaks = nullptr;
    };
    std::array<Recent, 1024> m_recent{};
    qint64 m_rowsLaidOut = 0;
    const std::atomic<bool> *m_cancel = nullptr;
};

} // namespace zk
