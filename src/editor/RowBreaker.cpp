#include "editor/RowBreaker.h"

#include <QGlyphRun>
#include <QTextBoundaryFinder>
#include <QTextLayout>

#include <algorithm>
#include <limits>

namespace zk {

bool ShownLayout::sameAs(const ShownLayout &other) const {
    return font == other.font && lineWidth == other.lineWidth &&
           option.wrapMode() == other.option.wrapMode() && option.flags() == other.option.flags() &&
           option.tabStopDistance() == other.option.tabStopDistance() &&
           option.textDirection() == other.option.textDirection();
}

namespace {

// Qt shapes a paragraph in items of one script and at most this many characters;
// no kerning reaches across an item's end.
constexpr int MaxItemLength = 4096;

// Qt's fixed-point conversion: 1/64 pixel, truncated.
qint64 fixed(qreal r) {
    return static_cast<qint64>(static_cast<int>(r * 64.0));
}

// Scripts the model handles: 0 is Common (spaces, digits, marks), which takes the
// script of the text before it.
int scriptIndex(QChar::Script s) {
    switch (s) {
    case QChar::Script_Common:
        return 0;
    case QChar::Script_Latin:
        return 1;
    case QChar::Script_Cyrillic:
        return 2;
    case QChar::Script_Greek:
        return 3;
    default:
        return -1;
    }
}

const char16_t ContextLetter[] = {0, u'x', u'ж', u'ω'};

// Characters whose shaping and breaking the model knows: no marks, no controls, no
// special spaces, hyphens or separators.
bool plainCharacter(char16_t c) {
    return (c >= 0x20 && c <= 0x7E) || (c >= 0xA1 && c <= 0x24F && c != 0xAD) ||
           (c >= 0x386 && c <= 0x3CE) || (c >= 0x400 && c <= 0x482) || (c >= 0x48A && c <= 0x4FF) ||
           (c >= 0x2010 && c <= 0x2027) || (c >= 0x2030 && c <= 0x205E) || c == 0x2116 ||
           c == 0x2122 || c == 0x20AC;
}

bool optionIsPlain(const QTextOption &o) {
    constexpr auto special =
        QTextOption::ShowTabsAndSpaces | QTextOption::ShowLineAndParagraphSeparators |
        QTextOption::IncludeTrailingSpaces | QTextOption::ShowDocumentTerminator;
    return o.wrapMode() == QTextOption::WrapAtWordBoundaryOrAnywhere && !(o.flags() & special) &&
           o.textDirection() != Qt::RightToLeft;
}

} // namespace

RowBreaker::RowBreaker(const ShownLayout &layout)
    : m_layout(layout), m_metrics(layout.font), m_width(fixed(layout.lineWidth)),
      m_minBearing(-std::min<qint64>(0, fixed(m_metrics.minRightBearing()))), m_ids(0x10000, 0),
      m_chars(1, 0), m_scripts(1, 0), m_kinds(1, 0), m_bearings(1, Unknown) {
    for (auto &advances : m_advances)
        advances.fill(Unknown);
    m_plainOption = optionIsPlain(layout.option);
}

RowBreaker::~RowBreaker() = default;

std::vector<int> RowBreaker::laidOutRowStarts(QStringView paragraph, const ShownLayout &g,
                                              const std::atomic<bool> *cancel) {
    // A long paragraph is laid out a slice at a time, keeping the rows that end inside
    // the slice, so memory stays bounded whatever its length.
    constexpr qsizetype Slice = 1 << 16;
    std::vector<int> starts{0};
    qsizetype at = 0;
    while (at < paragraph.size() && !(cancel && cancel->load(std::memory_order_relaxed))) {
        const qsizetype length = std::min(Slice, paragraph.size() - at);
        const bool last = at + length == paragraph.size();
        QTextLayout layout(paragraph.sliced(at, length).toString(), g.font);
        layout.setTextOption(g.option);
        layout.setCacheEnabled(false);
        std::vector<int> rows;
        layout.beginLayout();
        for (;;) {
            QTextLine line = layout.createLine();
            if (!line.isValid())
                break;
            line.setLineWidth(g.lineWidth);
            rows.push_back(line.textLength());
        }
        layout.endLayout();
        // The slice's last row may go on beyond it: it is laid out again with what follows.
        if (!last && rows.size() > 1)
            rows.pop_back();
        for (int r : rows) {
            at += r;
            if (at < paragraph.size() && r > 0)
                starts.push_back(static_cast<int>(at));
        }
        if (rows.empty())
            break;
    }
    return starts;
}

int RowBreaker::rowCount(QStringView paragraph) {
    return static_cast<int>(rowStarts(paragraph).size());
}

std::vector<int> RowBreaker::rowStarts(QStringView paragraph) {
    std::vector<int> starts{0};
    if (m_plainOption && breakPlain(paragraph, starts))
        return starts;
    return laidOutRowStarts(paragraph, m_layout, m_cancel);
}

// --- Character properties and measured widths --------------------------------

int RowBreaker::newId(char16_t c) {
    int id = 0;
    if (!plainCharacter(c) || m_chars.size() >= MaxIds)
        return 0;
    const int script = scriptIndex(QChar::script(c));
    if (script < 0)
        return 0;
    id = static_cast<int>(m_chars.size());
    m_ids[c] = static_cast<quint16>(id);
    m_chars.push_back(c);
    m_scripts.push_back(static_cast<quint8>(script));
    const QChar ch(c);
    m_kinds.push_back(c == u' ' ? Space : ch.isLetterOrNumber() ? Alnum : Other);
    m_bearings.push_back(Unknown);
    return id;
}

// Width from `from` to `to` of `text` shaped as Qt shapes it, in 1/64 pixel; with the
// number of glyphs there, to see ligatures.
qint64 RowBreaker::shapedWidth(const QString &text, int from, int to, int *glyphs) const {
    QTextLayout layout(text, m_layout.font);
    QTextOption option = m_layout.option;
    option.setWrapMode(QTextOption::NoWrap);
    option.setAlignment(Qt::AlignLeft);
    layout.setTextOption(option);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    line.setLineWidth(1e6);
    layout.endLayout();
    if (glyphs) {
        *glyphs = 0;
        for (const QGlyphRun &run : layout.glyphRuns(from, to - from))
            *glyphs += static_cast<int>(run.glyphIndexes().size());
    }
    return qRound64(line.cursorToX(to) * 64) - qRound64(line.cursorToX(from) * 64);
}

QString RowBreaker::context(int script) const {
    // A letter of the script and a space before the measured text give it the
    // script Qt resolves for it in the paragraph.
    return script == 0 ? QString() : QString(QChar(ContextLetter[script])) + QLatin1Char(' ');
}

qint32 RowBreaker::measureAdvance(int script, int id) {
    const QString text = context(script) + QChar(m_chars[static_cast<size_t>(id)]);
    const qint32 a = static_cast<qint32>(shapedWidth(text, static_cast<int>(text.size()) - 1,
                                                     static_cast<int>(text.size()), nullptr));
    m_advances[static_cast<size_t>(script)][static_cast<size_t>(id)] = a;
    return a;
}

const qint32 *RowBreaker::stepsOf(int script) {
    std::vector<qint32> &steps = m_steps[static_cast<size_t>(script)];
    if (steps.empty())
        steps.assign(static_cast<size_t>(MaxIds) * MaxIds, Unknown);
    return steps.data();
}

qint32 RowBreaker::measureStep(int script, int first, int second) {
    const QString text = context(script) + QChar(m_chars[static_cast<size_t>(first)]) +
                         QChar(m_chars[static_cast<size_t>(second)]);
    const int end = static_cast<int>(text.size());
    int glyphs = 0;
    const qint64 both = shapedWidth(text, end - 2, end, &glyphs);
    const qint32 step =
        glyphs != 2 ? Ligature : static_cast<qint32>(both - advance(script, second));
    m_steps[static_cast<size_t>(script)]
           [static_cast<size_t>(first) * MaxIds + static_cast<size_t>(second)] = step;
    return step;
}

qint64 RowBreaker::bearing(int id) {
    qint32 &b = m_bearings[static_cast<size_t>(id)];
    if (b == Unknown)
        b = static_cast<qint32>(-std::min<qint64>(
            0, fixed(m_metrics.rightBearing(QChar(m_chars[static_cast<size_t>(id)])))));
    return b;
}

const std::vector<int> &RowBreaker::breaksInside(QStringView word, bool spaceFollows, size_t hash) {
    // A direct-mapped cache in front of the map: a word seen before costs one compare.
    Recent &recent = m_recent[(hash * 2 + (spaceFollows ? 1 : 0)) % m_recent.size()];
    const size_t size = static_cast<size_t>(word.size()) + (spaceFollows ? 1 : 0);
    if (recent.key && recent.key->size() == size && (!spaceFollows || recent.key->back() == u' ') &&
        std::equal(word.begin(), word.end(), recent.key->begin(),
                   [](QChar a, char16_t b) { return a.unicode() == b; }))
        return *recent.breaks;
    // One buffer for the key: most words are found, and need no allocation.
    m_word.assign(reinterpret_cast<const char16_t *>(word.data()),
                  static_cast<size_t>(word.size()));
    if (spaceFollows)
        m_word += u' ';
    auto it = m_breaks.find(m_word);
    if (it == m_breaks.end())
        it = m_breaks.emplace(m_word, measureBreaks(word, spaceFollows)).first;
    recent = Recent{&it->first, &it->second};
    return it->second;
}

std::vector<int> RowBreaker::measureBreaks(QStringView word, bool spaceFollows) const {
    const QString text =
        context(1) + word.toString() + (spaceFollows ? QStringLiteral(" ") : QString());
    const int offset = static_cast<int>(context(1).size());
    std::vector<int> breaks;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Line, text);
    finder.setPosition(offset);
    for (qsizetype at = finder.toNextBoundary(); at > 0 && at < offset + word.size();
         at = finder.toNextBoundary())
        breaks.push_back(static_cast<int>(at) - offset);
    return breaks;
}

// --- Breaking ---------------------------------------------------------------------

// Walks the paragraph a character at a time, knowing Qt's items, and yields the
// advance each character has once shaped: its own and what kerning with the next
// character of its item adds.
struct RowBreaker::Walk {
    RowBreaker *breaker;
    QStringView text;
    int pos = 0;
    int script = 0; // of the run the walk is in
    int itemStart = 0;
    int nextId = 0; // id of the character at pos
    bool ligature = false;
    const qint32 *steps = nullptr; // of the run's script

    bool begin() {
        // Leading common characters take the script of the first letter.
        for (QChar c : text) {
            const int s = scriptIndex(c.script());
            if (s > 0) {
                script = s;
                break;
            }
        }
        steps = breaker->stepsOf(script);
        nextId = text.isEmpty() ? 0 : breaker->idOf(text[0].unicode());
        return text.isEmpty() || nextId != 0;
    }

    // Advance of the character at pos, then moves on; false on a character the model
    // does not know.
    Q_ALWAYS_INLINE bool step(qint64 &advance) {
        const int id = nextId;
        const int next = pos + 1;
        if (next < text.size()) {
            nextId = breaker->idOf(text[next].unicode());
            if (nextId == 0)
                return false;
            const int nextScript = breaker->m_scripts[static_cast<size_t>(nextId)];
            const bool newRun = nextScript != 0 && nextScript != script;
            if (newRun || next - itemStart >= MaxItemLength) {
                advance = breaker->advance(script, id);
                itemStart = next;
                if (newRun) {
                    script = nextScript;
                    steps = breaker->stepsOf(script);
                }
            } else {
                qint32 s = steps[static_cast<size_t>(id) * MaxIds + static_cast<size_t>(nextId)];
                if (s == Unknown)
                    s = breaker->measureStep(script, id, nextId);
                if (s == Ligature) {
                    ligature = true;
                    advance = breaker->advance(script, id);
                } else {
                    advance = s;
                }
            }
        } else {
            advance = breaker->advance(script, id);
        }
        pos = next;
        return true;
    }

    int kind() const { return breaker->m_kinds[static_cast<size_t>(nextId)]; }
};

bool RowBreaker::breakPlain(QStringView paragraph, std::vector<int> &starts) {
    Walk walk{this, paragraph};
    if (!walk.begin())
        return false;
    const int n = static_cast<int>(paragraph.size());
    while (walk.pos < n) {
        if (m_cancel && m_cancel->load(std::memory_order_relaxed))
            return true;
        const Walk rowStart = walk;
        const int end = nextRow(walk);
        if (end == Failed)
            return false;
        if (end == Uncertain) {
            // Qt decides this row; the walk goes on from where it ends.
            ++m_rowsLaidOut;
            const int rowEnd = laidOutRow(paragraph, rowStart.pos);
            walk = rowStart;
            qint64 ignored = 0;
            while (walk.pos < rowEnd) {
                if (!walk.step(ignored))
                    return false;
            }
        }
        if (walk.pos < n)
            starts.push_back(walk.pos);
    }
    return true;
}

// Lays one row out the way Qt's line breaking does, from widths: words grow a row
// while the row, the spaces before the word and the word (with the overhang of its
// last glyph where Qt looks at it) fit the width; a row whose first word is wider
// is broken anywhere. Leaves the walk at the start of the next row.
int RowBreaker::nextRow(Walk &walk) {
    const int n = static_cast<int>(walk.text.size());
    const Walk row = walk;
    for (const bool anywhere : {false, true}) {
        walk = row;
        walk.ligature = false;
        qint64 line = 0;
        qint64 spaces = 0;
        bool lineHasText = false;
        bool tooWide = false;
        int lastId = 0;
        while (walk.pos < n && !tooWide) {
            if (walk.kind() == Space) {
                // Qt gathers spaces to the end of an item; spaces wider than the row
                // end it in a way not modelled here.
                while (walk.pos < n && walk.kind() == Space) {
                    qint64 a = 0;
                    if (!walk.step(a))
                        return Failed;
                    spaces += a;
                }
                if (spaces > m_width)
                    return Uncertain;
                continue;
            }
            // A word up to the next space: its parts end at its break opportunities,
            // or after every character when breaking anywhere.
            const int wordStart = walk.pos;
            int wordEnd = wordStart;
            bool alnum = true;
            size_t hash = 0;
            while (wordEnd < n && walk.text[wordEnd] != u' ') {
                const char16_t c = walk.text[wordEnd].unicode();
                alnum = alnum && m_kinds[m_ids[c]] == Alnum;
                hash = hash * 31 + c;
                ++wordEnd;
            }
            const std::vector<int> *cuts = nullptr;
            if (!anywhere && !alnum)
                cuts = &breaksInside(walk.text.sliced(wordStart, wordEnd - wordStart), wordEnd < n,
                                     hash);
            size_t cut = 0;
            while (walk.pos < wordEnd) {
                int segmentEnd = wordEnd;
                if (anywhere)
                    segmentEnd = walk.pos + 1;
                else if (cuts && cut < cuts->size())
                    segmentEnd = wordStart + (*cuts)[cut++];
                const Walk before = walk;
                const int firstItem = walk.itemStart;
                qint64 segment = 0;
                while (walk.pos < segmentEnd) {
                    lastId = walk.nextId;
                    qint64 a = 0;
                    if (!walk.step(a))
                        return Failed;
                    segment += a;
                    // Past the width the outcome is known: no need to measure a huge word.
                    if (!anywhere && (lineHasText ? line + spaces + segment : segment) > m_width)
                        break;
                }
                if (walk.ligature)
                    return Uncertain;
                const qint64 width = line + spaces + segment;
                const qint64 overhang = width + m_minBearing > m_width ? bearing(lastId) : 0;
                if (lineHasText && width + overhang > m_width) {
                    walk = before;
                    // Qt then adds the overhang of the glyph before the word and, past
                    // the width, lays the row out again breaking anywhere.
                    if (!anywhere) {
                        const int prev = m_ids[walk.text[walk.pos - 1].unicode()];
                        if (line + bearing(prev) > m_width ||
                            (walk.itemStart != firstItem && line + m_minBearing > m_width))
                            return Uncertain;
                    }
                    return walk.pos;
                }
                if (!anywhere && !lineHasText && segment > m_width) {
                    tooWide = true;
                    break;
                }
                line = width;
                spaces = 0;
                lineHasText = true;
            }
        }
        if (tooWide)
            continue;
        if (!anywhere && lastId != 0 && line + bearing(lastId) > m_width)
            return Uncertain;
        return walk.pos;
    }
    return walk.pos;
}

int RowBreaker::laidOutRow(QStringView paragraph, int from) {
    // Enough text for the row and what follows it; more when the row is longer.
    qsizetype length = 8192;
    for (;;) {
        const qsizetype take = std::min(length, paragraph.size() - from);
        QTextLayout layout(paragraph.sliced(from, take).toString(), m_layout.font);
        layout.setTextOption(m_layout.option);
        layout.setCacheEnabled(false);
        layout.beginLayout();
        QTextLine line = layout.createLine();
        line.setLineWidth(m_layout.lineWidth);
        const int row = line.textLength();
        layout.endLayout();
        if (row < take || from + take >= paragraph.size())
            return from + std::max(1, row);
        length *= 2;
    }
}

} // namespace zk
